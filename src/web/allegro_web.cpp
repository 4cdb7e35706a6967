// The browser's window, keyboard, mouse and timer behind the windowing library's interface: a
// WebGL 2 context on the page's canvas, the page's key and mouse events, and timer ticks run
// by game time at each flip, which waits for the browser's next animation frame.
#include <allegro.h>
#include <alleggl.h>

#include <emscripten.h>
#include <emscripten/html5.h>
#include <cstdarg>
#include <cstdio>
#include <algorithm>
#include <cstring>

#include "framing.h"
#include "gl_web.h"

const char *const CANVAS = "#canvas"; // the page's game canvas, as html5.h finds it
const char *const NO_WEBGL =          // why the window could not open, naming what is missing
    "This browser gave the game no WebGL 2, which it draws with. Turn on hardware acceleration "
    "(WebGL) in the browser's settings, or try a current Firefox, Chrome, Edge or Safari.";
const char *const NO_SHADERS = "The browser's WebGL 2 could not build the game's shaders.";
const int KEY_RELEASED = 0x80; // set in the scancode the keyboard callback gets for a release
const int BUTTONS = 7;         // the DOM's button bits, the same as mouse_b's: left, right, middle

char allegro_error[256];
char allegro_gl_error[256];
volatile char key[KEY_MAX];
volatile int mouse_x, mouse_y, mouse_b;
void (*keyboard_lowlevel_callback)(int scancode);
void (*mouse_callback)(int flags);

static void (*timer_proc)(); // the one timer the game installs; null before
static double timer_period;  // its period, milliseconds of game time
static double timer_start;   // game time it was installed at, milliseconds
static long timer_ticks_run; // ticks run since it was installed
static bool window_open;     // the canvas draws and takes the keys

// A key's scancode from KeyboardEvent.code; 0 for keys the game does not read.
static int scancode_of(const char *code) {
    static const struct {
        const char *code; // the key's place on the keyboard, as the DOM names it
        int scancode;     // and as the windowing library numbers it
    } keys[] = {{"Escape", KEY_ESC},       {"Space", KEY_SPACE}, {"ArrowLeft", KEY_LEFT},
                {"ArrowRight", KEY_RIGHT}, {"ArrowUp", KEY_UP},  {"ArrowDown", KEY_DOWN}};
    for (const auto &k : keys)
        if (!std::strcmp(code, k.code))
            return k.scancode;
    return 0;
}

// Keys the game reads go to it, not to the page, which would scroll; a held key's repeats are
// not new presses.
static EM_BOOL on_key(int type, const EmscriptenKeyboardEvent *e, void *) {
    int scancode = scancode_of(e->code);
    if (!scancode || !window_open)
        return EM_FALSE;
    bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    if (down && e->repeat)
        return EM_TRUE;
    key[scancode] = down;
    if (keyboard_lowlevel_callback)
        keyboard_lowlevel_callback(down ? scancode : scancode | KEY_RELEASED);
    return EM_TRUE;
}

// The canvas's place on the page, CSS pixels from the viewport's top left.
// clang-format off
EM_JS(void, canvas_box, (double *left, double *top, double *width, double *height), {
    const box = Module.canvas.getBoundingClientRect();
    HEAPF64[left >> 3] = box.left;
    HEAPF64[top >> 3] = box.top;
    HEAPF64[width >> 3] = box.width;
    HEAPF64[height >> 3] = box.height;
});
// clang-format on

// Where a page position points in the game's 640x480 picture. The canvas shows the picture
// whole and centred at its 4:3 shape ("object-fit: contain"), at whatever size the page gives
// it, fullscreen included: placed as the desktop window places it, and a place over the bars
// held at the picture's edge. The canvas notes the place for the page's tests.
static void page_to_game(double client_x, double client_y, int *x, int *y) {
    double left, top, width, height;
    canvas_box(&left, &top, &width, &height);
    Framing framing = frame_picture(std::max(1, int(width + 0.5)), std::max(1, int(height + 0.5)));
    float game_x, game_y;
    pointer_in_picture(framing, client_x - left, client_y - top, &game_x, &game_y);
    *x = std::min(PICTURE_WIDTH - 1, int(game_x));
    *y = std::min(PICTURE_HEIGHT - 1, int(game_y));
    EM_ASM({ Module.canvas.dataset.mouse = $0 + ',' + $1; }, *x, *y);
}

// The mouse callback's flags for a press or release of DOM button `button` (0 left, 1 middle,
// 2 right).
static int button_flags(int button, bool down) {
    static const int downs[] = {MOUSE_FLAG_LEFT_DOWN, MOUSE_FLAG_MIDDLE_DOWN,
                                MOUSE_FLAG_RIGHT_DOWN};
    static const int ups[] = {MOUSE_FLAG_LEFT_UP, MOUSE_FLAG_MIDDLE_UP, MOUSE_FLAG_RIGHT_UP};
    if (button < 0 || button > 2)
        return 0;
    return down ? downs[button] : ups[button];
}

// Moves anywhere on the page and releases anywhere count; presses only on the canvas.
static EM_BOOL on_mouse(int type, const EmscriptenMouseEvent *e, void *) {
    if (!window_open)
        return EM_FALSE;
    int x, y;
    page_to_game(e->clientX, e->clientY, &x, &y);
    mouse_x = x;
    mouse_y = y;
    mouse_b = e->buttons & BUTTONS;
    int flags = type == EMSCRIPTEN_EVENT_MOUSEMOVE
                    ? MOUSE_FLAG_MOVE
                    : button_flags(e->button, type == EMSCRIPTEN_EVENT_MOUSEDOWN);
    if (mouse_callback && flags)
        mouse_callback(flags);
    return type == EMSCRIPTEN_EVENT_MOUSEDOWN;
}

// Game time, milliseconds: the page's clock less the time the tab spent hidden.
// clang-format off
EM_JS(double, game_time, (), {
    const clock = Module.gameClock;
    const hidden = clock.hiddenSince === null ? 0 : performance.now() - clock.hiddenSince;
    return performance.now() - clock.hiddenFor - hidden;
});
// clang-format on

// Starts the game clock, which stands still while the tab is hidden.
// clang-format off
EM_JS(void, start_game_clock, (), {
    const clock = Module.gameClock = {hiddenFor : 0, hiddenSince : null};
    const note = () => {
        if (document.hidden && clock.hiddenSince === null)
            clock.hiddenSince = performance.now();
        if (!document.hidden && clock.hiddenSince !== null) {
            clock.hiddenFor += performance.now() - clock.hiddenSince;
            clock.hiddenSince = null;
        }
    };
    document.addEventListener('visibilitychange', note);
    note();
});
// clang-format on

// Waits for the browser's next animation frame, and while the tab is hidden, for its return.
// clang-format off
EM_ASYNC_JS(void, await_animation_frame, (), {
    do
        await new Promise(shown => requestAnimationFrame(shown));
    while (document.hidden);
});
// clang-format on

// Tells the page how far the game has got, for the page's own notices and for tests.
// clang-format off
EM_JS(void, report_progress, (long ticks, int open), {
    Module.canvas.dataset.ticks = ticks;
    Module.canvas.dataset.frames = (Number(Module.canvas.dataset.frames) || 0) + 1;
    if (!open && Module.onGameEnded)
        Module.onGameEnded();
});
// clang-format on

// clang-format off
EM_JS(void, show_message, (const char *text), {
    if (Module.showMessage)
        Module.showMessage(UTF8ToString(text));
});
// clang-format on

// clang-format off
EM_JS(void, set_page_title, (const char *title), { document.title = UTF8ToString(title); });
// clang-format on

int allegro_init() {
    return 0;
}

void allegro_message(const char *format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    show_message(text);
}

void set_window_title(const char *title) {
    set_page_title(title);
}

int set_close_button_callback(void (*)()) {
    return 0; // a page cannot be asked to close its tab
}

int install_keyboard() {
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, on_key);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, on_key);
    return 0;
}

int install_mouse() {
    emscripten_set_mousedown_callback(CANVAS, nullptr, EM_FALSE, on_mouse);
    emscripten_set_mouseup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, on_mouse);
    emscripten_set_mousemove_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, EM_FALSE, on_mouse);
    return 3; // buttons
}

int install_timer() {
    start_game_clock();
    return 0;
}

int install_int_ex(void (*proc)(), long speed) {
    timer_proc = proc;
    timer_period = 1000.0 * speed / TIMERS_PER_SECOND;
    timer_ticks_run = 0;
    timer_start = game_time();
    return 0;
}

int install_allegro_gl() {
    return 0;
}

void allegro_gl_clear_settings() {}

void allegro_gl_set(int, int) {}

// A WebGL 2 context without smoothing or see-through pixels, as the desktop's window.
static bool open_canvas() {
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.majorVersion = 2;
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.antialias = EM_FALSE;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context(CANVAS, &attributes);
    if (context <= 0) {
        std::snprintf(allegro_error, sizeof allegro_error, "%s", NO_WEBGL);
        std::snprintf(allegro_gl_error, sizeof allegro_gl_error, "no WebGL 2 context");
        return false;
    }
    emscripten_webgl_make_context_current(context);
    if (!start_gl_layer()) {
        std::snprintf(allegro_error, sizeof allegro_error, "%s", NO_SHADERS);
        return false;
    }
    return true;
}

void set_mouse_range(int, int, int, int) {}

int set_gfx_mode(int card, int, int, int, int) {
    if (card == GFX_TEXT) {
        window_open = false;
        report_progress(timer_ticks_run, window_open);
        return 0;
    }
    window_open = open_canvas();
    return window_open ? 0 : -1;
}

// Runs the timer's ticks owed by the game time now.
static void run_owed_ticks() {
    if (!timer_proc)
        return;
    long due = long((game_time() - timer_start) / timer_period);
    for (; timer_ticks_run < due; timer_ticks_run++)
        timer_proc();
}

void allegro_gl_flip() {
    report_progress(timer_ticks_run, window_open);
    await_animation_frame();
    run_owed_ticks();
}
