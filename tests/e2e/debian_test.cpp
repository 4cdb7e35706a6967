// A clone's `make run` in a bare Debian system (HAYSTACK_DEBIAN_SYSTEM) where `make deps` ran
// already: it configures and builds the game there and starts it, which shows its title card
// and quits on Escape, and make ends with status 0.
#include "harness.h"

#include <X11/keysym.h>

// Seconds for `make run` to configure and build the game before its window shows: measured at
// 20 to 35 s on two cores busy with other builds too; 600 s is more than fifteen times that.
const double BUILD_TIMEOUT = 600.0;

TEST(DebianSource, MakeRunBuildsAndStartsTheGame) {
    XServer x;
    ASSERT_NE(x.dpy, nullptr);
    Game game;
    game.program = IN_DEBIAN_SYSTEM;
    game.args = {"make", "-C", "/root/haystack", "run"};
    game.start(x.name.c_str());
    Window window = wait_for_window(x.dpy, WIDTH, HEIGHT, GAME_TITLE, BUILD_TIMEOUT);
    ASSERT_NE(window, 0u) << "no window; output:\n" << game.output();
    // The window is black until the world is made and the first frame drawn.
    auto drawn = [](const Frame &f) {
        return share(f, 0, 0, f.width, f.height, [](Rgb p) { return p.r + p.g + p.b > 0; }) > 0.5;
    };
    ASSERT_TRUE(drawn(wait_for_frame(x.dpy, window, drawn, START_TIMEOUT))) << game.output();
    ASSERT_NO_FATAL_FAILURE(expect_title_card(x.dpy, window, "debian_make_run")) << game.output();
    focus(x.dpy, window);
    hold_key(x.dpy, XK_Escape, 0.3);
    expect_exit_status(game, 0);
}
