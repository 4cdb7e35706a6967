// The browser's windowing layer: the part of the windowing library's interface the game uses,
// over the page's canvas, keyboard, mouse and animation frames (allegro_web.cpp).
#pragma once

#define TRUE -1 // the windowing library's true
#define FALSE 0 // and false

// Scancodes of the keys the game reads, as the windowing library numbers them.
enum {
    KEY_ESC = 59,
    KEY_SPACE = 75,
    KEY_LEFT = 82,
    KEY_RIGHT = 83,
    KEY_UP = 84,
    KEY_DOWN = 85,
    KEY_F11 = 57,       // read by the fullscreen switch, which the page does not pass on
    KEY_ENTER = 67,     // likewise
    KEY_ENTER_PAD = 91, // likewise
    KEY_ALT = 119,      // likewise
    KEY_ALTGR = 120,    // likewise
    KEY_MAX = 127       // one past the highest scancode
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
int install_int_ex(void (*proc)(), long speed);
int set_gfx_mode(int card, int w, int h, int v_w, int v_h);
// The canvas's drawing size when it opens, pixels; then it follows the page's layout.
#define SCREEN_W 640
#define SCREEN_H 480
// The mouse already spans the canvas, whatever its size: nothing to set.
void set_mouse_range(int x1, int y1, int x2, int y2);
