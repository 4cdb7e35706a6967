// The browser's window, keyboard, mouse and timer behind the windowing library's interface: a
// WebGL 2 context on the page's canvas, the page's key and mouse events, a flip that waits for
// the browser's next animation frame, and a timer run by game time, which catches up when the
// browser has had its turn.
#include <allegro.h>
#include <alleggl.h>

#include <emscripten.h>
#include <emscripten/html5.h>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gl_web.h"
#include "window_web.h"

const char *const CANVAS = "#canvas"; // the page's game canvas, as html5.h finds it
const char *const NO_WEBGL =          // why the window could not open, naming what is missing
    "This browser gave the game no WebGL 2, which it draws with. Turn on hardware acceleration "
    "(WebGL) in the browser's settings, or try a current Firefox, Chrome, Edge or Safari.";
const char *const NO_SHADERS = "The browser's WebGL 2 could not build the game's shaders.";
const int KEY_RELEASED = 0x80; // set in the scancode the keyboard callback gets for a release
const int BUTTONS = 7;         // the DOM's button bits, the same as mouse_b's: left, right, middle
const int LEFT_BUTTON = 1;     // mouse_b's bit of the left button
enum { POINTER_PRESSED, POINTER_MOVED, POINTER_RELEASED }; // what a pointer event did

char allegro_error[256];
char allegro_gl_error[256];
volatile char key[KEY_MAX];
volatile int mouse_x, mouse_y, mouse_b;
void (*keyboard_lowlevel_callback)(int scancode);
void (*mouse_callback)(int flags);

static void (*timer_proc)();                  // the one timer the game installs; null before
static double timer_period;                   // its period, milliseconds of game time
static double timer_start;                    // game time it was installed at, milliseconds
static long timer_ticks_run;                  // ticks run since it was installed
static bool window_open;                      // the canvas draws and takes the keys
static double pointer_page_x, pointer_page_y; // the mouse or aiming finger, CSS pixels on the page
static bool (*key_kept_from_page)(int scancode); // whether the page leaves the key alone; null
                                                 // until the program says

// A key named by KeyboardEvent.code alone.
struct GameKey {
    const char *code; // its place on the keyboard, as KeyboardEvent.code names it
    int scancode;     // and as the windowing library numbers it
};
static const GameKey GAME_KEYS[] = { // every key the game reads or binds but those in KEY_RUNS
    {"Escape", KEY_ESC},
    {"Backquote", KEY_TILDE},
    {"Minus", KEY_MINUS},
    {"Equal", KEY_EQUALS},
    {"Backspace", KEY_BACKSPACE},
    {"Tab", KEY_TAB},
    {"BracketLeft", KEY_OPENBRACE},
    {"BracketRight", KEY_CLOSEBRACE},
    {"Enter", KEY_ENTER},
    {"Semicolon", KEY_COLON},
    {"Quote", KEY_QUOTE},
    {"Backslash", KEY_BACKSLASH},
    {"IntlBackslash", KEY_BACKSLASH2},
    {"Comma", KEY_COMMA},
    {"Period", KEY_STOP},
    {"Slash", KEY_SLASH},
    {"Space", KEY_SPACE},
    {"Insert", KEY_INSERT},
    {"Delete", KEY_DEL},
    {"Home", KEY_HOME},
    {"End", KEY_END},
    {"PageUp", KEY_PGUP},
    {"PageDown", KEY_PGDN},
    {"ArrowLeft", KEY_LEFT},
    {"ArrowRight", KEY_RIGHT},
    {"ArrowUp", KEY_UP},
    {"ArrowDown", KEY_DOWN},
    {"NumpadDivide", KEY_SLASH_PAD},
    {"NumpadMultiply", KEY_ASTERISK},
    {"NumpadSubtract", KEY_MINUS_PAD},
    {"NumpadAdd", KEY_PLUS_PAD},
    {"NumpadDecimal", KEY_DEL_PAD},
    {"NumpadEnter", KEY_ENTER_PAD},
    {"ShiftLeft", KEY_LSHIFT},
    {"ShiftRight", KEY_RSHIFT},
    {"ControlLeft", KEY_LCONTROL},
    {"ControlRight", KEY_RCONTROL},
    {"AltLeft", KEY_ALT},
    {"AltRight", KEY_ALTGR}};

// Keys in a run, named by KeyboardEvent.code as a word and a letter or number: KeyA..KeyZ,
// Digit0..Digit9, Numpad0..Numpad9, F1..F12.
struct KeyRun {
    const char *word; // what each code starts with
    int first;        // the letter or number after it of the run's first key
    int count;        // keys in the run
    int scancode;     // the first key's scancode; the others follow it
};
static const KeyRun KEY_RUNS[] = { // the letters, both rows of digits and the F-keys
    {"Key", 'A', 26, KEY_A},
    {"Digit", 0, 10, KEY_0},
    {"Numpad", 0, 10, KEY_0_PAD},
    {"F", 1, 12, KEY_F1}};

// The key in a run with that code; 0 for none.
static int scancode_in_run(const char *code) {
    for (const KeyRun &run : KEY_RUNS) {
        size_t length = std::strlen(run.word);
        const char *rest = code + length;
        if (std::strncmp(code, run.word, length) || !rest[0])
            continue;
        bool letter = run.first == 'A';
        size_t digits = std::strspn(rest, "0123456789");
        if ((letter && rest[1]) || (!letter && (digits != std::strlen(rest) || digits > 2)))
            continue;
        int n = (letter ? rest[0] : std::atoi(rest)) - run.first;
        if (n >= 0 && n < run.count)
            return run.scancode + n;
    }
    return 0;
}

// A key's scancode from KeyboardEvent.code; 0 for keys the game neither reads nor binds.
static int scancode_of(const char *code) {
    for (const auto &k : GAME_KEYS)
        if (!std::strcmp(code, k.code))
            return k.scancode;
    return scancode_in_run(code);
}

// The key with `scancode` goes down or comes up, for the game.
static void press_key(int scancode, bool down) {
    key[scancode] = down;
    if (keyboard_lowlevel_callback)
        keyboard_lowlevel_callback(down ? scancode : scancode | KEY_RELEASED);
}

// Whether the key is one of those that change others: Shift, Control and Alt.
static bool is_modifier(int scancode) {
    return scancode >= KEY_LSHIFT && scancode <= KEY_ALTGR;
}

void keep_keys_from_page(bool (*kept)(int scancode)) {
    key_kept_from_page = kept;
}

// Every key the game knows goes to it, and those the program keeps (keep_keys_from_page) not to
// the page, where they might scroll or move the focus; a held key's repeats are not new presses.
// A key pressed with Control or Meta held is the browser's shortcut, and goes to the page alone.
static EM_BOOL on_key(int type, const EmscriptenKeyboardEvent *e, void *) {
    int scancode = scancode_of(e->code);
    if (!scancode || !window_open)
        return EM_FALSE;
    bool down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    if (down && (e->ctrlKey || e->metaKey) && !is_modifier(scancode))
        return EM_FALSE;
    if (down ? !e->repeat : bool(key[scancode]))
        press_key(scancode, down);
    return key_kept_from_page && key_kept_from_page(scancode);
}

// Where page position (x, y), CSS pixels from the viewport's top left, falls on the canvas, in
// the pixels it draws at now.
// clang-format off
EM_JS(void, place_on_canvas, (double x, double y, int *canvas_x, int *canvas_y), {
    const canvas = Module.canvas, box = canvas.getBoundingClientRect();
    const width = GLctx ? GLctx.drawingBufferWidth : canvas.width;
    const height = GLctx ? GLctx.drawingBufferHeight : canvas.height;
    HEAP32[canvas_x >> 2] = Math.floor((x - box.left) * width / Math.max(1, box.width));
    HEAP32[canvas_y >> 2] = Math.floor((y - box.top) * height / Math.max(1, box.height));
});
// clang-format on

void pointer_in_canvas(int *x, int *y) {
    place_on_canvas(pointer_page_x, pointer_page_y, x, y);
}

// The mouse or the aiming finger was seen at page position (x, y).
static void see_pointer_at(double x, double y) {
    pointer_page_x = x;
    pointer_page_y = y;
    int canvas_x, canvas_y;
    pointer_in_canvas(&canvas_x, &canvas_y);
    mouse_x = canvas_x;
    mouse_y = canvas_y;
}

// The mouse callback, when there is one, hears of `flags`.
static void tell_mouse_callback(int flags) {
    if (mouse_callback && flags)
        mouse_callback(flags);
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

// A mouse event of the page's (POINTER_PRESSED, _MOVED or _RELEASED) at page position (x, y),
// with DOM button `button` changing (-1 for none) and `buttons` down. Moves anywhere on the page
// and releases anywhere count; presses only on the canvas.
extern "C" EMSCRIPTEN_KEEPALIVE void take_mouse(int type, double x, double y, int button,
                                                int buttons) {
    if (!window_open)
        return;
    see_pointer_at(x, y);
    mouse_b = buttons & BUTTONS;
    static const int bits[] = {1, 4, 2}; // each DOM button's bit in `buttons`
    int flags = type == POINTER_MOVED ? MOUSE_FLAG_MOVE : 0;
    if (button >= 0 && button <= 2)
        flags |= button_flags(button, type == POINTER_PRESSED ||
                                          (type == POINTER_MOVED && (buttons & bits[button])));
    tell_mouse_callback(flags);
}

// A finger at page position (x, y) with the left button: down, held or let go, as `flags` say.
static void finger_as_mouse(double x, double y, bool held, int flags) {
    if (!window_open)
        return;
    see_pointer_at(x, y);
    mouse_b = held ? mouse_b | LEFT_BUTTON : mouse_b & ~LEFT_BUTTON;
    tell_mouse_callback(flags);
}

void press_pointer_at(double x, double y) {
    finger_as_mouse(x, y, true, MOUSE_FLAG_LEFT_DOWN);
}

void drag_pointer_to(double x, double y) {
    finger_as_mouse(x, y, true, MOUSE_FLAG_MOVE);
}

void release_pointer_at(double x, double y) {
    finger_as_mouse(x, y, false, MOUSE_FLAG_LEFT_UP);
}

void click_pointer_at(double x, double y) {
    if (!window_open)
        return;
    see_pointer_at(x, y);
    tell_mouse_callback(MOUSE_FLAG_LEFT_DOWN);
}

// The page's mouse, with its places in fractions of a CSS pixel, handed to the program. The
// mouse is read from pointer events of the mouse alone, which a finger's taps elsewhere on the
// page do not imitate, as they do mouse events; a second button pressed while one is down comes
// as a move with its button.
// clang-format off
EM_JS(void, listen_to_mouse, (int pressed, int moved, int released), {
    const mouse = (type, target) => target.addEventListener(type === pressed ? 'pointerdown' :
            type === moved ? 'pointermove' : 'pointerup', e => {
        if (e.pointerType === 'mouse')
            Module._take_mouse(type, e.clientX, e.clientY, e.button, e.buttons);
    });
    mouse(pressed, Module.canvas);
    mouse(moved, window);
    mouse(released, window);
});
// clang-format on

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

// Tells the page that the canvas has closed for good (Module.onWindowClosed): the program is
// done with it.
// clang-format off
EM_JS(void, tell_page_window_closed, (), {
    if (Module.onWindowClosed)
        Module.onWindowClosed();
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
    listen_to_mouse(POINTER_PRESSED, POINTER_MOVED, POINTER_RELEASED);
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

void rest(unsigned int ms) {
    emscripten_sleep(ms);
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
        tell_page_window_closed();
        return 0;
    }
    window_open = open_canvas();
    return window_open ? 0 : -1;
}

// The timer catches up on the game time that passed while the browser had its turn: it runs
// its callback once for every period of game time since it was installed that it has not run
// for yet.
static void catch_up_timer() {
    if (!timer_proc)
        return;
    long due = long((game_time() - timer_start) / timer_period);
    for (; timer_ticks_run < due; timer_ticks_run++)
        timer_proc();
}

void allegro_gl_flip() {
    await_animation_frame();
    catch_up_timer();
}
