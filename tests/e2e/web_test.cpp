// The desktop's side of the browser tests: two turns of the attract orbit over the world the
// browser test also makes (the same fixed clock), saved frame by frame for it to compare with.
#include "harness.h"

const char *const WORLD_CLOCK = "2026-01-01 02:25:00"; // the browser test's clock too
const double ORBIT_SECONDS = 2 * 314 / 30.0; // two whole turns of the camera: the second's
                                             // frames fall between the first's

TEST_F(RunningGame, DesktopOrbitForTheBrowser) {
    game.fixed_clock = WORLD_CLOCK;
    ASSERT_NO_FATAL_FAILURE(start_game());
    move_mouse(x.dpy, window, WIDTH - 1, HEIGHT - 1);
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(ORBIT_SECONDS);
    Frame last;
    int saved = 0;
    while (std::chrono::steady_clock::now() < end) {
        Frame f = grab_frame(x.dpy, window);
        if (f.width == WIDTH && f.rgb != last.rgb)
            save_screenshot(f, "desktop_orbit_" + std::to_string(saved++));
        last = std::move(f);
        sleep_seconds(0.1);
    }
    EXPECT_GT(saved, 10) << "frames of the turn";
}

#ifdef HAYSTACK_BOARD_BINARY
#include <csignal>
#include <cstdlib>

#include "board_process.h"

const char *const BOARD_DAY = "@2031-11-23 12:00:00"; // the board's clock: a day whose field's
                                                      // needle stands on the mound's top

// The browser release served by a real board whose day is BOARD_DAY (libfaketime): the browser
// case sendToBoard wins the field of the day there, sends it and reads the board's answers.
TEST(BrowserOnBoard, SendsTheDaysWinAndShowsTheDaysBoard) {
    setenv("LD_PRELOAD", FAKETIME_LIBRARY, 1);
    setenv("FAKETIME", BOARD_DAY, 1);
    setenv("FAKETIME_DONT_FAKE_MONOTONIC", "1", 1);
    BoardProcess board;
    bool serving = start_board(&board, new_sqlite_database(), {"--web", WEB_RELEASE});
    unsetenv("LD_PRELOAD");
    unsetenv("FAKETIME");
    ASSERT_TRUE(serving) << "the board did not start; its log: " << board.log;
    std::string command = std::string("NODE_PATH=") + WEB_NODE_MODULES + " node " +
                          WEB_TEST_SCRIPT + " sendToBoard " + WEB_RELEASE + " " + WEB_SCREENSHOTS +
                          " - - - http://127.0.0.1:" + std::to_string(board.port);
    int status = std::system(command.c_str());
    EXPECT_EQ(stop_board(&board, SIGTERM), 0) << "the board's log: " << board.log;
    EXPECT_EQ(status, 0) << command;
}
#endif
