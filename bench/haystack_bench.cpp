// Measures the game and prints its tables: the cost of its frame against a bare reference
// frame in three views, and in three window sizes; its start-up, the cadence of its 30 Hz
// timer and its memory; and the cost of verifying a replay against that of making its world.
// `haystack_bench --replays` prints the last table alone, without a display.
#include <allegro.h>
#include <alleggl.h>
#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "controls.h"
#include "found_search.h"
#include "framing.h"
#include "game_state.h"
#include "gamepad.h"
#include "music.h"
#include "options_screen.h"
#include "picture.h"
#include "play.h"
#include "process_memory.h"
#include "render.h"
#include "replay.h"
#include "settings.h"
#include "window.h"
#include "world.h"
#include "x_window.h"

const unsigned WORLD_SEED = 1;       // the world every frame is measured in
const int FRAMES_PER_KIND = 300;     // game frames, and as many bare ones, in each view
const int BLOCK = 10;                // frames of one kind in a row before switching
const int WORLD_RUNS = 21;           // world generations timed; the median is shown
const int TEXTURE_RUNS = 5;          // loads of the four pictures timed; the median is shown
const int GAME_STARTS = 5;           // real game starts timed to their first frame
const double GAME_SETTLE = 3.0;      // seconds the real game runs before its memory is read
const double CADENCE_SECONDS = 20.0; // how long the tick timer is watched
const int MAX_TICKS = 1000;          // room for the ticks of one watch, with slack
const long SEARCH_FIELD = 20261209;  // the numbered field of the one-minute search verified
const int TITLE_TICKS = 300;         // orbit ticks before its start, at the least: 10 s of title
const int WANDER_TICKS = 1770;       // its ticks of walking, turning and standing before the throw
const int LEVELLING_TICKS = 60;      // the last of them stood still, the view level again
const int VERIFY_RUNS = 101;         // verifications timed, and as many worlds made; medians shown
static std::chrono::steady_clock::time_point tick_times[MAX_TICKS]; // when each tick came
static std::atomic<int> tick_count;                                 // ticks recorded so far

typedef std::chrono::steady_clock Clock;

static double ms_since(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

static double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    size_t i = std::min(v.size() - 1, size_t(std::ceil(p * v.size())) - 1);
    return v[i];
}

static double median(const std::vector<double> &v) {
    return percentile(v, 0.5);
}

// ---------------------------------------------------------------- the real game, from outside

struct GameRun {
    double first_frame_ms = 0; // from the fork to the first drawn frame in its window
    long peak_kb = 0;          // its peak resident size after a few seconds
};

// Whether anything but black shows in a strip across the window's top.
static bool window_shows_a_frame(Display *dpy, Window window) {
    XImage *image = XGetImage(dpy, window, 0, 0, PICTURE_WIDTH, 8, AllPlanes, ZPixmap);
    if (!image)
        return false;
    bool drawn = false;
    for (int x = 0; x < PICTURE_WIDTH && !drawn; x++)
        drawn = XGetPixel(image, x, 4) != 0;
    XDestroyImage(image);
    return drawn;
}

static int ignore_x_error(Display *, XErrorEvent *) {
    return 0;
}

// Starts the game in its data folder and watches its window from this X client.
static GameRun run_real_game(Display *dpy) {
    GameRun run;
    Clock::time_point start = Clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (chdir(HAYSTACK_DATA_DIR) == 0)
            execl(HAYSTACK_BINARY, "haystack", (char *)nullptr);
        _exit(127);
    }
    Window window = 0;
    while (ms_since(start) < 20000 && !run.first_frame_ms) {
        if (!window)
            window = find_window(dpy, PICTURE_WIDTH, PICTURE_HEIGHT, nullptr);
        if (window && window_shows_a_frame(dpy, window))
            run.first_frame_ms = ms_since(start);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::this_thread::sleep_for(std::chrono::duration<double>(GAME_SETTLE));
    run.peak_kb = process_memory_kb(pid, "VmHWM");
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return run;
}

// ---------------------------------------------------------------- this process's window

static bool open_bench_window() {
    return allegro_init() == 0 && set_opengl_mode(PICTURE_WIDTH, PICTURE_HEIGHT);
}

static double time_audio_start_ms() {
    if (!std::getenv("SDL_AUDIODRIVER"))
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    Clock::time_point start = Clock::now();
    music_init(44100, 32);
    theme_stream = music_open(HAYSTACK_DATA_DIR "/theme.mp3");
    intro_stream = music_open(HAYSTACK_DATA_DIR "/intro.mp3");
    outro_stream = music_open(HAYSTACK_DATA_DIR "/outro.mp3");
    return ms_since(start);
}

static double time_world_generation_ms() {
    std::vector<double> runs;
    for (int i = 0; i < WORLD_RUNS; i++) {
        Clock::time_point start = Clock::now();
        generate_world(GENERATOR_GLIBC, WORLD_SEED + i + 1);
        runs.push_back(ms_since(start));
    }
    generate_world(GENERATOR_GLIBC, WORLD_SEED);
    return median(runs);
}

static double time_texture_loading_ms() {
    std::vector<double> runs;
    for (int i = 0; i < TEXTURE_RUNS; i++) {
        GLuint old[] = {fence_texture, cloud_texture, intro_texture, outro_texture};
        glDeleteTextures(4, old);
        Clock::time_point start = Clock::now();
        load_game_pictures();
        runs.push_back(ms_since(start));
    }
    return median(runs);
}

// The game's start-up steps that drawing depends on, in the game's order.
static void set_up_like_the_game() {
    set_fixed_gl_state();
    enable_texturing();
    set_sky_colour();
    hand_strands_to_gl();
    enable_cut_out_pictures();
}

// ---------------------------------------------------------------- frames

// The main loop's frame after its ticks (which throw the shot now): the won stage's
// recolouring, the drawing and the flip.
static void game_frame() {
    recolour_step();
    render_frame();
    allegro_gl_flip();
}

// The least a frame can be: clear, the same projection and camera, one draw of the strands.
static void bare_frame() {
    set_projection();
    clear_and_place_camera();
    glDisable(GL_TEXTURE_2D);
    glDrawArrays(GL_LINES, 0, STRAND_VERTICES);
    return_to_window_coordinates();
    allegro_gl_flip();
}

struct FrameCost {
    std::vector<double> game_ms, bare_ms; // one entry a frame, each closed with glFinish
};

static double timed_frame_ms(void (*frame)()) {
    Clock::time_point start = Clock::now();
    frame();
    glFinish();
    return ms_since(start);
}

// Game and bare frames in alternating blocks, so that machine noise falls on both alike.
static FrameCost measure_frames() {
    FrameCost cost;
    for (int i = 0; i < BLOCK; i++) // warm up caches and the driver
        timed_frame_ms(game_frame), timed_frame_ms(bare_frame);
    for (int done = 0; done < FRAMES_PER_KIND; done += BLOCK) {
        for (int i = 0; i < BLOCK; i++)
            cost.game_ms.push_back(timed_frame_ms(game_frame));
        for (int i = 0; i < BLOCK; i++)
            cost.bare_ms.push_back(timed_frame_ms(bare_frame));
    }
    return cost;
}

// ---------------------------------------------------------------- a gamepad attached or not

static SDL_Joystick *bench_pad = nullptr; // SDL's virtual pad, while attached
static int pad_frames = 0;                // frames drawn with it, to move its stick each one

static void attach_bench_pad() {
    SDL_VirtualJoystickDesc desc = {};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    bench_pad = SDL_JoystickOpen(SDL_JoystickAttachVirtualEx(&desc));
}

static void detach_bench_pad() {
    SDL_JoystickDetachVirtual(SDL_NumJoysticks() - 1);
    SDL_JoystickClose(bench_pad);
}

// The main loop's frame: the pads read, then the frame drawn.
static void frame_after_polling() {
    poll_gamepads();
    game_frame();
}

// The same with the pad's left stick moving, so that every frame brings its events.
static void frame_with_moving_pad() {
    SDL_JoystickSetVirtualAxis(bench_pad, SDL_CONTROLLER_AXIS_LEFTX,
                               ++pad_frames % 2 ? 3000 : -3000);
    frame_after_polling();
}

// Frames without a pad and with one, in alternating blocks, the pad plugged in for its block.
static FrameCost measure_pad_frames() {
    start_gamepads();
    FrameCost cost; // game_ms: with the pad; bare_ms: without
    for (int done = 0; done < FRAMES_PER_KIND; done += BLOCK) {
        attach_bench_pad();
        for (int i = 0; i < BLOCK; i++)
            cost.game_ms.push_back(timed_frame_ms(frame_with_moving_pad));
        detach_bench_pad();
        for (int i = 0; i < BLOCK; i++)
            cost.bare_ms.push_back(timed_frame_ms(frame_after_polling));
    }
    return cost;
}

static void view_attract_orbit() {
    intro_active = 1;
    orbit_angle = 0.68f;
    tick_update(); // one orbit step places the camera
}

static void view_ground_near_corner() {
    intro_active = 0;
    eye_x = eye_z = 60;
    eye_y = MOUND_HEIGHT * mound_profile(eye_x, eye_z) + 10;
    heading = QUARTER_PI; // toward the centre
    pitch = 0;
}

static void view_mound_top() {
    intro_active = 0;
    eye_x = eye_z = 100;
    eye_y = MOUND_HEIGHT + 10;
    heading = 0;
    pitch = QUARTER_PI;
}

// ---------------------------------------------------------------- window sizes

// A new window of that size: a new OpenGL context, so the fixed state, the strand arrays
// and the pictures are given again.
static bool reopen_window(int width, int height) {
    if (!set_opengl_mode(width, height))
        return false;
    set_up_like_the_game();
    load_game_pictures();
    return true;
}

// The game's frame alone, FRAMES_PER_KIND of them after a warm-up, in the current window.
static std::vector<double> game_frames_ms() {
    std::vector<double> ms;
    for (int i = 0; i < BLOCK; i++)
        timed_frame_ms(game_frame);
    for (int i = 0; i < FRAMES_PER_KIND; i++)
        ms.push_back(timed_frame_ms(game_frame));
    return ms;
}

// One view's frame cost in the plain window, the window twice as large, and a 1920x1080 one
// (the size of a fullscreen 1080p monitor) with its picture 1440x1080 between bars.
static void print_window_sizes() {
    const int SIZES[][2] = {
        {PICTURE_WIDTH, PICTURE_HEIGHT}, {2 * PICTURE_WIDTH, 2 * PICTURE_HEIGHT}, {1920, 1080}};
    std::vector<double> ms[3];
    for (int i = 0; i < 3; i++)
        if (reopen_window(SIZES[i][0], SIZES[i][1]))
            ms[i] = game_frames_ms();
    GLfloat widths[2] = {0, 0};
    glGetFloatv(GL_ALIASED_LINE_WIDTH_RANGE, widths);
    std::printf("\n| %-34s | %10s | %10s | %14s |\n|%s|%s|%s|%s|\n",
                "Game frame by window, mound top", "640x480", "1280x960", "1920x1080",
                std::string(36, '-').c_str(), "-----------:", "-----------:", "---------------:");
    for (double p : {0.5, 0.99})
        std::printf("| %-34s | %7.2f ms | %7.2f ms | %11.2f ms |\n", p == 0.5 ? "median" : "p99",
                    ms[0].empty() ? 0 : percentile(ms[0], p),
                    ms[1].empty() ? 0 : percentile(ms[1], p),
                    ms[2].empty() ? 0 : percentile(ms[2], p));
    std::printf("\nLine widths the driver draws: %.1f to %.1f px (a 1080p fullscreen picture needs "
                "%.2f, 4K %.2f)\n",
                widths[0], widths[1], 5.0 * 1080 / PICTURE_HEIGHT, 5.0 * 2160 / PICTURE_HEIGHT);
}

// ---------------------------------------------------------------- the tick timer

static void record_tick() {
    int n = tick_count.load();
    if (n < MAX_TICKS) {
        tick_times[n] = Clock::now();
        tick_count = n + 1;
    }
}

struct Cadence {
    double per_second, error_percent, largest_gap_ms;
};

static Cadence watch_tick_timer() {
    install_timer();
    tick_count = 0;
    install_int_ex(record_tick, BPS_TO_TIMER(TICKS_PER_SECOND));
    std::this_thread::sleep_for(std::chrono::duration<double>(CADENCE_SECONDS));
    remove_int(record_tick);
    int n = tick_count;
    Cadence c = {0, 0, 0};
    if (n < 2)
        return c;
    double span_s = std::chrono::duration<double>(tick_times[n - 1] - tick_times[0]).count();
    c.per_second = (n - 1) / span_s;
    c.error_percent = 100.0 * (c.per_second - TICKS_PER_SECOND) / TICKS_PER_SECOND;
    for (int i = 1; i < n; i++)
        c.largest_gap_ms = std::max(
            c.largest_gap_ms,
            std::chrono::duration<double, std::milli>(tick_times[i] - tick_times[i - 1]).count());
    return c;
}

// ---------------------------------------------------------------- verifying replays

// The one-minute search's wander: walking out and back, turning as far right as left, looking
// down and standing, over and over, then standing still while the view levels.
static std::vector<ReplayTick> one_minute_wander() {
    struct Stretch {
        unsigned held; // what is held
        int ticks;     // for how long
    };
    const Stretch CYCLE[] = {{PLAY_FORWARD, 30},
                             {PLAY_RIGHT, 6},
                             {0, 30},
                             {PLAY_LOOK, 8},
                             {PLAY_LEFT, 6},
                             {PLAY_BACK, 30},
                             {0, 20},
                             {PLAY_LEFT | PLAY_FORWARD, 4},
                             {PLAY_RIGHT | PLAY_BACK, 4}};
    std::vector<ReplayTick> moves;
    while (moves.size() < size_t(WANDER_TICKS - LEVELLING_TICKS))
        for (const Stretch &stretch : CYCLE)
            moves.insert(moves.end(), stretch.ticks, {{stretch.held, 0, 320, 240}, false, {}});
    moves.resize(WANDER_TICKS - LEVELLING_TICKS);
    moves.resize(WANDER_TICKS, {{0, 0, 320, 240}, false, {}});
    return moves;
}

struct VerifyCost {
    std::vector<double> world_ms, verify_ms; // one entry a run
    bool all_found;                          // every verification found the needle in its time
};

// Making the search's world alone and verifying the search, in alternation.
static VerifyCost measure_verifying(const Replay &search) {
    VerifyCost cost;
    cost.all_found = true;
    for (int i = 0; i < VERIFY_RUNS; i++) {
        Clock::time_point start = Clock::now();
        generate_world(search.generator, search.seed);
        cost.world_ms.push_back(ms_since(start));
        start = Clock::now();
        ReplayOutcome outcome = verify_replay(search);
        cost.verify_ms.push_back(ms_since(start));
        cost.all_found =
            cost.all_found && outcome.found && outcome.found_ticks == search.found_ticks;
    }
    return cost;
}

// The cost of verifying a one-minute search against that of making its world, on one core.
static bool print_verifying() {
    Replay search{};
    std::snprintf(search.game_version, sizeof search.game_version, "bench");
    search.field = SEARCH_FIELD;
    search.seed = unsigned(SEARCH_FIELD);
    search.generator = GENERATOR_GLIBC;
    search.settings = {0, 1, 100, 100, 0, 0};
    search.start_tick = TITLE_TICKS;
    search = found_search(search, one_minute_wander());
    if (!search.found_ticks) {
        std::fprintf(stderr, "haystack_bench: no one-minute search of field %ld finds the needle\n",
                     SEARCH_FIELD);
        return false;
    }
    VerifyCost cost = measure_verifying(search);
    if (!cost.all_found) {
        std::fprintf(stderr, "haystack_bench: the one-minute search did not verify\n");
        return false;
    }
    int ticks = int(search.ticks.size()), orbit = search.start_tick - 1;
    double world = median(cost.world_ms), verify = median(cost.verify_ms);
    std::printf("\n| %-44s | %12s |\n|%s|%s|\n", "Verifying replays, one core", "",
                std::string(46, '-').c_str(), "-------------:");
    std::printf("| %-44s | %5d + %4d |\n", "one-minute search: ticks of play + of orbit", ticks,
                orbit);
    std::printf("| %-44s | %9.2f ms |\n", "making its world alone (median)", world);
    std::printf("| %-44s | %9.2f ms |\n", "verifying it (median)", verify);
    std::printf("| %-44s | %9.2f ms |\n", "verifying it (p99)", percentile(cost.verify_ms, 0.99));
    std::printf("| %-44s | %12.1f |\n", "verified replays a second", 1000 / verify);
    std::printf("| %-44s | %10.3f x |\n", "verifying over making the world (aim: 1.5)",
                verify / world);
    std::printf("| %-44s | %9.0f ns |\n", "simulation a tick, play and orbit",
                1e6 * (verify - world) / (ticks + orbit));
    return true;
}

// ---------------------------------------------------------------- the table

static void print_frame_row(const char *view, const FrameCost &c) {
    std::printf("| %-34s | %8.2f | %8.2f | %8.2f | %8.2f | %6.3f |\n", view, median(c.game_ms),
                percentile(c.game_ms, 0.99), median(c.bare_ms), percentile(c.bare_ms, 0.99),
                median(c.game_ms) / median(c.bare_ms));
}

int main(int argc, char **argv) {
    if (argc == 2 && std::string(argv[1]) == "--replays")
        return print_verifying() ? 0 : 1;
    XSetErrorHandler(ignore_x_error);
    Display *dpy = XOpenDisplay(nullptr);
    if (!dpy) {
        std::fprintf(stderr, "haystack_bench: no X display\n");
        return 1;
    }
    std::vector<double> first_frames;
    GameRun run;
    for (int i = 0; i < GAME_STARTS; i++) {
        run = run_real_game(dpy);
        first_frames.push_back(run.first_frame_ms);
    }

    if (!open_bench_window()) {
        std::fprintf(stderr, "haystack_bench: no OpenGL window: %s\n", allegro_error);
        return 1;
    }
    double audio_ms = time_audio_start_ms();
    double world_ms = time_world_generation_ms();
    set_up_like_the_game();
    if (chdir(HAYSTACK_DATA_DIR) != 0)
        return 1;
    double texture_ms = time_texture_loading_ms();

    std::printf("Haystack benchmark: %s, %dx%d, world seed %u\n\n",
                (const char *)glGetString(GL_RENDERER), PICTURE_WIDTH, PICTURE_HEIGHT, WORLD_SEED);
    std::printf("| %-34s | %8s | %8s | %8s | %8s | %6s |\n", "Frame cost (ms)", "game", "game p99",
                "bare", "bare p99", "ratio");
    std::printf("|%s|%s|%s|%s|%s|%s|\n", std::string(36, '-').c_str(),
                "---------:", "---------:", "---------:", "---------:", "-------:");
    view_attract_orbit();
    print_frame_row("attract orbit", measure_frames());
    view_ground_near_corner();
    print_frame_row("ground at (60, 60), to the centre", measure_frames());
    view_mound_top();
    print_frame_row("mound top, 45 degrees down", measure_frames());
    settings.glint = true; // the needle glints from the first tick of play on
    view_ground_near_corner();
    print_frame_row("ground at (60, 60), needle glinting", measure_frames());
    settings.glint = false;
    make_page_request(PAGE_OPTIONS);
    watch_options_screen();
    print_frame_row("ground at (60, 60), options open", measure_frames());
    make_page_request(PAGE_OPTIONS);
    watch_options_screen();
    FrameCost pad = measure_pad_frames();
    std::printf("\n| %-34s | %8s | %8s | %8s | %8s | %6s |\n|%s|%s|%s|%s|%s|%s|\n",
                "Mound top, gamepad (ms)", "a pad", "p99", "none", "p99", "ratio",
                std::string(36, '-').c_str(),
                "---------:", "---------:", "---------:", "---------:", "-------:");
    print_frame_row("frame after polling the pads", pad);
    print_window_sizes();

    Cadence ticks = watch_tick_timer();
    std::printf("\n| %-44s | %10s |\n|%s|%s|\n", "Start-up, cadence and memory", "",
                std::string(46, '-').c_str(), "-----------:");
    std::printf("| %-44s | %7.2f ms |\n", "world generation (median)", world_ms);
    std::printf("| %-44s | %7.2f ms |\n", "texture loading, four pictures (median)", texture_ms);
    std::printf("| %-44s | %7.2f ms |\n", "audio and the three streams", audio_ms);
    std::printf("| %-44s | %7.0f ms |\n", "process start to first frame (median of 5)",
                median(first_frames));
    std::printf("| %-44s | %10.3f |\n", "ticks a second over 20 s", ticks.per_second);
    std::printf("| %-44s | %8.3f %% |\n", "tick rate error", ticks.error_percent);
    std::printf("| %-44s | %7.1f ms |\n", "largest gap between two ticks", ticks.largest_gap_ms);
    std::printf("| %-44s | %7.1f MB |\n", "game's peak resident size", run.peak_kb / 1024.0);
    return print_verifying() ? 0 : 1;
}
END_OF_MAIN()
