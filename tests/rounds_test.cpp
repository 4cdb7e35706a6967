// Rounds of play: numbered worlds, the search's time and its shown form, the best times and
// their file, and a new field after a win.
#include <gtest/gtest.h>

#include <algorithm>
#include <allegro.h>
#include <cstring>
#include <fstream>
#include <string>
#include <unistd.h>

#include "aim.h"
#include "best_times.h"
#include "found_search.h"
#include "game_state.h"
#include "input.h"
#include "pad_mapping.h"
#include "play.h"
#include "process_memory.h"
#include "replay.h"
#include "rounds.h"
#include "scratch_dir.h"
#include "sending.h"
#include "world.h"

namespace {

// The fingerprints of two numbered worlds, as this game has made them since numbered fields
// began: a change here changes every player's field of the day.
TEST(NumberedFields, MakeTheWorldsTheyAlwaysMade) {
    generate_numbered_world(1);
    EXPECT_EQ(world_digest(), 0x266fa13c691c75acull);
    generate_numbered_world(20261209);
    EXPECT_EQ(world_digest(), 0x7da381fc50ea30b3ull);
    std::srand(1); // the C library's sequence is not the numbered fields'
    generate_numbered_world(1);
    EXPECT_EQ(world_digest(), 0x266fa13c691c75acull);
}

TEST(NumberedFields, TheFieldOfTheDayIsTheDateInUtc) {
    EXPECT_EQ(field_of_the_day(1796774399), 20261208); // 2026-12-08 23:59:59 UTC
    EXPECT_EQ(field_of_the_day(1796774400), 20261209); // one second on
    EXPECT_EQ(field_of_the_day(0), 19700101);
}

TEST(SearchTime, ShownInMinutesSecondsAndTenthsCutDown) {
    const struct {
        int ticks;
        const char *shown;
    } cases[] = {{0, "0:00.0"},    {2, "0:00.0"},    {3, "0:00.1"},      {1746, "0:58.2"},
                 {1800, "1:00.0"}, {2509, "1:23.6"}, {21690, "12:03.0"}, {108000, "60:00.0"}};
    for (const auto &c : cases) {
        char text[TIME_TEXT_SIZE];
        format_time(c.ticks, text, sizeof text);
        EXPECT_STREQ(text, c.shown) << c.ticks << " ticks";
    }
}

// What reading the times file at `path` gives, and what it said on standard error.
std::pair<BestTimes, std::string> read_file(const std::string &path) {
    BestTimes t;
    ::testing::internal::CaptureStderr();
    read_times(path.c_str(), &t);
    return {t, ::testing::internal::GetCapturedStderr()};
}

// The board's answer as the banner says it: the rank taken, or the board's own reason, and never
// a rank read from an answer that is not a 201.
TEST(BoardAnswer, TheRankTakenOrTheBoardsReason) {
    EXPECT_EQ(board_answer_line(201, R"({"id":7,"rank":12,"of":340,"time":"0:05.1"})", ""),
              "#12 OF 340");
    EXPECT_EQ(board_answer_line(201, R"({ "rank" : 1 , "of":1 })", ""), "#1 OF 1");
    EXPECT_EQ(board_answer_line(409, R"({"error":"that name is another player's"})", ""),
              "That name is another player's");
    EXPECT_EQ(board_answer_line(422, R"({"error":"say \"no\"\u00e9\n"})", ""), "Say \"no\"? ");
    EXPECT_EQ(board_answer_line(422, R"({"rank":3,"of":9})", ""), "The board answered 422");
    EXPECT_EQ(board_answer_line(201, R"({"rank":3)", ""), "The board answered 201");
    EXPECT_EQ(board_answer_line(502, "<html>Bad gateway</html>", ""), "The board answered 502");
    EXPECT_EQ(board_answer_line(400, R"({"error":"unended)", ""), "The board answered 400");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(board_answer_line(0, "", "Timeout was reached"), "The board cannot be reached");
    EXPECT_EQ(board_answer_line(-1, "", "Sending needs libcurl"), "Sending needs libcurl");
    EXPECT_NE(::testing::internal::GetCapturedStderr().find("Timeout was reached"),
              std::string::npos);
}

TEST(BestTimesFile, KeptWholeAndReadBackPassingOverDamage) {
    std::string path = scratch_dir() + "/times/haystack/times";
    auto [none, quiet] = read_file(path);
    EXPECT_TRUE(none.overall == 0 && none.fields == 0 && quiet.empty()) << "missing: no times";
    BestTimes t = {};
    EXPECT_TRUE(record_time(&t, 0, 900)) << "the first time is a best";
    EXPECT_TRUE(record_time(&t, 7, 1200)) << "the field's first time is its best";
    EXPECT_EQ(t.overall, 900) << "a slower field time leaves the best of all";
    EXPECT_FALSE(record_time(&t, 7, 1200)) << "an equal time beats nothing";
    EXPECT_TRUE(record_time(&t, 7, 600));
    EXPECT_TRUE(best_time(t, 7) == 600 && t.overall == 600 && best_time(t, 8) == 0);
    ASSERT_TRUE(write_times(path.c_str(), t));
    auto [back, said] = read_file(path);
    EXPECT_TRUE(back.overall == 600 && best_time(back, 7) == 600 && back.fields == 1) << said;
    std::ofstream(path) << "best=0\nfield.7=x\nfield.0=5\nfield.100000000=5\nbest=-1\n"
                        << std::string(300, '9') << "\n\x01\xff\nfield.9=450\nbest=400\n";
    auto [damaged, complaints] = read_file(path);
    EXPECT_TRUE(damaged.overall == 400 && best_time(damaged, 9) == 450 && damaged.fields == 1);
    for (int line = 1; line <= 7; line++)
        EXPECT_NE(complaints.find(path + ", line " + std::to_string(line) + " "), std::string::npos)
            << complaints;
}

TEST(BestTimesFile, TheOldestFieldGivesWayWhenTheFileIsFull) {
    BestTimes t = {};
    for (long field = 1; field <= MAX_KEPT_FIELDS + 1; field++)
        record_time(&t, field, 100);
    EXPECT_EQ(t.fields, MAX_KEPT_FIELDS);
    EXPECT_EQ(best_time(t, 1), 0);
    EXPECT_EQ(best_time(t, 2), 100);
    EXPECT_EQ(best_time(t, MAX_KEPT_FIELDS + 1), 100);
}

// A numbered field started as the game starts one, with no key down and no times file.
class RoundTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::memset((void *)key, 0, KEY_MAX);
        theme_stream = intro_stream = outro_stream = nullptr;
        default_settings(&settings);
        best_times = {};
        times_file[0] = '\0';
        install_input_latches();
        begin_field(7);
    }

    static void tap(int scancode) {
        keyboard_lowlevel_callback(scancode);
        keyboard_lowlevel_callback(scancode | 0x80);
    }

    // A tick with a shot placed by the needle.
    static void hit() {
        shot_pos = target_a;
        shot_vel = {0, 0, 0};
        tick_update();
    }

    // Space, then `ticks` ticks of play standing still, the last of them the hit's.
    static void search_for(int ticks) {
        tap(KEY_SPACE);
        tick_update();
        for (int i = 0; i < ticks - 1; i++)
            tick_update();
        hit();
    }
};

TEST_F(RoundTest, TheTimeRunsFromSpaceToTheHitAndLaterHitsKeepIt) {
    tick_update();
    tick_update();
    EXPECT_EQ(round_ticks, 0) << "the title card's ticks are no search";
    search_for(90);
    ASSERT_EQ(win_phase, WIN_RECOLOURING);
    EXPECT_EQ(found_ticks, 90);
    EXPECT_TRUE(new_best);
    tick_update();
    EXPECT_EQ(found_ticks, 90) << "a hit after the win changes no time";
    char lines[RESULT_LINES][RESULT_LINE_SIZE];
    ASSERT_EQ(result_lines(lines, false, nullptr), 5);
    EXPECT_STREQ(lines[0], "Found in 0:03.0");
    EXPECT_STREQ(lines[1], "New best");
    EXPECT_STREQ(lines[2], "Field 7");
    EXPECT_STREQ(lines[3], "R: watch the search");
    EXPECT_STREQ(lines[4], "N: new field");
    ASSERT_EQ(result_lines(lines, true, nullptr), 4)
        << "a replay watched: no best, no watching again";
    EXPECT_STREQ(lines[0], "REPLAY");
    EXPECT_STREQ(lines[1], "Found in 0:03.0");
    char line[SHARE_LINE_SIZE];
    share_line(line, sizeof line);
    EXPECT_STREQ(line, "Haystack field 7: found in 0:03.0");
}

TEST_F(RoundTest, NBeforeTheWinDoesNothingAndAfterItMakesANewField) {
    unsigned long long field_7 = world_digest();
    tap(KEY_N);
    tick_update(); // on the title card
    tap(KEY_SPACE);
    tick_update();
    tap(KEY_N);
    tick_update(); // in play: the press is spent, not kept for the win
    for (int i = 0; i < 28; i++)
        tick_update();
    hit(); // the thirtieth tick of play
    tick_update();
    EXPECT_TRUE(world_digest() == field_7 && win_phase != WIN_PLAYING);
    begin_field(7);
    search_for(60);
    EXPECT_EQ(world_digest(), field_7) << "the same number, the same world";
    char lines[RESULT_LINES][RESULT_LINE_SIZE];
    result_lines(lines, false, nullptr);
    EXPECT_STREQ(lines[1], "Best 0:01.0") << "a slower search shows the best it missed";
    tap(KEY_N);
    tick_update();
    EXPECT_NE(world_digest(), field_7);
    EXPECT_TRUE(intro_active == 1 && win_phase == WIN_PLAYING && walk_state == WALK_NONE);
    EXPECT_TRUE(field_number == 0 && round_ticks == 0 && found_ticks == 0 && recolour_cursor == 0);
    search_for(30);
    unsigned long long clock_field = world_digest();
    pad_set_button(0, PAD_Y, true);
    tick_update();
    pad_set_button(0, PAD_Y, false);
    EXPECT_TRUE(world_digest() != clock_field && intro_active) << "a pad's Y does as N";
}

// A hundred new fields in a row keep what the process holds the same: within a page or two
// per field of what a hundred before them left, the first hundred having warmed up whatever the
// C library and the sanitizers keep. A world's arrays are 2.4 MB.
TEST_F(RoundTest, AHundredNewFieldsHoldNoMoreMemory) {
    for (int i = 0; i < 100; i++)
        start_new_field();
    long before = process_memory_kb(getpid(), "VmRSS");
    for (int i = 0; i < 100; i++)
        start_new_field();
    EXPECT_LE(process_memory_kb(getpid(), "VmRSS"), before + 100 * 8);
}

// A search played by the keys and won, the turning speed changed on the way as the options
// screen changes it, is kept as last.hsr and as the field's new best, field-7.hsr; the kept
// file plays through to the very time the game took.
TEST_F(RoundTest, AWonSearchIsKeptAndItsFileProvesItsTime) {
    std::string replays = std::string(std::getenv("XDG_DATA_HOME")) + "/haystack/replays/";
    std::remove((replays + "last.hsr").c_str());
    std::remove((replays + "field-7.hsr").c_str());
    tap(KEY_SPACE);
    tick_update();
    auto needle = [] {
        return Vec3{(target_a.x + target_b.x) / 2, (target_a.y + target_b.y) / 2,
                    (target_a.z + target_b.z) / 2};
    };
    float cx = 0, cy = 0;
    for (int turned = 0; turned < 200 && (turned < 5 || pitch > 0 || !cross_on(needle(), &cx, &cy));
         turned++) { // off the orbit's height and tilt first
        settings.turn = turned < 2 ? 100 : 150;
        key[KEY_RIGHT] = 1;
        keyboard_lowlevel_callback(KEY_RIGHT);
        tick_update();
    }
    key[KEY_RIGHT] = 0;
    keyboard_lowlevel_callback(KEY_RIGHT | 0x80);
    ASSERT_TRUE(cross_on(needle(), &cx, &cy)) << "the needle never came into view";
    place_cross(cx, cy);
    tap(KEY_ENTER); // aims, and the shot flies once aiming is let go
    for (int i = 0; i < 300 && win_phase == WIN_PLAYING; i++)
        tick_update();
    ASSERT_NE(win_phase, WIN_PLAYING) << "the throw missed";
    for (const char *file : {"last.hsr", "field-7.hsr"}) {
        Replay kept;
        std::string why;
        ASSERT_TRUE(read_replay_file((replays + file).c_str(), &kept, &why)) << file << ": " << why;
        EXPECT_TRUE(std::any_of(kept.ticks.begin(), kept.ticks.end(),
                                [](const ReplayTick &t) { return t.settings_changed; }));
        ReplayOutcome outcome = verify_replay(kept);
        EXPECT_TRUE(outcome.found) << file;
        EXPECT_EQ(outcome.found_ticks, found_ticks) << file;
    }
}

} // namespace
