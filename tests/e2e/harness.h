// End-to-end harness: a private X server per test, the real game in a scratch directory,
// input through XTest, and what the window shows read back with XGetImage.
#pragma once

#include <gtest/gtest.h> // ahead of Xlib, whose None and Bool macros break it
#include <X11/Xlib.h>
#include <sys/types.h>
#include <array>
#include <chrono>
#include <cstdlib>
#include <functional>
#include <initializer_list>
#include <string>
#include <thread>
#include <vector>

// How many times longer the game takes to start, draw and take in a key when the tests run a
// build for another processor under an emulator (HAYSTACK_EMULATOR): emulated software GL
// draws about a frame a second.
const double SLOWDOWN = std::getenv("HAYSTACK_EMULATOR") ? 5.0 : 1.0;
// Seconds for each stage of the game's start (its window, its sound, its first frame), measured
// with the machine loaded (docs/reliability.md): natively at most 2 s to the first frame (5 s
// sanitized), under wine at most 6 s, a first game in a fresh wine prefix once over 20 s; 50 s
// is more than twice the slowest.
const double START_TIMEOUT = 50.0 * SLOWDOWN;
const double EXIT_TIMEOUT = 10.0 * SLOWDOWN; // seconds from the quitting input to the exit
// Seconds for what the game does to show in its window: a frame or two, and the slowest frames
// measured with both cores busy beside the tests took about a second (docs/reliability.md).
const double SHOW_TIMEOUT = 10.0 * SLOWDOWN;

// Polls `ready` every 20 ms until it holds or `seconds` pass; whether it held.
template <class Pred> bool wait_until(Pred ready, double seconds) {
    auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!ready()) {
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void sleep_seconds(double seconds);

// A display number nothing listens on (no socket, no lock file), `from` or above.
int unused_display_number(int from);

// Xvfb with a width x height x 24 screen on a free display number, for the lifetime of the
// object; with openbox as its window manager if asked.
struct XServer {
    explicit XServer(bool with_glx = true, int width = 800, int height = 600,
                     bool window_manager = false);
    ~XServer();
    // Ends the server early under its other clients: SIGTERM as when a session ends,
    // SIGKILL as when it crashes.
    void stop(int signal);
    std::string windows() const; // every window on the screen, for a failure message
    std::string name;            // ":n"
    Display *dpy = nullptr;
    pid_t pid = -1;
    pid_t window_manager_pid = -1; // openbox, if it runs
};

// The Windows build's haystack.exe when the tests run it through wine (HAYSTACK_WINE_GAME, in
// the wine prefix WINEPREFIX names); nullptr when they run the Linux build.
const char *wine_game();
// The build for another processor when the tests run it under an emulator
// (HAYSTACK_EMULATED_GAME, started by the program HAYSTACK_EMULATOR names); nullptr otherwise.
const char *emulated_game();
// The game the tests start: under wine, under an emulator, or the Linux build.
inline const char *game_program() {
    return wine_game() ? wine_game() : emulated_game() ? emulated_game() : HAYSTACK_BINARY;
}

// One run of the game in a scratch working directory holding only the files a test put
// there; its audio goes to `audio_file` through SDL's disk driver, stdout and stderr to a log.
struct Game {
    Game();
    ~Game();
    void add_data(const std::string &file); // links a file of the project's data directory
    void add_all_data(std::initializer_list<std::string> except = {}); // all but `except`
    void write_file(const std::string &file, const std::string &bytes);
    void start(const char *display); // nullptr: DISPLAY unset
    bool running();
    bool wait_exit(double seconds); // whether it exited in time
    std::string output() const;
    std::string dir, audio_file;
    std::string program = game_program(); // what is started
    std::vector<std::string> args;        // its command line after the program's name
    std::string config_home;              // XDG_CONFIG_HOME, where the settings file goes
    std::string data_home;                // XDG_DATA_HOME, where the replays go
    std::string working_dir;              // where it starts; empty: `dir`
    std::string audio_driver = "disk";    // SDL's audio driver for the game
    std::string fixed_clock; // "YYYY-MM-DD hh:mm:ss" UTC the game's clock starts at; empty: now
    std::vector<std::string> preload;     // libraries preloaded into the game (LD_PRELOAD)
    std::vector<std::string> environment; // more "NAME=value" settings for the game
    pid_t pid = -1;
    int status = 0; // wait status, once reaped
    bool reaped = false;
};

// What a shell command printed, standard output and error together, and its exit status.
struct Ran {
    int status;
    std::string output;
};
Ran run(const std::string &command);
std::string quoted(const std::string &path); // in single quotes, for the shell

// A search that `record_search` writes into a scratch folder, named there, is proven by
// `launcher` --verify started in that folder with no display: status 0 and its line.
void expect_launcher_verifies(const std::string &launcher, const std::string &record_search);
// What desktop-file-validate finds wrong with a desktop entry; empty when nothing.
std::string desktop_entry_complaints(const std::string &entry);

// "exit status N" or "killed by signal N".
std::string describe_status(int status);

// The arguments of a process named `name` whose parent is `parent`; empty if none.
std::vector<std::string> child_command_line(pid_t parent, const std::string &name);

// A viewable top-level window of that size (0: any) and title (nullptr: any); 0 on timeout.
Window wait_for_window(Display *dpy, int width, int height, const char *title, double seconds);

void focus(Display *dpy, Window window);
void hold_key(Display *dpy, KeySym key, double seconds);         // 0 s: at once; times SLOWDOWN
void press_key(Display *dpy, KeySym key, bool down);             // down stays down until let go
void hold_button(Display *dpy, unsigned button, double seconds); // at the pointer's place
void move_mouse(Display *dpy, Window window, int x, int y);
void send_close_request(Display *dpy, Window window); // what a window manager's close button does
// Holds `key` until `window` has shown two new frames, so that whole ticks ran while it was
// down however slowly the game draws; at most 3 s.
void tap_key(Display *dpy, Window window, KeySym key);

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb &o) const {
        return r == o.r && g == o.g && b == o.b;
    }
};

const int WIDTH = 640, HEIGHT = 480; // the game's window, pixels
// The game's window is found by its title as well as its size: under wine, other windows of its
// size come and go while the OpenGL pixel format is picked, each gone before a frame is drawn.
const char *const GAME_TITLE = "Haystack";
const Rgb SKY = {102, 153, 204}; // the clear colour (0.4, 0.6, 0.8)
inline bool is_sky(Rgb p) {
    return p == SKY;
}

// A whole window's pixels at one moment.
struct Frame {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb; // rows of 8-bit r, g, b from the top left
    Rgb at(int x, int y) const {
        const unsigned char *p = &rgb[3 * (y * width + x)];
        return {p[0], p[1], p[2]};
    }
};
Frame grab_frame(Display *dpy, Window window); // empty if unreadable
// The frame `window` shows once it has shown `count` new ones since the call (or `seconds`
// passed): with the second, ticks that ran after the call are drawn, however slow the frames.
Frame wait_for_new_frames(Display *dpy, Window window, int count, double seconds);
// The frame `window` shows once the game has drawn into it `count` times since the call (or
// `seconds` passed), as the X server reports drawing, whether or not the picture changed: for a
// picture that is to stand still. A frame may come as more than one drawing. An empty frame if
// the game drew less in that time.
Frame wait_for_drawn_frames(Display *dpy, Window window, int count, double seconds);
// The first frame of `window` for which `shows` holds, polled until `seconds` pass; else the
// last one grabbed.
Frame wait_for_frame(Display *dpy, Window window, const std::function<bool(const Frame &)> &shows,
                     double seconds);

bool near(const Rgb &a, const Rgb &b, int tolerance); // each channel within `tolerance`

// The share of the frame's pixels in the box [x0, x1) x [y0, y1) that pass `test`.
double share(const Frame &f, int x0, int y0, int x1, int y1, const std::function<bool(Rgb)> &test);

// A 32-bit TGA, top row first, with each pixel's r, g, b, a from `paint`.
std::string tga(int w, int h, const std::function<std::array<int, 4>(int, int)> &paint);

// How a picture file drawn across the window's width (or its columns [left, right), right 0:
// the frame's width) from its top down to row `bottom`
// shows in a frame, sampled where the picture is the same all around (so filtering
// cannot blur it). The game draws its pictures in yellow, so their blue is lost.
struct PictureMatch {
    int opaque = 0, opaque_shown = 0; // samples where the picture is opaque; those showing it
    int clear = 0, clear_open = 0;    // samples where it is see-through; those showing the scene
};
PictureMatch match_picture(const Frame &frame, const std::string &picture, int bottom, int left = 0,
                           int right = 0);
// After a moment's play, the frame, saved as screenshot `name`, shows the title card's
// picture over the window rather than plain yellow.
void expect_title_card(Display *dpy, Window window, const std::string &name);
// Writes the frame to <screenshot dir>/<name>.png (wine_<name>.png under wine, emulated_<name>.png
// under an emulator); the path, empty on failure.
std::string save_screenshot(const Frame &frame, const std::string &name);

// The last `frames` of the game's recorded sound, once there are that many (within 10 s): on
// a busy machine the disk driver falls behind the clock. Empty if they never come.
std::vector<float> recent_sound(Game &game, long frames);

// Waits for the game to exit and checks its exit status.
void expect_exit_status(Game &game, int code);

// Starts the game on `x`, waits for its window (of that size, 0: any; titled as the game's when
// that is 0 or a window manager runs) and then until it listens to the keyboard, and gives the
// window the focus; the window, 0 after a failure.
Window show_game(XServer &x, Game &game, int width = 640, int height = 480);

// The whole of a file, empty if it cannot be read.
std::string file_text(const std::string &path);

// The settings file the game keeps its display choice in, under `game.config_home` (or in the
// wine prefix's application data, which each new Game empties).
std::string settings_file(const Game &game);

// The game on a display of its own, started with whichever data files a test put in place.
class RunningGame : public ::testing::Test {
  protected:
    XServer x;
    Game game;
    Window window = 0;

    // Starts the game, waits for its window and then until it listens to the keyboard.
    void start_game(bool with_all_data = true);
};
