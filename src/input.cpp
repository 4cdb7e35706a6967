// Keys and mouse buttons as the game reads them: a press that came and went between two reads
// still counts once.
#include "input.h"

#include <allegro.h>
#include <atomic>

const int KEY_RELEASED = 0x80; // set in a scancode the keyboard callback gets for a release
const int BUTTONS_DOWN = MOUSE_FLAG_LEFT_DOWN | MOUSE_FLAG_RIGHT_DOWN | MOUSE_FLAG_MIDDLE_DOWN;

static std::atomic<bool> key_pressed[KEY_MAX]; // went down since last read, by scancode
static std::atomic<bool> button_pressed;       // a mouse button went down since the last read

// Keyboard callback, on every key event, from the library's input thread.
static void latch_key(int scancode) {
    if (!(scancode & KEY_RELEASED) && scancode < KEY_MAX)
        key_pressed[scancode] = true;
}

// Mouse callback, on every mouse event, from the library's input thread.
static void latch_button(int flags) {
    if (flags & BUTTONS_DOWN)
        button_pressed = true;
}

void install_input_latches() {
    keyboard_lowlevel_callback = latch_key;
    mouse_callback = latch_button;
}

bool key_down(int scancode) {
    bool pressed = key_pressed[scancode].exchange(false);
    return key[scancode] || pressed;
}

bool mouse_button_down() {
    bool pressed = button_pressed.exchange(false);
    return mouse_b || pressed;
}
