// The picture's place in windows of any size, the pointer mapped into it and the aim that
// follows, the command line, and the settings file's tolerant read and atomic write.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "framing.h"
#include "game_state.h"
#include "options.h"
#include "play.h"
#include "scratch_dir.h"
#include "settings.h"

namespace {

TEST(Framing, LargestCentredFourByThreePictureWithEvenBars) {
    struct Case {
        int w, h, left, top, width, height;
    } cases[] = {{640, 480, 0, 0, 640, 480},       {1280, 960, 0, 0, 1280, 960},
                 {1920, 1080, 240, 0, 1440, 1080}, {3840, 2160, 480, 0, 2880, 2160},
                 {1080, 1920, 0, 555, 1080, 810},  {1001, 500, 167, 0, 666, 500}};
    for (const Case &c : cases) {
        Framing f = frame_picture(c.w, c.h);
        SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
        EXPECT_EQ(f.left, c.left);
        EXPECT_EQ(f.top, c.top);
        EXPECT_EQ(f.width, c.width);
        EXPECT_EQ(f.height, c.height);
        EXPECT_EQ(f.bottom, c.h - c.top - c.height);
        EXPECT_FLOAT_EQ(f.scale, c.width / 640.0f);
    }
}

TEST(Framing, PointerMapsIntoThePictureAndOverTheBarsToItsNearestEdge) {
    Framing plain = frame_picture(640, 480), wide = frame_picture(1920, 1080);
    float gx, gy;
    for (int x = 0; x < 640; x += 7) { // the plain window as it always was
        pointer_in_picture(plain, x, 479 - x % 480, &gx, &gy);
        EXPECT_EQ(gx, x);
        EXPECT_EQ(gy, 479 - x % 480);
    }
    pointer_in_picture(wide, 240 + 0.5f, 1079, &gx, &gy); // fractions kept
    EXPECT_FLOAT_EQ(gx, 0.5f * 640 / 1440);
    EXPECT_FLOAT_EQ(gy, 1079 * 480.0f / 1080);
    pointer_in_picture(wide, 3, -5, &gx, &gy); // the left bar, above the screen
    EXPECT_EQ(gx, 0);
    EXPECT_EQ(gy, 0);
    pointer_in_picture(wide, 1900, 2000, &gx, &gy); // the right bar, below
    EXPECT_FLOAT_EQ(gx, 1439 * 640.0f / 1440);
    EXPECT_FLOAT_EQ(gy, 1079 * 480.0f / 1080);
}

TEST(Framing, LargestScaleThatFitsTheWorkArea) {
    EXPECT_EQ(largest_fitting_scale(1920, 1050), 2);
    EXPECT_EQ(largest_fitting_scale(3840, 2120), 4);
    EXPECT_EQ(largest_fitting_scale(1279, 2000), 1);
    EXPECT_EQ(largest_fitting_scale(600, 400), 1);
}

// The shot thrown from a pointer, projected back through the frame's projection (the frustum
// of render.cpp) and viewport, lands on the pointer, fractions of a window pixel included.
TEST(Aim, ShotLandsWhereThePointerIsInAnyWindow) {
    const float camera[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    for (auto [w, h] : {std::pair{1920, 1080}, {1280, 960}, {2560, 1440}}) {
        Framing f = frame_picture(w, h);
        double worst = 0;
        for (float px = f.left + 0.3f; px < f.left + f.width; px += 37.1f)
            for (float py = f.top + 0.7f; py < f.top + f.height; py += 29.3f) {
                float gx, gy;
                pointer_in_picture(f, px, py, &gx, &gy);
                throw_shot_with_camera(gx, gy, camera);
                double ndc_x = shot_vel.x / -shot_vel.z / (4.0 / 3.0),
                       ndc_y = shot_vel.y / -shot_vel.z;
                double sx = f.left + (ndc_x + 1) / 2 * f.width;
                double sy = f.top + (1 - ndc_y) / 2 * f.height;
                worst = std::max(worst, std::hypot(sx - px, sy - py));
            }
        RecordProperty("worst_aim_error_px_" + std::to_string(w), std::to_string(worst));
        EXPECT_LT(worst, 0.05) << w << "x" << h;
    }
}

struct Command {
    std::vector<const char *> args;
    OptionsOutcome outcome;
    int scale;
    bool fullscreen;
    const char *named; // what the problem line must name
};

TEST(Options, ReadInGnuStyleAndBadOnesNamed) {
    const Command commands[] = {
        {{}, OPTIONS_PLAY, 0, false, ""},
        {{"--scale", "3"}, OPTIONS_PLAY, 3, false, ""},
        {{"--scale=2", "--fullscreen"}, OPTIONS_PLAY, 2, true, ""},
        {{"--scale", "12345"}, OPTIONS_PLAY, MAX_SCALE_OPTION, false, ""},
        {{"--fullscreen", "--help"}, OPTIONS_HELP, 0, true, ""},
        {{"--version", "--bogus"}, OPTIONS_VERSION, 0, false, ""},
        {{"--scale", "0"}, OPTIONS_BAD, 0, false, "'0'"},
        {{"--scale=x"}, OPTIONS_BAD, 0, false, "'x'"},
        {{"--scale", "-2"}, OPTIONS_BAD, 0, false, "'-2'"},
        {{"--scale"}, OPTIONS_BAD, 0, false, "'--scale'"},
        {{"--ful"}, OPTIONS_BAD, 0, false, "'--ful'"},
        {{"level2"}, OPTIONS_BAD, 0, false, "'level2'"},
    };
    for (const Command &c : commands) {
        std::vector<char *> argv = {const_cast<char *>("haystack")};
        for (const char *arg : c.args)
            argv.push_back(const_cast<char *>(arg));
        Options o = read_options(int(argv.size()), argv.data());
        SCOPED_TRACE(c.args.empty() ? "" : c.args[0]);
        EXPECT_EQ(o.outcome, c.outcome);
        if (c.outcome == OPTIONS_BAD) {
            EXPECT_NE(std::string(o.problem).find(c.named), std::string::npos) << o.problem;
            EXPECT_EQ(std::string(o.problem).find('\n'), std::string(o.problem).size() - 1);
            continue;
        }
        EXPECT_EQ(o.scale, c.scale);
        EXPECT_EQ(o.fullscreen, c.fullscreen);
    }
}

class SettingsFile : public ::testing::Test {
  protected:
    std::string path = scratch_dir() + "/" +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                       "/haystack/haystack.conf";
    void write(const std::string &text) {
        std::filesystem::create_directories(std::filesystem::path(path).parent_path());
        std::ofstream(path, std::ios::binary) << text;
    }
    // What reading the file gives, and what it said on standard error.
    std::pair<DisplayChoice, std::string> read() {
        ::testing::internal::CaptureStderr();
        DisplayChoice choice = read_display_choice(path.c_str());
        return {choice, ::testing::internal::GetCapturedStderr()};
    }
};

TEST_F(SettingsFile, WrittenWholeAndReadBackAndAMissingOneIsTheDefaultQuietly) {
    auto [missing, said] = read();
    EXPECT_EQ(missing.scale, 1);
    EXPECT_FALSE(missing.fullscreen);
    EXPECT_EQ(said, "");
    for (DisplayChoice choice : {DisplayChoice{3, true}, DisplayChoice{2, false}}) {
        ASSERT_TRUE(write_display_choice(path.c_str(), choice)); // makes the folders too
        auto [back, said_now] = read();
        EXPECT_EQ(back.scale, choice.scale);
        EXPECT_EQ(back.fullscreen, choice.fullscreen);
        EXPECT_EQ(said_now, "");
    }
    EXPECT_FALSE(std::filesystem::exists(path + ".partial"));
}

TEST_F(SettingsFile, DamagedOnesAreIgnoredWithOneLine) {
    const std::string damaged[] = {
        "scale=0\n",      "display=huge\n", "scale=2x\n",
        "zoom=2\n",       "scale\n",        "display=window\nscale=" + std::string(300, '9'),
        "\x01\xff\xfe\n", "scale=+2\n"};
    for (const std::string &text : damaged) {
        write("display=fullscreen\n" + text);
        auto [choice, said] = read();
        SCOPED_TRACE(text);
        EXPECT_EQ(choice.scale, 1);
        EXPECT_FALSE(choice.fullscreen);
        EXPECT_NE(said.find(path), std::string::npos) << said;
        EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    }
    write("# a comment\n\r\nscale=4\r\ndisplay=window\n"); // comments, blank and CRLF lines
    EXPECT_EQ(read().first.scale, 4);
}

// A write that cannot finish leaves the file as it was, whole.
TEST_F(SettingsFile, FailedWriteLeavesTheOldFile) {
    ASSERT_TRUE(write_display_choice(path.c_str(), {2, true}));
    std::filesystem::create_directory(path + ".partial"); // the new file cannot be made
    EXPECT_FALSE(write_display_choice(path.c_str(), {5, false}));
    auto [choice, said] = read();
    EXPECT_EQ(choice.scale, 2);
    EXPECT_TRUE(choice.fullscreen);
    EXPECT_EQ(said, "");
}

} // namespace
