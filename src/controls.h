// The game's actions and the keys and pad buttons bound to them: the one place where keys,
// the gamepad and the page's touch controls become walking, turning, looking, aiming and the
// rest. The player's key bindings live here; the pad's buttons are fixed (pad_mapping.h).
#pragma once

#include "pad_mapping.h"

// What the player can do, each with up to KEYS_PER_ACTION keys.
enum Action {
    ACTION_FORWARD,     // walk forward
    ACTION_BACK,        // walk back
    ACTION_LEFT,        // turn left
    ACTION_RIGHT,       // turn right
    ACTION_LOOK,        // look down: held, or toggled by a press
    ACTION_AIM,         // held aims a shot at the cross, released throws it
    ACTION_CROSS_UP,    // move the aiming cross up
    ACTION_CROSS_DOWN,  // and down
    ACTION_CROSS_LEFT,  // and left
    ACTION_CROSS_RIGHT, // and right
    ACTION_OPTIONS,     // open or close the options screen
    ACTION_MUTE,        // turn the music off, or on again
    ACTION_NEW_FIELD,   // after a win, search a new field
    ACTIONS
};

const int KEYS_PER_ACTION = 2; // keys an action may have
const int NO_KEY = 0;          // an empty place in an action's keys

typedef int KeyBindings[ACTIONS][KEYS_PER_ACTION]; // scancodes of each action's keys, NO_KEY
                                                   // for none, the first the one shown first

// The keys each action has until the player binds others: the arrows and W/A/S/D to walk and
// turn, Space to look down, Enter to aim, I/J/K/L for the cross, Tab for options, M for music,
// N for a new field.
void default_key_bindings(KeyBindings keys);

// The action's name in the settings file ("forward", "cross_up") and its title on the options
// screen ("Walk forward").
const char *action_name(int action);
const char *action_title(int action);

// The key's name, the same on every platform ("Up", "W", "Enter", "Pad5"); null for a key that
// cannot be bound: Escape, which always quits, F11 and Alt, which switch to fullscreen (Alt
// with Enter), and keys without a name.
const char *key_name(int scancode);

// The key with that name, in any case; NO_KEY for none.
int key_named(const char *name);

// Binds the key to the action as its first key, its old first key becoming its second: a key
// already bound to another action leaves that one, so that a key does one thing. False, with
// nothing changed, for a key that cannot be bound, or that is the options action's only key.
bool bind_key(KeyBindings keys, int action, int scancode);

// Whether one of the action's keys, or a pad, does the action now, or began to since the
// action was last read; Enter with Alt held is the fullscreen switch, and does no action. Read
// each action once per tick or frame.
bool action_held(int action);

// Whether one of the action's keys, or a pad, was newly pressed since this was last asked;
// a key's repeats while held are no new presses.
bool action_pressed(int action);
