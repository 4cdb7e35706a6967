// The board's rules at their edges: the day's window and the dates that make a field a day's.
#include <gtest/gtest.h>

#include "board_rules.h"

const std::time_t DEC_10_2026 = 1796860800; // 2026-12-10 00:00:00 UTC
const long HOUR = 3600;                     // seconds

TEST(BoardRules, TheDaysFieldTakesRunsWhileItsDateHoldsSomewhereOnEarth) {
    EXPECT_EQ(field_day_start(20261210), DEC_10_2026);
    EXPECT_EQ(field_of_day(DEC_10_2026 + 23 * HOUR), 20261210);
    // From 10:00 UTC the day before (the date begins at UTC+14) to 12:00 UTC the day after (it
    // ends at UTC-12).
    EXPECT_FALSE(field_takes_runs(20261210, DEC_10_2026 - 14 * HOUR - 1));
    EXPECT_TRUE(field_takes_runs(20261210, DEC_10_2026 - 14 * HOUR));
    EXPECT_TRUE(field_takes_runs(20261210, DEC_10_2026 + 36 * HOUR - 1));
    EXPECT_FALSE(field_takes_runs(20261210, DEC_10_2026 + 36 * HOUR));
}

TEST(BoardRules, NumbersThatAreNoDateAreFieldsForAllTime) {
    EXPECT_EQ(field_day_start(20240229), 1709164800); // a leap day
    for (long field : {7L, 1234567L, 20230229L, 20261301L, 20261200L, 20261131L, 19691231L})
        EXPECT_TRUE(field_takes_runs(field, DEC_10_2026 + 400 * 24 * HOUR)) << field;
}
