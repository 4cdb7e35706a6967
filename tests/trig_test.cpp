// The game's own sine and cosine: glibc's results wherever glibc rounds right, exact symmetries.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <type_traits>

#include "trig.h"

namespace {

// Differences from glibc among the samples' results, as measured with glibc 2.36 (Debian 12),
// each a result that glibc rounds the wrong way: the most the game's own functions may show.
const int DOUBLE_SLIPS = 690; // of 500000 sines and cosines of the game's angles
const int WIDE_SLIPS = 163;   // of 200000 of any double, and next to multiples of pi/2
const int FLOAT_SLIPS = 3751; // of 300000 float sines and cosines of the camera's angles
const int SAMPLE = 50000;     // angles of each kind

const uint64_t SEED = 12345; // where each test's draws start
uint64_t lcg;                // the draws' generator

double draw(double low, double high) {
    lcg = lcg * 6364136223846793005u + 1442695040888963407u;
    return float(low + (high - low) * double(lcg >> 40) / 16777216.0);
}

// Any double from 2^-30 up to 2^top, either sign.
double draw_wide(int top) {
    double x = draw(1, 2);
    lcg = lcg * 6364136223846793005u + 1442695040888963407u;
    x = std::ldexp(x, int((lcg >> 33) % (top + 30)) - 30);
    return lcg >> 63 ? -x : x;
}

template <typename T> auto raw(T x) { // the value's bits, as a signed integer
    typename std::conditional<sizeof(T) == 8, int64_t, int32_t>::type bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

template <typename T> int64_t ordinal(T x) { // neighbours one apart, in the values' order
    auto bits = raw(x);
    return bits < 0 ? std::numeric_limits<decltype(bits)>::min() - bits : bits;
}

// Counts where ours differs from glibc's, failing where it differs by more than one ulp or
// where the finer `truth` (glibc's sinl or cosl, good to 2^-63) shows glibc's the nearer,
// unless the truth lies too near the tie between them for it to tell.
template <typename T> void compare(T x, T ours, T theirs, long double truth, int *slips) {
    if (ours == theirs)
        return;
    (*slips)++;
    ASSERT_EQ(std::llabs(ordinal(ours) - ordinal(theirs)), 1) << std::hexfloat << x;
    long double tie = ((long double)ours + theirs) / 2;
    long double margin = std::fabs(truth) * 0x1p-61L;
    if (std::fabs(truth - tie) > margin) {
        EXPECT_EQ(truth > tie, ours > theirs) << std::hexfloat << x << " glibc rounds nearer";
    }
}

// sin and cos of each angle `next` gives, against glibc's; returns how many differ.
int compare_doubles(const std::function<double()> &next) {
    int slips = 0;
    for (int i = 0; i < SAMPLE && !::testing::Test::HasFailure(); i++) {
        double x = next();
        compare(x, trig_sin(x), std::sin(x), sinl(x), &slips);
        compare(x, trig_cos(x), std::cos(x), cosl(x), &slips);
    }
    return slips;
}

int compare_floats(const std::function<float()> &next) {
    int slips = 0;
    for (int i = 0; i < SAMPLE && !::testing::Test::HasFailure(); i++) {
        float x = next();
        compare(x, trig_sinf(x), sinf(x), sinl(x), &slips);
        compare(x, trig_cosf(x), cosf(x), cosl(x), &slips);
    }
    return slips;
}

// Each test draws the same angles, whichever tests run before it.
class Trig : public ::testing::Test {
  protected:
    void SetUp() override {
        lcg = SEED;
    }
};

TEST_F(Trig, RoundsTheGamesAnglesAsGlibcDoesWhereGlibcRoundsRight) {
    float orbit = 0, heading = 0, x = 0; // stepped as the game steps them, and the mound's spots
    int slips = compare_doubles([] { return draw(-100, 100); });
    slips += compare_doubles([] { return draw(-10000, 10000); });
    slips += compare_doubles([&] { return orbit += 0.02; });
    slips += compare_doubles([&] { return heading -= 0.1 * 1.7; });
    slips += compare_doubles([&] { return M_PI * (x += 0.004f) / 200; });
    EXPECT_LE(slips, DOUBLE_SLIPS);
}

TEST_F(Trig, RoundsHugeAnglesAndAnglesNextToQuarterTurnsAsGlibc) {
    int slips = compare_doubles([] { return draw_wide(1023); });
    int i = 0; // angles next to quarter turns: 5 next to each 7th, up to 110000 radians
    slips += compare_doubles([&] {
        double x = (i / 5 * 7 + 1) * M_PI_2;
        for (int step = i++ % 5 - 2; step != 0; step += step < 0 ? 1 : -1)
            x = std::nextafter(x, step < 0 ? 0.0 : INFINITY);
        return x;
    });
    EXPECT_LE(slips, WIDE_SLIPS);
}

TEST_F(Trig, FloatsRoundStraightFromTheTrueValue) {
    int slips = compare_floats([] { return float(draw(-3600, 3600) * M_PI / 180.0); });
    float heading = 0;
    slips += compare_floats([&] {
        float view = (heading += 0.1f) * float(180.0 / M_PI) + 90.0f;
        return float(view * M_PI / 180.0);
    });
    slips += compare_floats([] { return float(draw_wide(127)); });
    EXPECT_LE(slips, FLOAT_SLIPS);
}

// Floats whose sine or cosine, rounded to a double, lies exactly halfway between two floats, so
// that rounding the double again can go the wrong way: all that a search of every float from
// 2^-31 up found with glibc's sin and cos.
const float SINE_TIES[] = {0x1.33333p+13f, 0x1.487e0cp+103f};
const float COSINE_TIES[] = {0x1.887814p+51f, 0x1.3170fp+63f, 0x1.2b9622p+67f, 0x1.96344ep+117f};

// Whether `ours` is the float nearest `truth`.
bool nearest(float ours, long double truth) {
    long double apart = std::fabs(truth - ours);
    return apart < std::fabs(truth - std::nextafter(ours, INFINITY)) &&
           apart < std::fabs(truth - std::nextafter(ours, -INFINITY));
}

TEST_F(Trig, FloatsNextToATieInDoublesRoundTheWayTheTrueValueLies) {
    for (float x : SINE_TIES)
        EXPECT_TRUE(nearest(trig_sinf(x), sinl(x))) << std::hexfloat << x;
    for (float x : COSINE_TIES)
        EXPECT_TRUE(nearest(trig_cosf(x), cosl(x))) << std::hexfloat << x;
}

TEST_F(Trig, KeepsTheSymmetriesAndZeroExactly) {
    for (int i = 0; i < SAMPLE; i++) {
        double x = i % 2 ? draw(0, 10000) : draw_wide(127);
        float f = float(x);
        ASSERT_EQ(raw(trig_sin(-x)), raw(-trig_sin(x))) << std::hexfloat << x;
        ASSERT_EQ(raw(trig_cos(-x)), raw(trig_cos(x))) << std::hexfloat << x;
        ASSERT_EQ(raw(trig_sinf(-f)), raw(-trig_sinf(f))) << std::hexfloat << f;
        ASSERT_EQ(raw(trig_cosf(-f)), raw(trig_cosf(f))) << std::hexfloat << f;
    }
    for (double zero : {0.0, -0.0}) {
        EXPECT_EQ(raw(trig_sin(zero)), raw(zero));
        EXPECT_EQ(raw(trig_sinf(float(zero))), raw(float(zero)));
        EXPECT_EQ(trig_cos(zero), 1.0);
        EXPECT_EQ(trig_cosf(float(zero)), 1.0f);
    }
    for (double odd : {NAN, INFINITY, -INFINITY}) {
        EXPECT_TRUE(std::isnan(trig_sin(odd)) && std::isnan(trig_cos(odd)));
        EXPECT_TRUE(std::isnan(trig_sinf(float(odd))) && std::isnan(trig_cosf(float(odd))));
    }
}

} // namespace
