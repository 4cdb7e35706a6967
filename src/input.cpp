// Keys, mouse buttons and the gamepad's actions as the game reads them: a press that came and
// went between two reads still counts once; and the keys that switch between window and
// fullscreen.
#include "input.h"

#include <allegro.h>
#include <atomic>

const int KEY_RELEASED = 0x80; // set in a scancode the keyboard callback gets for a release
const int BUTTONS_DOWN = MOUSE_FLAG_LEFT_DOWN | MOUSE_FLAG_RIGHT_DOWN | MOUSE_FLAG_MIDDLE_DOWN;
const int ALL_BUTTONS = 1 | 2 | 4; // mouse_b's bits of the left, right and middle buttons

static std::atomic<bool> key_latched[KEY_MAX]; // went down since last read, by scancode
static std::atomic<bool> key_new[KEY_MAX];     // went down since key_pressed last asked
static bool key_held[KEY_MAX];                 // the keyboard callback's own: which keys are down
static std::atomic<int> button_pressed;        // mouse_b bits of the buttons gone down since their
                                               // last read
static std::atomic<bool> button_new;           // likewise, since mouse_button_pressed last asked
static std::atomic<bool> switch_pressed;       // Alt+Enter or F11 went down since the last read
static bool key_spent[KEY_MAX]; // held as the options screen closed: nothing until let go
static bool buttons_spent;      // likewise, the mouse's buttons
static std::atomic<bool> switch_enter[KEY_MAX]; // Enter gone down with Alt held, until let go:
                                                // the switch's alone, no action's
const int TYPED_KEPT = 64;                      // presses kept in their order for typing, at most
static std::atomic<int> typed[TYPED_KEPT];      // those presses, a ring: scancodes, TYPED_SHIFT
                                                // set where Shift was held
static std::atomic<unsigned> typed_written;     // presses put in the ring so far
static std::atomic<unsigned> typed_read;        // and taken from it

// Alt+Enter or F11 going down after being up. A held key's repeats come as presses with no
// release between (on X11 the windowing library drops the release X sends with each), so
// they are no new press. The Enter of Alt+Enter stays the switch's until it is let go, so
// that neither its repeats nor the hold after Alt is let go aim or choose anything. Called
// before key_held learns of this event.
static void watch_for_switch(int scancode) {
    int code = scancode & ~KEY_RELEASED;
    bool down = !(scancode & KEY_RELEASED);
    bool enter = code == KEY_ENTER || code == KEY_ENTER_PAD;
    if (!enter && code != KEY_F11)
        return;
    bool alt = alt_held();
    bool fresh = down && !key_held[code];
    if (fresh && (alt || !enter))
        switch_pressed = true;
    if (enter && (fresh || !down))
        switch_enter[code] = fresh && alt;
}

// Keyboard callback, on every key event, from the library's input thread.
static void latch_key(int scancode) {
    int code = scancode & ~KEY_RELEASED;
    bool down = !(scancode & KEY_RELEASED);
    watch_for_switch(scancode);
    bool shift = key_held[KEY_LSHIFT] || key_held[KEY_RSHIFT];
    unsigned written = typed_written;
    if (down && code < KEY_MAX && !key_held[code] && written - typed_read < TYPED_KEPT) {
        typed[written % TYPED_KEPT] = code | (shift ? TYPED_SHIFT : 0);
        typed_written = written + 1;
    }
    if (down && code < KEY_MAX && !switch_enter[code]) {
        key_latched[code] = true;
        key_new[code] = key_new[code] || !key_held[code];
    }
    if (code < KEY_MAX)
        key_held[code] = down;
}

// Mouse callback, on every mouse event, from the library's input thread.
static void latch_button(int flags) {
    if (flags & BUTTONS_DOWN)
        button_new = true;
    button_pressed |= (flags & MOUSE_FLAG_LEFT_DOWN ? 1 : 0) |
                      (flags & MOUSE_FLAG_RIGHT_DOWN ? 2 : 0) |
                      (flags & MOUSE_FLAG_MIDDLE_DOWN ? 4 : 0);
}

void install_input_latches() {
    keyboard_lowlevel_callback = latch_key;
    mouse_callback = latch_button;
}

bool key_down(int scancode) {
    bool pressed = key_latched[scancode].exchange(false);
    key_spent[scancode] = key_spent[scancode] && key[scancode];
    return !key_spent[scancode] && !switch_enter[scancode] && (key[scancode] || pressed);
}

bool mouse_button_down() {
    return mouse_buttons_down(ALL_BUTTONS);
}

bool mouse_buttons_down(int buttons) {
    bool pressed = button_pressed.fetch_and(~buttons) & buttons;
    buttons_spent = buttons_spent && mouse_b;
    return !buttons_spent && ((mouse_b & buttons) || pressed);
}

bool key_pressed(int scancode) {
    return key_new[scancode].exchange(false);
}

int typed_key_pressed() {
    unsigned read = typed_read;
    if (read == typed_written)
        return 0;
    typed_read = read + 1;
    return typed[read % TYPED_KEPT];
}

bool mouse_button_pressed() {
    return button_new.exchange(false);
}

void forget_presses() {
    for (int code = 0; code < KEY_MAX; code++) {
        key_latched[code] = false;
        key_new[code] = false;
        key_spent[code] = key[code];
    }
    typed_read = unsigned(typed_written);
    button_pressed = 0;
    button_new = false;
    buttons_spent = mouse_b;
}

bool alt_held() {
    return key[KEY_ALT] || key[KEY_ALTGR];
}

bool display_switch_pressed() {
    return switch_pressed.exchange(false);
}
