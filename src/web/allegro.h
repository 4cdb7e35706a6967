// The browser's windowing layer: the part of the windowing library's interface the game uses,
// over the page's canvas, keyboard, mouse and animation frames (allegro_web.cpp).
#pragma once

#define TRUE -1 // the windowing library's true
#define FALSE 0 // and false

// Scancodes of the keys the game reads and binds, as the windowing library numbers them, so that
// a key has the same number and name on every platform.
enum {
    KEY_A = 1, // the letters, A to Z
    KEY_B = 2,
    KEY_C = 3,
    KEY_D = 4,
    KEY_E = 5,
    KEY_F = 6,
    KEY_G = 7,
    KEY_H = 8,
    KEY_I = 9,
    KEY_J = 10,
    KEY_K = 11,
    KEY_L = 12,
    KEY_M = 13,
    KEY_N = 14,
    KEY_O = 15,
    KEY_P = 16,
    KEY_Q = 17,
    KEY_R = 18,
    KEY_S = 19,
    KEY_T = 20,
    KEY_U = 21,
    KEY_V = 22,
    KEY_W = 23,
    KEY_X = 24,
    KEY_Y = 25,
    KEY_Z = 26,
    KEY_0 = 27, // the digits above the letters
    KEY_1 = 28,
    KEY_2 = 29,
    KEY_3 = 30,
    KEY_4 = 31,
    KEY_5 = 32,
    KEY_6 = 33,
    KEY_7 = 34,
    KEY_8 = 35,
    KEY_9 = 36,
    KEY_0_PAD = 37, // the keypad's digits
    KEY_1_PAD = 38,
    KEY_2_PAD = 39,
    KEY_3_PAD = 40,
    KEY_4_PAD = 41,
    KEY_5_PAD = 42,
    KEY_6_PAD = 43,
    KEY_7_PAD = 44,
    KEY_8_PAD = 45,
    KEY_9_PAD = 46,
    KEY_F1 = 47, // the F-keys
    KEY_F2 = 48,
    KEY_F3 = 49,
    KEY_F4 = 50,
    KEY_F5 = 51,
    KEY_F6 = 52,
    KEY_F7 = 53,
    KEY_F8 = 54,
    KEY_F9 = 55,
    KEY_F10 = 56,
    KEY_F11 = 57, // the fullscreen switch, never bound
    KEY_F12 = 58,
    KEY_ESC = 59,   // always ends the game, never bound
    KEY_TILDE = 60, // left of 1
    KEY_MINUS = 61,
    KEY_EQUALS = 62,
    KEY_BACKSPACE = 63,
    KEY_TAB = 64,
    KEY_OPENBRACE = 65,
    KEY_CLOSEBRACE = 66,
    KEY_ENTER = 67,
    KEY_COLON = 68, // the semicolon key
    KEY_QUOTE = 69,
    KEY_BACKSLASH = 70,
    KEY_BACKSLASH2 = 71, // the key beside the left Shift on European keyboards
    KEY_COMMA = 72,
    KEY_STOP = 73, // the full stop
    KEY_SLASH = 74,
    KEY_SPACE = 75,
    KEY_INSERT = 76,
    KEY_DEL = 77,
    KEY_HOME = 78,
    KEY_END = 79,
    KEY_PGUP = 80,
    KEY_PGDN = 81,
    KEY_LEFT = 82, // the arrows
    KEY_RIGHT = 83,
    KEY_UP = 84,
    KEY_DOWN = 85,
    KEY_SLASH_PAD = 86, // the keypad's other keys
    KEY_ASTERISK = 87,
    KEY_MINUS_PAD = 88,
    KEY_PLUS_PAD = 89,
    KEY_DEL_PAD = 90,
    KEY_ENTER_PAD = 91,
    KEY_LSHIFT = 115, // the modifiers
    KEY_RSHIFT = 116,
    KEY_LCONTROL = 117,
    KEY_RCONTROL = 118,
    KEY_ALT = 119,
    KEY_ALTGR = 120, // the right Alt
    KEY_MAX = 127,   // one past the highest scancode
};

// Bits of the flags the mouse callback gets, one for each kind of mouse event.
enum {
    MOUSE_FLAG_MOVE = 1,
    MOUSE_FLAG_LEFT_DOWN = 2,
    MOUSE_FLAG_LEFT_UP = 4,
    MOUSE_FLAG_RIGHT_DOWN = 8,
    MOUSE_FLAG_RIGHT_UP = 16,
    MOUSE_FLAG_MIDDLE_DOWN = 32,
    MOUSE_FLAG_MIDDLE_UP = 64,
    MOUSE_FLAG_MOVE_Z = 128
};

enum { GFX_TEXT = -1, GFX_OPENGL = 0x4F474C20 }; // close the window; an OpenGL window

// Timer periods are in hardware ticks of the windowing library's timer.
#define TIMERS_PER_SECOND 1193181L
#define BPS_TO_TIMER(x) (TIMERS_PER_SECOND / (long)(x))

// The windowing library's entry-point wrapper: the program's own main is the entry.
#define END_OF_MAIN()
// Locking memory for interrupt handlers means nothing in a browser.
#define END_OF_FUNCTION(x)
#define LOCK_FUNCTION(x)
#define LOCK_VARIABLE(x)

extern char allegro_error[256];    // why the last call failed, empty when none did
extern volatile char key[KEY_MAX]; // non-zero while the key with that scancode is down
extern volatile int mouse_x;       // pointer position on the canvas, its drawing pixels
extern volatile int mouse_y;       // likewise, from the top
extern volatile int mouse_b;       // buttons down: 1 left, 2 right, 4 middle
extern void (*keyboard_lowlevel_callback)(int scancode); // every key event; 0x80 set on release
extern void (*mouse_callback)(int flags);                // every mouse event, MOUSE_FLAG_* bits

int allegro_init();
void allegro_message(const char *format, ...);
void set_window_title(const char *title);
int set_close_button_callback(void (*proc)());
int install_keyboard();
int install_mouse();
int install_timer();
// Runs `proc` once for every `speed` hardware ticks of game time, which stands still while the
// tab is hidden: the calls the game time owes are made as the browser's turn ends at each flip.
int install_int_ex(void (*proc)(), long speed);
// Waits `ms` milliseconds, the page going on meanwhile; rest(0) lets the page have its turn:
// draw, and take the player's input, between two long steps.
void rest(unsigned int ms);
int set_gfx_mode(int card, int w, int h, int v_w, int v_h);
// The canvas's drawing size when it opens, pixels; then it follows the page's layout.
#define SCREEN_W 640
#define SCREEN_H 480
// The mouse already spans the canvas, whatever its size: nothing to set.
void set_mouse_range(int x1, int y1, int x2, int y2);
