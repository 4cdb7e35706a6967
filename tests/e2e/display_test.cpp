// The game's display run for real: the command line, a scaled window, fullscreen through a
// window manager with black bars, the switches between them, the aim there, and the choice
// kept for the next game.
#include "harness.h"

#include <X11/keysym.h>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "audio_probe.h"

const int SCREEN_WIDTH = 1920, SCREEN_HEIGHT = 1080;        // the test screens, pixels
const int BAR = (SCREEN_WIDTH - SCREEN_HEIGHT * 4 / 3) / 2; // each bar's width in fullscreen
const Rgb BLACK = {0, 0, 0};

static bool is_black(Rgb p) {
    return p == BLACK;
}

// The columns [x0, x1) of a frame.
static Frame columns(const Frame &f, int x0, int x1) {
    Frame part;
    part.width = x1 - x0;
    part.height = f.height;
    for (int y = 0; y < f.height; y++)
        for (int x = x0; x < x1; x++)
            for (int c : {f.at(x, y).r, f.at(x, y).g, f.at(x, y).b})
                part.rgb.push_back(c);
    return part;
}

// Waits until `window` is width x height; whether it got there within `seconds`.
static bool wait_for_size(Display *dpy, Window window, int width, int height, double seconds) {
    return wait_until(
        [&] {
            XWindowAttributes a;
            return XGetWindowAttributes(dpy, window, &a) && a.width == width && a.height == height;
        },
        seconds);
}

// Whether `window` stays width x height, looked at every 20 ms for `seconds`.
static bool keeps_size(Display *dpy, Window window, int width, int height, double seconds) {
    return !wait_until(
        [&] {
            XWindowAttributes a;
            return !XGetWindowAttributes(dpy, window, &a) || a.width != width || a.height != height;
        },
        seconds);
}

static std::string file_text(const std::string &path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

// Where the cursor cross shows: the midpoint between the centres of its red and its green
// ends, the only pure reds and greens the game draws; {-1, -1} if either is missing.
static std::pair<double, double> cross_centre(const Frame &f) {
    double sums[2][3] = {};
    for (int y = 0; y < f.height; y++)
        for (int x = 0; x < f.width; x++) {
            Rgb p = f.at(x, y);
            for (int end = 0; end < 2; end++) {
                int lit = end ? p.g : p.r, other = end ? p.r : p.g;
                if (lit > 180 && other < 70 && p.b < 70)
                    sums[end][0]++, sums[end][1] += x, sums[end][2] += y;
            }
        }
    if (!sums[0][0] || !sums[1][0])
        return {-1, -1};
    return {(sums[0][1] / sums[0][0] + sums[1][1] / sums[1][0]) / 2,
            (sums[0][2] / sums[0][0] + sums[1][2] / sums[1][0]) / 2};
}

// Answers and refusals come before any window: with no display at all, a game that tried to
// open one would end with 255 and a graphics error instead.
TEST(CommandLine, HelpVersionAndBadOptionsExitWithoutAWindow) {
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;
    } cases[] = {{{"--help"}, 0, "--scale N"},
                 {{"--version"}, 0, "haystack " HAYSTACK_VERSION "\n"},
                 {{"--scale", "0"}, 2, "'0'"},
                 {{"--scale=x"}, 2, "'x'"},
                 {{"--windowed"}, 2, "'--windowed'"}};
    for (const Case &c : cases) {
        Game game;
        game.args = c.args;
        game.start(nullptr);
        expect_exit_status(game, c.status);
        std::string out = game.output();
        EXPECT_NE(out.find(c.says), std::string::npos) << out;
        if (c.status == 2) {
            EXPECT_NE(out.find("--help"), std::string::npos) << out;
        }
    }
}

// Mean share of sky and of bare ground over a second of frames, each scaled to 640x480 by
// sampling, through a see-through title card while the camera circles the mound.
static std::pair<double, double> sky_and_ground(Display *dpy, Window window) {
    double sky = 0, ground = 0;
    int frames = 0;
    auto bare_ground = [](Rgb p) { return near(p, {204, 178, 25}, 8); };
    for (auto end = std::chrono::steady_clock::now() + std::chrono::seconds(2);
         std::chrono::steady_clock::now() < end; frames++) {
        Frame f = grab_frame(dpy, window);
        sky += share(f, 0, 0, f.width, f.height, is_sky);
        ground += share(f, f.width / 4, f.height / 3, f.width * 3 / 4, f.height, bare_ground);
    }
    return {sky / frames, ground / frames};
}

// --scale 5 does not fit a 1920x1080 screen: 2 does, and its window shows the 1x picture
// twice as large, lines and all.
TEST(ScaledWindow, CappedToTheScreenAndShowsTheSamePicture) {
    XServer x(true, SCREEN_WIDTH, SCREEN_HEIGHT);
    ASSERT_NE(x.dpy, nullptr);
    std::pair<double, double> seen[2];
    for (int scale : {1, 2}) {
        Game game;
        game.add_all_data({"introa.tga"});
        game.write_file("introa.tga", tga(4, 4, [](int, int) { return std::array<int, 4>{}; }));
        if (scale == 2)
            game.args = {"--scale", "5"};
        Window window = show_game(x, game, WIDTH * scale, HEIGHT * scale);
        ASSERT_NE(window, 0u);
        seen[scale - 1] = sky_and_ground(x.dpy, window);
        save_screenshot(grab_frame(x.dpy, window), "scaled_" + std::to_string(scale));
        if (scale == 2) {
            EXPECT_NE(game.output().find("playing at 2 times"), std::string::npos) << game.output();
        }
    }
    EXPECT_NEAR(seen[1].first, seen[0].first, 0.03) << "as much sky";
    // 5-pixel lines left thin in the larger window let about four times the ground through.
    EXPECT_LT(seen[1].second, 2 * seen[0].second + 0.0005) << "ground through the straw";
}

// Without a window manager there is no fullscreen to ask for: the game says so and plays in
// its window.
TEST(Fullscreen, WithoutAWindowManagerPlaysInAWindow) {
    XServer x(true, SCREEN_WIDTH, SCREEN_HEIGHT);
    Game game;
    game.add_all_data();
    game.args = {"--fullscreen"};
    ASSERT_NE(show_game(x, game), 0u);
    EXPECT_NE(game.output().find("offers no fullscreen"), std::string::npos) << game.output();
    EXPECT_TRUE(game.running());
}

// Fullscreen under openbox: the screen's size, the title card over the centred 4:3 picture,
// and nothing but black beside it; the choice is kept.
TEST(Fullscreen, PictureCentredBetweenBlackBars) {
    XServer x(true, SCREEN_WIDTH, SCREEN_HEIGHT, true);
    Game game;
    game.add_all_data();
    game.args = {"--fullscreen"};
    Window window = show_game(x, game, 0, 0);
    ASSERT_NE(window, 0u);
    ASSERT_TRUE(wait_for_size(x.dpy, window, SCREEN_WIDTH, SCREEN_HEIGHT, 5.0));
    sleep_seconds(1.5);
    Frame f = grab_frame(x.dpy, window);
    save_screenshot(f, "fullscreen_title_card");
    EXPECT_EQ(share(f, 0, 0, BAR, f.height, is_black), 1.0);
    EXPECT_EQ(share(f, f.width - BAR, 0, f.width, f.height, is_black), 1.0);
    PictureMatch card =
        match_picture(columns(f, BAR, f.width - BAR), HAYSTACK_DATA_DIR "/introa.tga", f.height);
    ASSERT_GT(card.opaque, 500);
    EXPECT_GT(double(card.opaque_shown) / card.opaque, 0.9) << "the title card fills the picture";
    EXPECT_NE(file_text(settings_file(game)).find("display=fullscreen"), std::string::npos);
}

// In play, a held Alt+Enter switches to fullscreen once however long key repeat runs, the
// cross follows the pointer there to the pixel and stops at the picture's edge over a bar,
// and F11 switches back; the game plays on in the same stage to the same music.
TEST(Fullscreen, AltEnterAndF11SwitchOncePerPressAndTheAimFollows) {
    XServer x(true, SCREEN_WIDTH, SCREEN_HEIGHT, true);
    Game game;
    game.add_all_data();
    Window window = show_game(x, game);
    ASSERT_NE(window, 0u);
    tap_key(x.dpy, window, XK_space);

    auto pressed = std::chrono::steady_clock::now();
    press_key(x.dpy, XK_Alt_L, true);
    press_key(x.dpy, XK_Return, true);
    bool switched = wait_for_size(x.dpy, window, SCREEN_WIDTH, SCREEN_HEIGHT, 5.0);
    double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - pressed).count();
    bool kept = keeps_size(x.dpy, window, SCREEN_WIDTH, SCREEN_HEIGHT, 1.5); // key repeat runs
    press_key(x.dpy, XK_Return, false);
    press_key(x.dpy, XK_Alt_L, false);
    ASSERT_TRUE(switched) << game.output();
    RecordProperty("switch_seconds", std::to_string(took));
    std::printf("switch to fullscreen took %.3f s\n", took);
    EXPECT_TRUE(kept && keeps_size(x.dpy, window, SCREEN_WIDTH, SCREEN_HEIGHT, 1.0))
        << "key repeat switched again";

    // The cross, as frames come, until it shows where `expected` says or 5 s pass.
    Frame shown;
    auto cross_shows = [&](auto expected) {
        return wait_until([&] { return expected(shown = grab_frame(x.dpy, window)); }, 5.0);
    };
    move_mouse(x.dpy, window, 1301, 407);
    EXPECT_TRUE(cross_shows([](const Frame &f) {
        auto [cx, cy] = cross_centre(f);
        return std::abs(cx - 1301) <= 1 && std::abs(cy - 407) <= 1;
    })) << "the cross is not centred on the pointer at (1301, 407)";
    save_screenshot(shown, "fullscreen_aim");
    move_mouse(x.dpy, window, 100, 407); // over the left bar
    EXPECT_TRUE(cross_shows([](const Frame &f) {
        auto green_end = [](Rgb p) { return p.g > 180 && p.r < 70; };
        return cross_centre(f).first == -1 && share(f, BAR, 380, BAR + 40, 400, green_end) > 0.02;
    })) << "the cross's left half cut off at the picture's left edge, its green end by it";
    EXPECT_EQ(share(shown, 0, 0, BAR, shown.height, is_black), 1.0) << "the cross spilled";

    hold_key(x.dpy, XK_F11, 0.0);
    ASSERT_TRUE(wait_for_size(x.dpy, window, WIDTH, HEIGHT, 5.0));
    EXPECT_TRUE(wait_until(
        [&] { return file_text(settings_file(game)).find("display=window") != std::string::npos; },
        2.0))
        << "the window kept as the choice";
    long now = recorded_frames(game.audio_file);
    std::vector<float> sound = recent_sound(game, PROBE_RATE);
    EXPECT_EQ(dominant_track_pitch(sound), THEME_HZ) << "still in play, to the theme";
    EXPECT_GT(now, 0);
    EXPECT_TRUE(game.running());
}

// The scale chosen last is the next game's; a damaged settings file is passed over with one
// line and the default window opens.
TEST(Settings, TheChoiceIsKeptAndADamagedFileIgnored) {
    XServer x(true, SCREEN_WIDTH, SCREEN_HEIGHT);
    Game chooser, keeper, damaged;
    keeper.config_home = damaged.config_home = chooser.config_home;
    chooser.add_all_data();
    chooser.args = {"--scale=2"};
    ASSERT_NE(show_game(x, chooser, 2 * WIDTH, 2 * HEIGHT), 0u);
    hold_key(x.dpy, XK_Escape, 0.0);
    expect_exit_status(chooser, 0);

    keeper.add_all_data();
    ASSERT_NE(show_game(x, keeper, 2 * WIDTH, 2 * HEIGHT), 0u) << "the scale was not kept";
    hold_key(x.dpy, XK_Escape, 0.0);
    expect_exit_status(keeper, 0);

    std::ofstream(settings_file(damaged)) << "scale=2\ndisplay=sideways\n";
    damaged.add_all_data();
    ASSERT_NE(show_game(x, damaged), 0u);
    std::string out = damaged.output();
    EXPECT_NE(out.find("haystack.conf, line 2"), std::string::npos) << out;
    EXPECT_EQ(out.find("haystack:"), out.rfind("haystack:")) << "one line: " << out;
}
