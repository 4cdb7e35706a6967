// The game's display run for real: the command line, a scaled window, fullscreen under a
// window manager with black bars, the switches, the aim there, and the choice kept.
#include "harness.h"

#include <X11/keysym.h>
#include <chrono>
#include <cmath>
#include <fstream>
#include <sstream>

#include "audio_probe.h"
#include "scratch_dir.h"

const int SCREEN_W = 1920, SCREEN_H = 1080;        // the test screens, pixels
const int BAR = (SCREEN_W - SCREEN_H * 4 / 3) / 2; // each bar's width in fullscreen
const double ORBIT_TURN = 2 * M_PI / (0.02 * 30);  // seconds the attract orbit takes round

static bool is_black(Rgb p) {
    return p == Rgb{0, 0, 0};
}

static bool has_size(Display *dpy, Window window, int width, int height) {
    XWindowAttributes a;
    return XGetWindowAttributes(dpy, window, &a) && a.width == width && a.height == height;
}

// The cursor cross's centre: midway between the centres of its red and its green ends, the
// only pure reds and greens the game draws; x is -1 if either is missing.
static std::pair<double, double> cross_centre(const Frame &f) {
    double n[2] = {}, x[2] = {}, y[2] = {};
    for (int py = 0; py < f.height; py++)
        for (int px = 0; px < f.width; px++)
            for (int end = 0; end < 2; end++) {
                Rgb p = f.at(px, py);
                bool lit = (end ? p.g : p.r) > 180 && (end ? p.r : p.g) < 70 && p.b < 70;
                n[end] += lit, x[end] += lit * px, y[end] += lit * py;
            }
    if (!n[0] || !n[1])
        return {-1, -1};
    return {(x[0] / n[0] + x[1] / n[1]) / 2, (y[0] / n[0] + y[1] / n[1]) / 2};
}

// Answers and refusals come before any window: with no display at all, a game that tried to
// open one would end with 255 and a graphics error instead.
TEST(CommandLine, HelpVersionAndBadOptionsExitWithoutAWindow) {
    std::string newer = scratch_dir() + "/newer.hsr"; // a replay from a later format
    std::ofstream(newer) << "HSREPLAY\x02" << std::string(60, '\0');
    struct Case {
        std::vector<std::string> args;
        int status;
        std::string says;
        bool points_to_help = true; // a problem with the options, not with a replay's file
    } cases[] = {{{"--help"}, 0, "--scale N"},
                 {{"--version"}, 0, "haystack " HAYSTACK_VERSION "\n"},
                 {{"--scale", "0"}, 2, "'0'"},
                 {{"--scale=x"}, 2, "'x'"},
                 {{"--windowed"}, 2, "'--windowed'"},
                 {{"--set", "music=7"}, 2, "'music=7'"},
                 {{"--set=key.look=Escape"}, 2, "'key.look=Escape'"},
                 {{"--set"}, 2, "NAME=VALUE"},
                 {{"--field", "0"}, 2, "'0'"},
                 {{"--field=100000000"}, 2, "'100000000'"},
                 {{"--field", "7", "--daily"}, 2, "not both"},
                 {{"--replay"}, 2, "needs a file"},
                 {{"--verify"}, 2, "needs a file"},
                 {{"--replay", "/"}, 2, "haystack: /: cannot be read: Is a directory\n", false},
                 {{"--replay", newer}, 2, ": made by a newer version of the game", false},
                 {{"--verify", newer, "/"}, 2, "/: cannot be read: Is a directory\n", false}};
    for (const Case &c : cases) {
        Game game;
        game.args = c.args;
        game.start(nullptr);
        expect_exit_status(game, c.status);
        std::string out = game.output();
        EXPECT_NE(out.find(c.says), std::string::npos) << out;
        EXPECT_EQ(out.find("\nTry 'haystack --help'") != std::string::npos,
                  c.status == 2 && c.points_to_help)
            << out;
    }
}

// --scale 5 does not fit a 1080p screen, 2 does, and without a window manager --fullscreen
// plays in that window; it shows the 1x picture twice as large, lines and all: as much sky,
// and no more ground between the straws (5 px lines left thin at 2x let four times as much
// through), over one whole turn of the attract orbit round the same world, seen through a
// clear title card. (Over a shorter stretch the two games would see different parts of the
// turn whenever one started later than the other, as a loaded machine makes them.)
TEST(ScaledWindow, CappedToTheScreenAndShowsTheSamePicture) {
    XServer x(true, SCREEN_W, SCREEN_H);
    double sky[2] = {}, ground[2] = {};
    for (int scale : {1, 2}) {
        Game game;
        game.fixed_clock = "2026-01-01 00:00:00"; // the world's seed
        game.add_all_data({"introa.tga"});
        game.write_file("introa.tga", tga(4, 4, [](int, int) { return std::array<int, 4>{}; }));
        game.args = {"--scale", scale == 2 ? "5" : "1", scale == 2 ? "--fullscreen" : "--scale=1"};
        Window window = show_game(x, game, WIDTH * scale, HEIGHT * scale);
        ASSERT_NE(window, 0u);
        int frames = 0;
        auto turn = std::chrono::duration<double>(ORBIT_TURN);
        for (auto end = std::chrono::steady_clock::now() + turn;
             std::chrono::steady_clock::now() < end; frames++) {
            Frame f = grab_frame(x.dpy, window);
            sky[scale - 1] += share(f, 0, 0, f.width, f.height, is_sky);
            ground[scale - 1] +=
                share(f, f.width / 4, f.height / 3, f.width * 3 / 4, f.height, [](Rgb p) {
                    return near(p, {204, 178, 25}, 8);
                });
        }
        sky[scale - 1] /= frames;
        ground[scale - 1] /= frames;
        for (const char *note : {"playing at 2 times", "offers no fullscreen"})
            EXPECT_EQ(game.output().find(note) != std::string::npos, scale == 2) << note;
    }
    EXPECT_NEAR(sky[1], sky[0], 0.05);
    EXPECT_LT(ground[1], 2 * ground[0] + 0.0005) << "ground through the straw";
}

// Under openbox: the screen's size, the title card over the centred 4:3 picture, nothing but
// black beside it, and the choice kept.
TEST(Fullscreen, PictureCentredBetweenBlackBars) {
    XServer x(true, SCREEN_W, SCREEN_H, true);
    Game game;
    game.add_all_data();
    game.args = {"--fullscreen"};
    Window window = show_game(x, game, 0, 0);
    ASSERT_TRUE(window &&
                wait_until([&] { return has_size(x.dpy, window, SCREEN_W, SCREEN_H); }, 5));
    sleep_seconds(1.5);
    Frame f = grab_frame(x.dpy, window);
    save_screenshot(f, "fullscreen_title_card");
    EXPECT_EQ(share(f, 0, 0, BAR, f.height, is_black) +
                  share(f, f.width - BAR, 0, f.width, f.height, is_black),
              2.0);
    PictureMatch card =
        match_picture(f, HAYSTACK_DATA_DIR "/introa.tga", f.height, BAR, f.width - BAR);
    ASSERT_GT(card.opaque, 500);
    EXPECT_GT(double(card.opaque_shown) / card.opaque, 0.9) << "the title card fills the picture";
    EXPECT_NE(file_text(settings_file(game)).find("display=fullscreen"), std::string::npos);
}

// In play, a held Alt+Enter switches once however long key repeat runs; the cross follows
// the pointer there to the pixel, and over a bar stops at the picture's edge, cut in half;
// F11 switches back. The game plays on to the theme, and the window is the kept choice.
TEST(Fullscreen, AltEnterAndF11SwitchOncePerPressAndTheAimFollows) {
    XServer x(true, SCREEN_W, SCREEN_H, true);
    Game game;
    game.add_all_data();
    Window window = show_game(x, game);
    ASSERT_NE(window, 0u);
    tap_key(x.dpy, window, XK_space);
    auto full = [&] { return has_size(x.dpy, window, SCREEN_W, SCREEN_H); };
    auto pressed = std::chrono::steady_clock::now();
    press_key(x.dpy, XK_Alt_L, true);
    press_key(x.dpy, XK_Return, true);
    ASSERT_TRUE(wait_until(full, 5.0)) << game.output();
    double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - pressed).count();
    bool kept = !wait_until([&] { return !full(); }, 1.5); // while key repeat runs
    press_key(x.dpy, XK_Return, false);
    press_key(x.dpy, XK_Alt_L, false);
    RecordProperty("switch_seconds", std::to_string(took));
    EXPECT_TRUE(kept && !wait_until([&] { return !full(); }, 1.0)) << "key repeat switched again";

    Frame shown; // frames as they come, until one shows what is expected or 5 s pass
    auto shows = [&](auto expected) {
        return wait_until([&] { return expected(shown = grab_frame(x.dpy, window)); }, 5.0);
    };
    move_mouse(x.dpy, window, 1301, 407);
    EXPECT_TRUE(shows([](const Frame &f) {
        auto [cx, cy] = cross_centre(f);
        return std::abs(cx - 1301) <= 1 && std::abs(cy - 407) <= 1;
    })) << "the cross is not centred on the pointer at (1301, 407)";
    save_screenshot(shown, "fullscreen_aim");
    move_mouse(x.dpy, window, 100, 407); // over the left bar
    EXPECT_TRUE(shows([](const Frame &f) {
        auto green = [](Rgb p) { return p.g > 180 && p.r < 70; };
        return cross_centre(f).first == -1 && share(f, BAR, 380, BAR + 40, 400, green) > 0.02;
    })) << "the cross's left half cut off at the picture's left edge, its green end by it";
    EXPECT_EQ(share(shown, 0, 0, BAR, shown.height, is_black), 1.0) << "the cross spilled";

    hold_key(x.dpy, XK_F11, 0.0);
    ASSERT_TRUE(wait_until([&] { return has_size(x.dpy, window, WIDTH, HEIGHT); }, 5.0));
    EXPECT_TRUE(wait_until(
        [&] { return file_text(settings_file(game)).find("display=window") != std::string::npos; },
        2.0));
    EXPECT_EQ(dominant_track_pitch(recent_sound(game, PROBE_RATE)), THEME_HZ) << "still in play";
}

// The scale chosen last is the next game's; a damaged line of the settings file is passed over
// with one line naming it, and the rest of the file still counts.
TEST(Settings, TheChoiceIsKeptAndADamagedLinePassedOver) {
    XServer x(true, SCREEN_W, SCREEN_H);
    Game chooser, keeper, damaged;
    keeper.config_home = damaged.config_home = chooser.config_home;
    chooser.args = {"--scale=2"};
    for (Game *game : {&chooser, &keeper}) {
        game->add_all_data();
        ASSERT_NE(show_game(x, *game, 2 * WIDTH, 2 * HEIGHT), 0u);
        hold_key(x.dpy, XK_Escape, 0.0);
        expect_exit_status(*game, 0);
    }
    std::ofstream(settings_file(damaged)) << "scale=2\ndisplay=sideways\n";
    damaged.add_all_data();
    ASSERT_NE(show_game(x, damaged, 2 * WIDTH, 2 * HEIGHT), 0u) << "the good line still counts";
    std::string out = damaged.output();
    EXPECT_NE(out.find("haystack.conf, line 2"), std::string::npos) << out;
    EXPECT_EQ(out.find("haystack:"), out.rfind("haystack:")) << "one line: " << out;
}
