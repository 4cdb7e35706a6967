// Keys, mouse buttons and the gamepad's actions as the game reads them: a press that came and
// went between two reads still counts once; and the keys that switch between window and
// fullscreen.
#pragma once

// Hooks the press latches into the windowing library's keyboard and mouse callbacks; after
// the keyboard and mouse are installed.
void install_input_latches();

// Whether the key (a windowing library scancode) is down, or went down since this key was
// last read; the read clears the latch. Read each key at most once per tick or frame. An
// Enter pressed with Alt held is the display switch's, and neither, until it is let go.
bool key_down(int scancode);

// Whether the key went down since this was last asked for it, apart from key_down: each press
// once, a held key's repeats not at all, and Alt+Enter's Enter never.
bool key_pressed(int scancode);

const int TYPED_SHIFT = 0x100; // set in a typed key's scancode when Shift was held with it

// The next key pressed, in the order they were pressed, for typing: its scancode with
// TYPED_SHIFT set when Shift was held; 0 once none is left. Apart from the latches above; a held
// key's repeats are no new presses, and presses beyond the last 64 unread are lost.
int typed_key_pressed();

// Whether a mouse button went down since this was last asked, apart from mouse_button_down.
bool mouse_button_pressed();

// Forgets every key and button press not yet read, and takes no key or button held now for
// held until it is let go, so that presses meant for the options screen (Enter or a click on
// "Back to the game") do nothing in the game once it closes.
void forget_presses();

// Whether either Alt key is down: Enter with it is the display switch's.
bool alt_held();

// Whether any mouse button is down, or went down since the last read; likewise.
bool mouse_button_down();

// The same for the buttons among `buttons` (mouse_b's bits: 1 left, 2 right, 4 middle), each
// button's press read apart from the others'.
bool mouse_buttons_down(int buttons);

// Whether Alt+Enter (either Alt, either Enter) or F11 was pressed since the last read: once a
// press however long it is held, as key repeat presses a held key again without letting it
// go first; the read clears it.
bool display_switch_pressed();
