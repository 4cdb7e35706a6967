// The game's shell run for real in a private X server: its window, its music, the ways to quit
// it, what it does without a display or without OpenGL, and how it copes with bad data files.
#include "harness.h"

#include <X11/Xutil.h>
#include <X11/keysym.h>
#include <sys/wait.h>
#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>

#include "audio_probe.h"

const int GRAPHICS_FAILED = 255; // exit status when no OpenGL window could be opened
const char *const GRAPHICS_ERROR = "Error setting OpenGL graphics mode:";
const char *const AGL_ERROR = "Allegro GL error : ";

class GameShell : public RunningGame {
  protected:
    void expect_still_running_until_escape() {
        sleep_seconds(3.0);
        ASSERT_TRUE(game.running()) << describe_status(game.status) << "\n" << game.output();
        hold_key(x.dpy, XK_Escape, 0.3);
        expect_exit_status(game, 0);
    }
};

TEST_F(GameShell, OpensWindowAndPlaysIntroTrack) {
    ASSERT_NO_FATAL_FAILURE(start_game());
    EXPECT_NE(save_screenshot(grab_frame(x.dpy, window), "shell_first_frames"), "");

    sleep_seconds(2.0);
    std::vector<float> recent = recent_sound(game, PROBE_RATE * 3 / 2);
    ASSERT_FALSE(recent.empty()) << "too little audio recorded";
    EXPECT_GT(rms(recent), 0.05);
    EXPECT_EQ(dominant_track_pitch(recent), INTRO_HZ);
    EXPECT_TRUE(game.running());
}

// The `size` px picture of the game's .ico, as rows of b, g, r, a from the top; empty if the
// icon has no bitmap of that size.
static std::vector<unsigned char> icon_bitmap(unsigned size) {
    std::ifstream file(PROJECT_SOURCE_DIR "/packaging/icons/haystack.ico", std::ios::binary);
    std::string ico((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    auto u32 = [&](size_t at) {
        uint32_t v;
        std::memcpy(&v, &ico[at], 4);
        return v;
    };
    for (size_t entry = 6; entry + 16 <= ico.size() && ico.size() >= 6; entry += 16) {
        size_t at = u32(entry + 12), row = 4 * size;
        if (uint8_t(ico[entry]) != size || u32(at) != 40 || at + 40 + row * size > ico.size())
            continue;
        std::vector<unsigned char> rows(row * size);
        for (unsigned y = 0; y < size; y++) // bottom row first in the file
            std::memcpy(&rows[y * row], &ico[at + 40 + (size - 1 - y) * row], row);
        return rows;
    }
    return {};
}

// The window carries the game's icon, not the windowing library's: its icon pixmap, read
// back, shows the icon file's picture of the same size wherever that picture is opaque.
TEST_F(GameShell, WindowCarriesTheGameIcon) {
    ASSERT_NO_FATAL_FAILURE(start_game());
    XWMHints *hints = nullptr;
    wait_until(
        [&] { return (hints = XGetWMHints(x.dpy, window)) && (hints->flags & IconPixmapHint); },
        5.0);
    ASSERT_TRUE(hints && (hints->flags & IconPixmapHint)) << "the window has no icon pixmap";
    Window root;
    int left, top;
    unsigned size, height, border, depth;
    XGetGeometry(x.dpy, hints->icon_pixmap, &root, &left, &top, &size, &height, &border, &depth);
    XImage *image = XGetImage(x.dpy, hints->icon_pixmap, 0, 0, size, height, AllPlanes, ZPixmap);
    XFree(hints);
    ASSERT_NE(image, nullptr);
    std::vector<unsigned char> expected = icon_bitmap(size);
    ASSERT_FALSE(expected.empty()) << "the icon file has no " << size << " px picture";
    const Visual *visual = DefaultVisual(x.dpy, DefaultScreen(x.dpy)); // a pixmap's own masks are 0
    int opaque = 0, same = 0;
    for (unsigned row = 0; row < size; row++)
        for (unsigned col = 0; col < size; col++) {
            const unsigned char *bgra = &expected[4 * (row * size + col)];
            unsigned long p = XGetPixel(image, col, row);
            Rgb shown = {int((p & visual->red_mask) >> __builtin_ctzl(visual->red_mask)),
                         int((p & visual->green_mask) >> __builtin_ctzl(visual->green_mask)),
                         int((p & visual->blue_mask) >> __builtin_ctzl(visual->blue_mask))};
            opaque += bgra[3] == 255;
            same += bgra[3] == 255 && near(shown, {bgra[2], bgra[1], bgra[0]}, 8);
        }
    XDestroyImage(image);
    EXPECT_EQ(size, height);
    EXPECT_GT(opaque, int(size * size / 2));
    EXPECT_GE(same, opaque * 98 / 100) << same << " of " << opaque << " opaque pixels match";
}

TEST_F(GameShell, HeldEscapeQuits) {
    ASSERT_NO_FATAL_FAILURE(start_game());
    hold_key(x.dpy, XK_Escape, 0.3);
    expect_exit_status(game, 0);
}

// Where the first of each of the start's steps comes among the calls the game made, from the
// 30 Hz timer's on; -1 when it never came.
static std::vector<int> start_steps(const std::vector<std::string> &calls) {
    const char *const STEPS[] = {"install_int_ex 39772",       // the 30 Hz timer
                                 "time",                       // the seed, the clock's
                                 "glEnable 0xde1",             // texturing on
                                 "glClearColor 0.4 0.6 0.8 0", // the sky colour
                                 "glVertexPointer",            // the strands handed to OpenGL
                                 "glTexImage2D",               // the pictures
                                 "glBlendFunc",                // blending and the alpha test
                                 "glClear"};                   // the first frame
    std::vector<int> at;
    auto timer = std::find(calls.begin(), calls.end(), STEPS[0]);
    for (const char *step : STEPS) {
        auto found = std::find(timer, calls.end(), step);
        at.push_back(found == calls.end() ? -1 : int(found - calls.begin()));
    }
    return at;
}

// The start-up runs its steps in the game's order: the timer, the clock's seed, texturing, (the
// world, drawn from the game's own numbers, which nothing outside sees), the sky, the strands handed to OpenGL, the pictures, blending, and only then a frame.
TEST_F(GameShell, StartsUpInItsOrder) {
    std::string log = game.dir + "/start-calls";
    game.preload.push_back(START_CALLS_LIBRARY);
    game.environment.push_back("START_CALLS=" + log);
    ASSERT_NO_FATAL_FAILURE(start_game());
    hold_key(x.dpy, XK_Escape, 0.3);
    expect_exit_status(game, 0);
    std::ifstream file(log);
    std::vector<std::string> calls;
    for (std::string line; std::getline(file, line);)
        calls.push_back(line);
    std::vector<int> at = start_steps(calls);
    std::string seen;
    for (int step : at)
        seen += " " + std::to_string(step);
    for (size_t i = 1; i < at.size(); i++)
        EXPECT_LT(at[i - 1], at[i]) << "steps at" << seen << " of " << calls.size() << " calls";
    EXPECT_GE(at[0], 0) << "no timer installed";
}

// Pressed and released in one go, the key is already up by the time the next frame looks.
TEST_F(GameShell, EscapeTapBetweenFramesQuits) {
    ASSERT_NO_FATAL_FAILURE(start_game());
    ASSERT_TRUE(game.running());
    hold_key(x.dpy, XK_Escape, 0.0);
    expect_exit_status(game, 0);
}

// Space pressed and released between two ticks still starts play.
TEST_F(GameShell, SpaceTapBetweenTicksStartsPlay) {
    ASSERT_NO_FATAL_FAILURE(start_game());
    hold_key(x.dpy, XK_space, 0.0);
    sleep_seconds(1.5);
    Frame frame = grab_frame(x.dpy, window);
    PictureMatch card = match_picture(frame, HAYSTACK_DATA_DIR "/introa.tga", HEIGHT);
    EXPECT_LT(double(card.opaque_shown) / card.opaque, 0.2) << "the title card is gone";
}

TEST_F(GameShell, WindowCloseRequestQuits) {
    ASSERT_NO_FATAL_FAILURE(start_game());
    send_close_request(x.dpy, window);
    expect_exit_status(game, 0);
}

TEST_F(GameShell, KeepsRunningWithCorruptFencePicture) {
    game.add_all_data({"fencea.tga"});
    // Uncompressed 32-bit true colour claiming 65535x65535 pixels, with a short body.
    std::string tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, '\xff', '\xff', '\xff', '\xff', 32, 8};
    game.write_file("fencea.tga", tga + std::string(400, '\x5a'));
    ASSERT_NO_FATAL_FAILURE(start_game(false));
    expect_still_running_until_escape();
}

// With no X server to talk to, the reason goes to stderr and the game fails cleanly.
static void expect_graphics_error_without_server(const char *display) {
    Game game;
    game.add_all_data();
    game.start(display);
    expect_exit_status(game, GRAPHICS_FAILED);
    std::string err = game.output();
    EXPECT_NE(err.find(GRAPHICS_ERROR), std::string::npos) << err;
    EXPECT_NE(err.find(AGL_ERROR), std::string::npos) << err;
}

TEST(NoDisplay, UnsetDisplayIsReported) {
    expect_graphics_error_without_server(nullptr);
}

TEST(NoDisplay, DisplayWithoutServerIsReported) {
    std::string display = ":" + std::to_string(unused_display_number(1500 + getpid() % 500));
    expect_graphics_error_without_server(display.c_str());
}

// The fixed clock of a game killed at a test's end leaves none of its names in shared memory:
// each would stop a later faketime (the release's) that the system gives the same process id.
TEST(FixedClock, AKilledGameLeavesNoNamesBehind) {
    XServer x;
    std::string names[2];
    {
        Game game;
        game.fixed_clock = "2026-01-01 00:00:00";
        game.add_all_data();
        ASSERT_NE(show_game(x, game), 0u);
        std::string pid = std::to_string(game.pid);
        names[0] = "/dev/shm/sem.faketime_sem_" + pid, names[1] = "/dev/shm/faketime_shm_" + pid;
        for (const std::string &name : names)
            ASSERT_TRUE(std::ifstream(name).good()) << name << " while the game runs";
    }
    for (const std::string &name : names)
        EXPECT_FALSE(std::ifstream(name).good()) << name;
}

// A server that turns connections away for a moment (every call to XOpenDisplay that the
// preloaded library refuses, -1: all) and counts the game's tries in `calls_file`.
static void refuse_connections(Game &game, int refusals, const std::string &calls_file) {
    game.preload.push_back(BUSY_X_SERVER_LIBRARY);
    game.environment.push_back("BUSY_X_REFUSALS=" + std::to_string(refusals));
    game.environment.push_back("BUSY_X_CALLS=" + calls_file);
}

static int lines_in(const std::string &file) {
    std::ifstream in(file);
    return int(std::count(std::istreambuf_iterator<char>(in), {}, '\n'));
}

const double BUSY_START_LIMIT = 5.0 * SLOWDOWN; // s: a window despite two refusals, or the end

// Two refusals in a row are ridden out: the window opens all the same, and the intro plays.
TEST(BusyXServer, TwoRefusalsAtStartAreRiddenOut) {
    XServer x;
    ASSERT_NE(x.dpy, nullptr);
    Game game;
    game.add_all_data();
    refuse_connections(game, 2, game.dir + "/calls.txt");
    game.start(x.name.c_str());
    Window window = wait_for_window(x.dpy, WIDTH, HEIGHT, GAME_TITLE, BUSY_START_LIMIT);
    ASSERT_NE(window, 0u) << "no window in " << BUSY_START_LIMIT << " s; output:\n"
                          << game.output();
    EXPECT_EQ(lines_in(game.dir + "/calls.txt"), 3); // two refused, the third connected
    EXPECT_FALSE(recent_sound(game, 4410).empty()) << "no intro; output:\n" << game.output();
}

// A server that never takes the connection: the game gives up after its second of tries, with
// the usual message and status; a display with no server at all is not tried again.
TEST(BusyXServer, EndlessRefusalsEndTheGameWithTheMessage) {
    XServer x;
    ASSERT_NE(x.dpy, nullptr);
    Game game;
    refuse_connections(game, -1, game.dir + "/calls.txt");
    auto started = std::chrono::steady_clock::now();
    game.start(x.name.c_str());
    ASSERT_TRUE(game.wait_exit(BUSY_START_LIMIT))
        << "still trying after " << BUSY_START_LIMIT << " s";
    std::chrono::duration<double> took = std::chrono::steady_clock::now() - started;
    EXPECT_TRUE(WIFEXITED(game.status) && WEXITSTATUS(game.status) == GRAPHICS_FAILED)
        << describe_status(game.status);
    EXPECT_NE(game.output().find(GRAPHICS_ERROR), std::string::npos) << game.output();
    EXPECT_GT(lines_in(game.dir + "/calls.txt"), 10) << "gave up after " << took.count() << " s";

    Game lone;
    refuse_connections(lone, 0, lone.dir + "/calls.txt");
    std::string nowhere = ":" + std::to_string(unused_display_number(1500 + getpid() % 500));
    lone.start(nowhere.c_str());
    expect_exit_status(lone, GRAPHICS_FAILED);
    EXPECT_EQ(lines_in(lone.dir + "/calls.txt"), 1);
}

// An X server without GLX: the game explains itself in a message box and waits for OK. On
// Linux the box is xmessage, whose text the test reads; under wine it is a Windows message
// box, titled as the game's window, whose text is drawn.
TEST(NoOpenGl, MessageBoxExplainsAndOkQuits) {
    XServer x(false);
    ASSERT_NE(x.dpy, nullptr);
    Game game;
    game.add_all_data();
    game.start(x.name.c_str());

    if (!wine_game()) {
        std::vector<std::string> args;
        wait_until(
            [&] {
                args = child_command_line(game.pid, "xmessage");
                return !args.empty() || !game.running();
            },
            START_TIMEOUT);
        ASSERT_FALSE(args.empty())
            << "no xmessage started; " << (game.running() ? "" : describe_status(game.status));
        const std::string &text = args.back();
        EXPECT_EQ(text.rfind(GRAPHICS_ERROR, 0), 0u) << text;
        EXPECT_NE(text.find(AGL_ERROR), std::string::npos) << text;
    }

    Window box = wait_for_window(x.dpy, 0, 0, wine_game() ? GAME_TITLE : "xmessage", START_TIMEOUT);
    ASSERT_NE(box, 0u) << "the message box never showed; "
                       << (game.running() ? "the game runs" : describe_status(game.status))
                       << "; output:\n"
                       << game.output() << "\nwindows:\n"
                       << x.windows();
    sleep_seconds(1.0);
    ASSERT_TRUE(game.running()) << "quit without waiting for OK: " << describe_status(game.status);
    save_screenshot(grab_frame(x.dpy, box), "no_opengl_message");
    focus(x.dpy, box);
    hold_key(x.dpy, XK_Return, 0.1);
    expect_exit_status(game, GRAPHICS_FAILED);
}
