// End-to-end harness: see harness.h.
#include "harness.h"

#include "scratch_dir.h"

#include "audio_probe.h"
#include "data_files.h"
#include "tga.h"
#include "x_window.h"

#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/extensions/Xdamage.h>
#include <fcntl.h>
#include <png.h>
#include <SOIL/SOIL.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

void sleep_seconds(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

int unused_display_number(int from) {
    std::string n = std::to_string(from);
    if (fs::exists("/tmp/.X11-unix/X" + n) || fs::exists("/tmp/.X" + n + "-lock"))
        return unused_display_number(from + 1);
    return from;
}

// Windows may vanish between listing and asking about them; such errors are expected.
static int ignore_x_error(Display *, XErrorEvent *) {
    return 0;
}

// Starts Xvfb on display `n`; its pid once it accepts connections, -1 if it gave up.
static pid_t start_xvfb(int n, bool with_glx, const std::string &screen) {
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        fcntl(ready[1], F_SETFD, 0);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        std::string name = ":" + std::to_string(n), fd = std::to_string(ready[1]);
        const char *no_glx = with_glx ? nullptr : "-extension";
        execlp("Xvfb", "Xvfb", name.c_str(), "-screen", "0", screen.c_str(), "-nolisten", "tcp",
               "-displayfd", fd.c_str(), no_glx, "GLX", (char *)nullptr);
        _exit(127);
    }
    close(ready[1]);
    // It writes the number, then a newline: closing before the newline would kill it.
    pollfd p = {ready[0], POLLIN, 0};
    char c = 0;
    while (c != '\n' && poll(&p, 1, 15000) == 1 && read(ready[0], &c, 1) == 1) {
    }
    close(ready[0]);
    if (c == '\n' || pid < 0)
        return pid;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

// Whether the window manager shows a window mapped now. It says which states it offers before
// its loop runs, and a window mapped in between is lost: it never shows, and the windowing
// library waits for it for ever. So a probe window is mapped, once a second, until one shows.
static bool maps_windows(Display *dpy) {
    for (int tries = 0; tries < 15; tries++) {
        Window probe = XCreateSimpleWindow(dpy, DefaultRootWindow(dpy), 0, 0, 16, 16, 0, 0, 0);
        XMapWindow(dpy, probe);
        XSync(dpy, False);
        bool shown = wait_until(
            [&] {
                XWindowAttributes a;
                return XGetWindowAttributes(dpy, probe, &a) && a.map_state == IsViewable;
            },
            1.0);
        XDestroyWindow(dpy, probe);
        XSync(dpy, False);
        if (shown)
            return true;
    }
    return false;
}

// Starts openbox on `display`; its pid once it says which states it offers, -1 if it never did.
static pid_t start_openbox(Display *dpy, const std::string &display) {
    pid_t pid = fork();
    if (pid == 0) {
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        dup2(null, 2);
        setenv("DISPLAY", display.c_str(), 1);
        execlp("openbox", "openbox", "--sm-disable", (char *)nullptr);
        _exit(127);
    }
    Atom supported = XInternAtom(dpy, "_NET_SUPPORTED", False);
    auto ready = [&] {
        int count = 0;
        Atom *props = XListProperties(dpy, DefaultRootWindow(dpy), &count);
        bool found = props && std::find(props, props + count, supported) != props + count;
        if (props)
            XFree(props);
        return found;
    };
    if (pid > 0 && wait_until(ready, 15.0) && maps_windows(dpy))
        return pid;
    ADD_FAILURE() << "openbox did not start";
    return -1;
}

XServer::XServer(bool with_glx, int width, int height, bool window_manager) {
    XSetErrorHandler(ignore_x_error);
    std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
    int n = 300 + getpid() % 500;
    for (int tries = 0; tries < 20 && pid <= 0; tries++) { // after a lost race, the next one
        n = unused_display_number(n + (tries > 0));
        pid = start_xvfb(n, with_glx, screen);
    }
    name = ":" + std::to_string(n);
    if (pid > 0)
        dpy = XOpenDisplay(name.c_str());
    if (!dpy)
        ADD_FAILURE() << "no Xvfb could be started";
    else if (window_manager)
        window_manager_pid = start_openbox(dpy, name);
}

XServer::~XServer() {
    stop(SIGTERM); // not SIGKILL: it removes its lock file and socket on the way out
}

void XServer::stop(int signal) {
    if (window_manager_pid > 0) {
        kill(window_manager_pid, SIGTERM);
        waitpid(window_manager_pid, nullptr, 0);
        window_manager_pid = -1;
    }
    if (dpy)
        XCloseDisplay(dpy); // while the server can still answer
    dpy = nullptr;
    if (pid <= 0)
        return;
    kill(pid, signal);
    waitpid(pid, nullptr, 0);
    pid = -1;
    if (signal != SIGKILL)
        return;
    std::string n = name.substr(1); // what a killed server leaves behind
    fs::remove("/tmp/.X11-unix/X" + n);
    fs::remove("/tmp/.X" + n + "-lock");
}

std::string XServer::windows() const {
    return run("xwininfo -root -tree -display " + name).output;
}

const char *wine_game() {
    return std::getenv("HAYSTACK_WINE_GAME");
}

const char *emulated_game() {
    return std::getenv("HAYSTACK_EMULATED_GAME");
}

// A wine server that outlives each game, started ahead of a game with a fixed clock and without
// that clock: the server times the waits of every program under wine, so its clock must run.
// The wine prefix's end-of-tests step stops it.
static void keep_wine_server() {
    if (std::system("wineserver -p 2>/dev/null")) {
        // already running
    }
}

// The folder the game under wine keeps its settings in: in the prefix's roaming application
// data, shared by every game of the prefix.
static fs::path wine_settings_folder() {
    const char *prefix = std::getenv("WINEPREFIX");
    const char *user = std::getenv("USER");
    return fs::path(prefix ? prefix : "") / "drive_c/users" / (user ? user : "root") /
           "AppData/Roaming/Haystack";
}

Game::Game() {
    char scratch[] = "/tmp/haystack-e2e-XXXXXX";
    dir = mkdtemp(scratch);
    audio_file = dir + "/audio.raw";
    config_home = dir + "/config";
    data_home = dir + "/data";
    if (wine_game())
        fs::remove_all(wine_settings_folder()); // every game starts with no choice kept
}

std::string file_text(const std::string &path) {
    std::ostringstream text;
    text << std::ifstream(path).rdbuf();
    return text.str();
}

std::string settings_file(const Game &game) {
    if (wine_game())
        return (wine_settings_folder() / "haystack.conf").string();
    return game.config_home + "/haystack/haystack.conf";
}

// libfaketime names a semaphore and a shared memory object after each process it is preloaded
// into, and removes them as that process exits. A killed game leaves them behind, and a later
// process that the system gives the same id then cannot start the faketime wrapper ("sem_open:
// File exists"). Removes those of every process that is gone.
static void remove_killed_clocks_names() {
    std::error_code ignored; // a name another test removes first is gone all the same
    for (const auto &entry : fs::directory_iterator("/dev/shm", ignored)) {
        std::string name = entry.path().filename().string();
        size_t digits = name.find_first_of("0123456789");
        std::string stem = name.substr(0, digits);
        if ((stem != "sem.faketime_sem_" && stem != "faketime_shm_") ||
            name.find_first_not_of("0123456789", digits) != std::string::npos)
            continue;
        if (kill(std::atoi(name.c_str() + digits), 0) != 0 && errno == ESRCH)
            fs::remove(entry.path(), ignored);
    }
}

Game::~Game() {
    if (pid > 0 && !reaped) {
        kill(-pid, SIGKILL); // its process group: a message box it started goes too
        waitpid(pid, nullptr, 0);
    }
    if (!fixed_clock.empty())
        remove_killed_clocks_names();
    fs::remove_all(dir);
}

void Game::add_data(const std::string &file) {
    fs::path from = fs::path(HAYSTACK_DATA_DIR) / file;
    if (!fs::exists(from))
        ADD_FAILURE() << "data file missing: " << from;
    fs::create_symlink(from, fs::path(dir) / file);
}

void Game::add_all_data(std::initializer_list<std::string> except) {
    for (const char *file : DATA_FILES)
        if (std::find(except.begin(), except.end(), file) == except.end())
            add_data(file);
}

void Game::write_file(const std::string &file, const std::string &bytes) {
    std::ofstream(dir + "/" + file, std::ios::binary) << bytes;
}

// A Windows program: started through wine.
static bool is_windows_program(const std::string &program) {
    return program.size() > 4 && program.compare(program.size() - 4, 4, ".exe") == 0;
}

void Game::start(const char *display) {
    bool under_wine = is_windows_program(program);
    if (under_wine && !fixed_clock.empty())
        keep_wine_server();
    pid = fork();
    if (pid != 0) {
        ASSERT_GT(pid, 0) << "fork failed";
        return;
    }
    setpgid(0, 0);
    display ? setenv("DISPLAY", display, 1) : unsetenv("DISPLAY");
    setenv("SDL_AUDIODRIVER", audio_driver.c_str(), 1);
    setenv("SDL_DISKAUDIOFILE", audio_file.c_str(), 1);
    setenv("XDG_CONFIG_HOME", config_home.c_str(), 1);
    setenv("XDG_DATA_HOME", data_home.c_str(), 1);
    // X and Mesa do not free everything at exit; a fixed clock is preloaded ahead of ASan.
    setenv("ASAN_OPTIONS", "detect_leaks=0:verify_asan_link_order=0:quarantine_size_mb=4", 1);
    std::string preloaded;
    for (const std::string &library : preload)
        preloaded += library + ":";
    if (!fixed_clock.empty()) {
        preloaded += FAKETIME_LIBRARY;
        setenv("TZ", "UTC", 1);
        // Under wine the program loads for a varying while before it reads the clock, so the
        // clock stands still at its moment instead of running on from it; the game's tick
        // timer runs off the monotonic clock, which stays real.
        setenv("FAKETIME", ((under_wine ? "" : "@") + fixed_clock).c_str(), 1);
        setenv("FAKETIME_DONT_FAKE_MONOTONIC", "1", 1);
    }
    if (!preloaded.empty())
        setenv("LD_PRELOAD", preloaded.c_str(), 1);
    for (const std::string &setting : environment)
        putenv(const_cast<char *>(setting.c_str())); // the child's own copy of the game
    int log = open((dir + "/output.txt").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(log, 1);
    dup2(log, 2);
    if (chdir((working_dir.empty() ? dir : working_dir).c_str()) != 0)
        _exit(127);
    // Through wine or the emulator when the program is theirs, with the test's arguments.
    const char *emulator = std::getenv("HAYSTACK_EMULATOR");
    std::vector<const char *> argv = {"haystack"};
    const char *runner = program.c_str();
    if (under_wine)
        runner = "wine";
    else if (emulator && emulated_game() && program == emulated_game())
        runner = emulator;
    if (runner != program.c_str())
        argv = {runner, program.c_str()};
    for (const std::string &arg : args)
        argv.push_back(arg.c_str());
    argv.push_back(nullptr);
    execvp(runner, const_cast<char *const *>(argv.data()));
    _exit(127);
}

bool Game::running() {
    if (pid > 0 && !reaped)
        reaped = waitpid(pid, &status, WNOHANG) == pid;
    return pid > 0 && !reaped;
}

bool Game::wait_exit(double seconds) {
    return wait_until([&] { return !running(); }, seconds);
}

std::string Game::output() const {
    std::ostringstream text;
    text << std::ifstream(dir + "/output.txt").rdbuf();
    return text.str();
}

Ran run(const std::string &command) {
    Ran ran = {-1, ""};
    FILE *out = popen(("(" + command + ") 2>&1").c_str(), "r");
    if (!out)
        return ran;
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, out)) > 0;)
        ran.output.append(buffer, n);
    int status = pclose(out);
    ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return ran;
}

// Debian 12's validator predates version 1.5 of the format, so its two complaints about that
// version and its SingleMainWindow key are set aside; anything else counts.
std::string desktop_entry_complaints(const std::string &entry) {
    Ran valid =
        run("desktop-file-validate " + quoted(entry) +
            " | grep -v -e 'value \"1.5\" for key \"Version\"' -e 'key \"SingleMainWindow\"'");
    return valid.output;
}

std::string quoted(const std::string &path) {
    return "'" + path + "'";
}

std::string describe_status(int status) {
    if (WIFSIGNALED(status))
        return "killed by signal " + std::to_string(WTERMSIG(status));
    return "exit status " + std::to_string(WEXITSTATUS(status));
}

std::vector<std::string> child_command_line(pid_t parent, const std::string &name) {
    for (const auto &proc : fs::directory_iterator("/proc")) {
        std::string stat, comm;
        std::getline(std::ifstream(proc.path() / "stat"), stat);
        std::getline(std::ifstream(proc.path() / "comm"), comm);
        size_t after_name = stat.rfind(") ");
        if (comm != name || after_name == std::string::npos ||
            std::atoi(stat.c_str() + after_name + 4) != parent) // ") S <ppid>"
            continue;
        std::vector<std::string> args;
        std::ifstream cmdline(proc.path() / "cmdline");
        for (std::string arg; std::getline(cmdline, arg, '\0');)
            args.push_back(arg);
        return args;
    }
    return {};
}

Window wait_for_window(Display *dpy, int width, int height, const char *title, double seconds) {
    Window found = 0;
    wait_until([&] { return (found = find_window(dpy, width, height, title)) != 0; }, seconds);
    return found;
}

void focus(Display *dpy, Window window) {
    XSetInputFocus(dpy, window, RevertToPointerRoot, CurrentTime);
    XSync(dpy, False);
}

void hold_key(Display *dpy, KeySym key, double seconds) {
    KeyCode code = XKeysymToKeycode(dpy, key);
    XTestFakeKeyEvent(dpy, code, True, CurrentTime);
    if (seconds > 0) {
        XSync(dpy, False);
        sleep_seconds(seconds * SLOWDOWN);
    }
    XTestFakeKeyEvent(dpy, code, False, CurrentTime);
    XSync(dpy, False);
}

void press_key(Display *dpy, KeySym key, bool down) {
    XTestFakeKeyEvent(dpy, XKeysymToKeycode(dpy, key), down, CurrentTime);
    XSync(dpy, False);
}

Frame wait_for_frame(Display *dpy, Window window, const std::function<bool(const Frame &)> &shows,
                     double seconds) {
    Frame frame;
    wait_until([&] { return shows(frame = grab_frame(dpy, window)); }, seconds);
    return frame;
}

Frame wait_for_new_frames(Display *dpy, Window window, int count, double seconds) {
    Frame last = grab_frame(dpy, window);
    int changes = 0;
    wait_until(
        [&] {
            Frame now = grab_frame(dpy, window);
            if (now.rgb != last.rgb)
                changes++, last = std::move(now);
            return changes >= count;
        },
        seconds);
    return last;
}

Frame wait_for_drawn_frames(Display *dpy, Window window, int count, double seconds) {
    int event_base, error_base;
    if (!XDamageQueryExtension(dpy, &event_base, &error_base))
        return {};
    Damage damage = XDamageCreate(dpy, window, XDamageReportNonEmpty);
    XSync(dpy, False);
    int drawn = 0;
    wait_until(
        [&] {
            XEvent e;
            while (drawn < count && XCheckTypedEvent(dpy, event_base + XDamageNotify, &e)) {
                drawn++;
                XDamageSubtract(dpy, damage, None, None); // the next draw reports again
                XSync(dpy, False);
            }
            return drawn >= count;
        },
        seconds);
    XDamageDestroy(dpy, damage);
    XSync(dpy, False);
    XEvent stale; // reports of this window left over, so that the next wait starts afresh
    while (XCheckTypedEvent(dpy, event_base + XDamageNotify, &stale)) {
    }
    return drawn >= count ? grab_frame(dpy, window) : Frame();
}

void tap_key(Display *dpy, Window window, KeySym key) {
    press_key(dpy, key, true);
    wait_for_new_frames(dpy, window, 2, 3.0);
    press_key(dpy, key, false);
}

void hold_button(Display *dpy, unsigned button, double seconds) {
    XTestFakeButtonEvent(dpy, button, True, CurrentTime);
    XSync(dpy, False);
    sleep_seconds(seconds);
    XTestFakeButtonEvent(dpy, button, False, CurrentTime);
    XSync(dpy, False);
}

void move_mouse(Display *dpy, Window window, int x, int y) {
    int root_x, root_y;
    Window child;
    XTranslateCoordinates(dpy, window, DefaultRootWindow(dpy), x, y, &root_x, &root_y, &child);
    XTestFakeMotionEvent(dpy, DefaultScreen(dpy), root_x, root_y, CurrentTime);
    XSync(dpy, False);
}

void send_close_request(Display *dpy, Window window) {
    XEvent e = {};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(dpy, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = XInternAtom(dpy, "WM_DELETE_WINDOW", False);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(dpy, window, False, NoEventMask, &e);
    XSync(dpy, False);
}

Frame grab_frame(Display *dpy, Window window) {
    Frame frame;
    XWindowAttributes a;
    XImage *image = XGetWindowAttributes(dpy, window, &a)
                        ? XGetImage(dpy, window, 0, 0, a.width, a.height, AllPlanes, ZPixmap)
                        : nullptr;
    if (!image)
        return frame;
    // Read 32-bit pixels straight from the rows: a pixel-by-pixel call is too slow to see
    // every frame the game draws.
    bool direct = image->bits_per_pixel == 32 && image->byte_order == LSBFirst;
    frame.rgb.reserve(3 * size_t(a.width) * a.height);
    for (int row = 0; row < a.height; row++)
        for (int col = 0; col < a.width; col++) {
            unsigned long p = direct ? reinterpret_cast<const uint32_t *>(
                                           image->data + row * image->bytes_per_line)[col]
                                     : XGetPixel(image, col, row);
            for (unsigned long mask : {image->red_mask, image->green_mask, image->blue_mask})
                frame.rgb.push_back((p & mask) >> __builtin_ctzl(mask));
        }
    XDestroyImage(image);
    frame.width = a.width;
    frame.height = a.height;
    return frame;
}

bool near(const Rgb &a, const Rgb &b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

double share(const Frame &f, int x0, int y0, int x1, int y1, const std::function<bool(Rgb)> &test) {
    int hits = 0;
    for (int py = y0; py < y1; py++)
        for (int px = x0; px < x1; px++)
            hits += test(f.at(px, py));
    return double(hits) / ((x1 - x0) * (y1 - y0));
}

std::string tga(int w, int h, const std::function<std::array<int, 4>(int, int)> &paint) {
    Picture picture = {w, h, Bytes()};
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++)
            for (int channel : paint(x, y))
                picture.rgba.push_back(channel);
    Bytes file = encode_tga(picture, 2, 32, true, false);
    return std::string(file.begin(), file.end());
}

PictureMatch match_picture(const Frame &frame, const std::string &picture, int bottom, int left,
                           int right) {
    right = right ? right : frame.width;
    PictureMatch match;
    int w = 0, h = 0, channels = 0;
    unsigned char *card = SOIL_load_image(picture.c_str(), &w, &h, &channels, SOIL_LOAD_RGBA);
    if (!card || frame.rgb.empty())
        return match;
    auto texel = [&](int tx, int ty) {
        const unsigned char *p =
            card + 4 * (std::clamp(ty, 0, h - 1) * w + std::clamp(tx, 0, w - 1));
        return std::array<int, 4>{p[0], p[1], p[2], p[3]};
    };
    for (int py = 2; py < bottom; py += 4)
        for (int px = left + 2; px < right; px += 4) {
            int tx = (px - left + 0.5) * w / (right - left), ty = (py + 0.5) * h / bottom;
            std::array<int, 4> centre = texel(tx, ty);
            bool uniform = true;
            for (int dy = -2; dy <= 2; dy++)
                for (int dx = -2; dx <= 2; dx++)
                    uniform = uniform && texel(tx + dx, ty + dy) == centre;
            if (!uniform)
                continue;
            bool shown = near(frame.at(px, py), {centre[0], centre[1], 0}, 6);
            if (centre[3] == 255) {
                match.opaque++;
                match.opaque_shown += shown;
            } else {
                match.clear++;
                match.clear_open += !shown;
            }
        }
    SOIL_free_image_data(card);
    return match;
}

void expect_title_card(Display *dpy, Window window, const std::string &name) {
    sleep_seconds(1.5);
    Frame frame = grab_frame(dpy, window);
    save_screenshot(frame, name);
    PictureMatch card = match_picture(frame, HAYSTACK_DATA_DIR "/introa.tga", HEIGHT);
    ASSERT_GT(card.opaque, 500);
    EXPECT_GT(double(card.opaque_shown) / card.opaque, 0.9) << "the title card, not plain yellow";
}

std::string save_screenshot(const Frame &frame, const std::string &name) {
    fs::create_directories(SCREENSHOT_DIR);
    const char *kind = wine_game() ? "wine_" : emulated_game() ? "emulated_" : "";
    std::string path = std::string(SCREENSHOT_DIR) + "/" + kind + name + ".png";
    png_image png = {};
    png.version = PNG_IMAGE_VERSION;
    png.width = frame.width;
    png.height = frame.height;
    png.format = PNG_FORMAT_RGB;
    bool saved = !frame.rgb.empty() &&
                 png_image_write_to_file(&png, path.c_str(), 0, frame.rgb.data(), 0, nullptr);
    return saved ? path : "";
}

std::vector<float> recent_sound(Game &game, long frames) {
    if (!wait_until([&] { return recorded_frames(game.audio_file) >= frames; }, 10.0))
        return {};
    long now = recorded_frames(game.audio_file);
    return read_mono(game.audio_file, now - frames, now);
}

void expect_exit_status(Game &game, int code) {
    ASSERT_TRUE(game.wait_exit(EXIT_TIMEOUT)) << "the game did not exit; output so far:\n"
                                              << game.output();
    EXPECT_TRUE(WIFEXITED(game.status) && WEXITSTATUS(game.status) == code)
        << describe_status(game.status) << "; output:\n"
        << game.output();
}

// Whether the window shows a frame of the game rather than the black it opens with.
static bool frame_drawn(Display *dpy, Window window) {
    Frame frame = grab_frame(dpy, window);
    auto black = [](Rgb p) { return p == Rgb{0, 0, 0}; };
    return !frame.rgb.empty() && share(frame, 0, 0, frame.width, frame.height, black) < 0.5;
}

// Where each thread of process `pid` stands (gdb, where it is found).
static std::string thread_stacks(pid_t pid) {
    return run("command -v gdb >/dev/null && timeout 60 gdb -p " + std::to_string(pid) +
               " -batch -ex 'thread apply all bt' 2>/dev/null | grep -E '^(Thread|#)'")
        .output;
}

// Where each of the game's threads stands, for a start that stalled.
static std::string game_stacks(const Game &game) {
    if (wine_game() || game.pid <= 0)
        return "";
    return "\nthe game's threads:\n" + thread_stacks(game.pid);
}

// Whether the window manager, if one runs, still does, where its threads stand, and the windows
// the server holds: for a window that never showed (the windowing library waits for the window
// manager to show it).
static std::string window_manager_state(const XServer &x) {
    if (x.window_manager_pid <= 0)
        return "";
    std::string state = file_text("/proc/" + std::to_string(x.window_manager_pid) + "/stat");
    bool running = !state.empty() && state.find(") Z") == std::string::npos;
    return running ? "\nthe window manager's threads:\n" + thread_stacks(x.window_manager_pid) +
                         "\nwindows:\n" + x.windows()
                   : "\nthe window manager has ended\nwindows:\n" + x.windows();
}

Window show_game(XServer &x, Game &game, int width, int height) {
    auto started = std::chrono::steady_clock::now();
    auto since_start = [&] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    game.start(x.name.c_str());
    Window window = wait_for_window(x.dpy, width, height, GAME_TITLE, START_TIMEOUT);
    if (!window) {
        ADD_FAILURE() << "no " << width << "x" << height << " window; output:\n"
                      << game.output() << window_manager_state(x) << game_stacks(game);
        return 0;
    }
    double window_at = since_start();
    // The audio device opens right before input is installed.
    if (!wait_until([&] { return recorded_frames(game.audio_file) > 0; }, START_TIMEOUT)) {
        ADD_FAILURE() << "no audio was ever recorded, " << window_at
                      << " s after the window showed; output:\n"
                      << game.output() << game_stacks(game);
        return 0;
    }
    double sound_at = since_start();
    // The world is made after that; then the main loop, which reads the keys, draws its first
    // frame over the black: in the sanitized build often a second later.
    if (!wait_until([&] { return frame_drawn(x.dpy, window); }, START_TIMEOUT)) {
        // What the window holds, kept for a person to look at.
        std::string shown = save_screenshot(grab_frame(x.dpy, window), "stalled_start");
        ADD_FAILURE() << "no frame was ever drawn (the window: " << shown << "); output:\n"
                      << game.output() << game_stacks(game) << "\nwindows, 0x" << std::hex << window
                      << std::dec << " the one watched:\n"
                      << x.windows();
        return 0;
    }
    // What the time-outs are measured against (docs/reliability.md).
    std::printf("game start: window %.2f s, sound %.2f s, first frame %.2f s\n", window_at,
                sound_at, since_start());
    std::fflush(stdout); // kept should the test then hang and be killed
    sleep_seconds(0.5);
    focus(x.dpy, window);
    return window;
}

void RunningGame::start_game(bool with_all_data) {
    ASSERT_NE(x.dpy, nullptr);
    if (with_all_data)
        game.add_all_data();
    window = show_game(x, game);
    ASSERT_NE(window, 0u);
}

void expect_launcher_verifies(const std::string &launcher, const std::string &record_search) {
    std::string in = "cd " + quoted(scratch_dir()) + " && ";
    Ran made = run(in + quoted(record_search) + " search.hsr --field 9");
    ASSERT_EQ(made.status, 0) << made.output;
    Ran verified = run(in + "env -u DISPLAY " + quoted(launcher) + " --verify search.hsr");
    EXPECT_EQ(verified.status, 0) << verified.output;
    EXPECT_EQ(verified.output.rfind("search.hsr: field 9, found in ", 0), 0u) << verified.output;
}
