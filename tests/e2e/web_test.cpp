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
