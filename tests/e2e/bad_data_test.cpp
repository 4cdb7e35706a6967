// The game played with its data files missing, empty or replaced by folders, and with no
// sound device: each time it opens its window, plays and quits cleanly.
#include "harness.h"

#include <X11/keysym.h>
#include <sys/stat.h>

#include "audio_probe.h"
#include "data_files.h"

class PlaysAnyway : public RunningGame {
  protected:
    // Space, a walk, a throw: the scene shows and the game is still there; Escape quits.
    void play_and_quit(const std::string &name) {
        tap_key(x.dpy, window, XK_space);
        sleep_seconds(0.5);
        hold_key(x.dpy, XK_Up, 0.5);
        move_mouse(x.dpy, window, WIDTH / 2, HEIGHT / 2);
        hold_button(x.dpy, 1, 0.2);
        auto under_sky = [](const Frame &f) {
            return share(f, 0, 0, WIDTH, HEIGHT / 2, is_sky) > 0.002;
        };
        Frame frame = wait_for_frame(x.dpy, window, under_sky, SHOW_TIMEOUT);
        save_screenshot(frame, "bad_data_" + name);
        ASSERT_TRUE(game.running()) << describe_status(game.status) << "\n" << game.output();
        EXPECT_TRUE(under_sky(frame)) << "the field under the sky, not the title card";
        hold_key(x.dpy, XK_Escape, 0.3);
        expect_exit_status(game, 0);
    }

    // Without audio output the harness cannot tell when input is installed: it waits a while.
    void start_silent_game() {
        game.start(x.name.c_str());
        window = wait_for_window(x.dpy, WIDTH, HEIGHT, GAME_TITLE, START_TIMEOUT);
        ASSERT_NE(window, 0u) << "no window; output:\n" << game.output();
        sleep_seconds(2.0);
        focus(x.dpy, window);
    }
};

class OneFileMissing : public PlaysAnyway, public ::testing::WithParamInterface<const char *> {};

TEST_P(OneFileMissing, GameStillPlays) {
    game.add_all_data({GetParam()});
    ASSERT_NO_FATAL_FAILURE(start_game(false));
    play_and_quit(std::string("missing_") + GetParam());
}

// "intro.mp3" is called intro_mp3 in the test's name.
static std::string file_test_name(const ::testing::TestParamInfo<const char *> &file) {
    std::string name = file.param;
    return name.replace(name.find('.'), 1, "_");
}

INSTANTIATE_TEST_SUITE_P(EachDataFile, OneFileMissing, ::testing::ValuesIn(DATA_FILES),
                         file_test_name);

TEST_F(PlaysAnyway, WithoutAnyDataFile) {
    ASSERT_NO_FATAL_FAILURE(start_game(false));
    play_and_quit("all_missing");
}

TEST_F(PlaysAnyway, WithEveryDataFileEmpty) {
    for (const char *file : DATA_FILES)
        game.write_file(file, "");
    ASSERT_NO_FATAL_FAILURE(start_game(false));
    play_and_quit("all_empty");
}

TEST_F(PlaysAnyway, WithAFolderInEveryDataFilesPlace) {
    for (const char *file : DATA_FILES)
        ASSERT_EQ(mkdir((game.dir + "/" + file).c_str(), 0755), 0);
    ASSERT_NO_FATAL_FAILURE(start_game(false));
    play_and_quit("all_folders");
}

// SDL pointed at an audio driver that does not exist: the game plays in silence.
TEST_F(PlaysAnyway, WithoutASoundDevice) {
    game.add_all_data();
    game.audio_driver = "no-such-driver";
    ASSERT_NO_FATAL_FAILURE(start_silent_game());
    play_and_quit("no_sound_device");
    EXPECT_EQ(recorded_frames(game.audio_file), 0) << "nothing went to the disk driver";
}
