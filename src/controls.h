// The game's actions from the player's three sources, keys and mouse, gamepads and the page's
// own controls: the one place where they become walking, turning, looking, aiming and the
// rest. The key bindings in force live here, and so do the fixed keys (Escape, Space, Alt+Enter
// and F11, R and U after a win, the options screen's arrows and Enter, and the keys that type a
// name); the pad's buttons are fixed (pad_mapping.h).
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

extern KeyBindings key_bindings; // the keys in force: the defaults until the settings are
                                 // put in force

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

const int HINT_LINES = 2;      // lines of the title card's hint of the keys, at most
const int HINT_LINE_SIZE = 64; // bytes for one of them, its end included

// The title card's hint, in the keys in force: the walking and turning keys, the actions' first
// keys apart from their second ("arrows or WASD: walk"), and the options screen's key ("Tab:
// options"); on one line when it holds at most `longest` characters, else on two. How many
// lines.
int key_hint_lines(char lines[HINT_LINES][HINT_LINE_SIZE], int longest);

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

// The page's own controls, the third source beside the keys and the pads: a control holds
// `action` down (`down` true) or lets it go, as a key bound to it would.
void hold_page_action(int action, bool down);

// What the page's controls ask for once, beside the actions.
enum PageRequest {
    PAGE_OPTIONS, // its Options button: the options screen opens or closes
    PAGE_START,   // a tap on the title card: play begins
    PAGE_QUIT,    // its End button, confirmed: the game ends
    PAGE_WATCH,   // its Watch button after a win: the search is watched, as R does
    PAGE_REQUESTS
};

// The page asks for `request`, once; the next read of it answers yes.
void make_page_request(PageRequest request);

// Whether the player asks to quit: Escape, a pad's Back and Start together, or the page's End.
// A press counts once the loop looks, however briefly the key was down.
bool quit_asked();

// Whether the player asks to begin play from the title card: Space, a pad's Start, or a tap
// on the title card. Read once a tick of the title card.
bool start_asked();

// Whether the player asks to open or close the options screen: its key (unless a key is being
// bound, `binding`, which it may be), a pad's Start once play has begun (`playing`), or the
// page's Options button. Each press once.
bool options_asked(bool playing, bool binding);

// What the player asks of a replay: Space pauses or resumes, Right doubles the speed, Left
// halves it, R (or a pad's X, or the page's Watch) watches from the start again, or after a win
// watches the search.
enum WatchMove { WATCH_PAUSE, WATCH_FASTER, WATCH_SLOWER, WATCH_AGAIN, WATCH_MOVES };

// Whether `move` was newly pressed since it was last read; read every move each frame.
bool watch_pressed(WatchMove move);

// Whether the player asks to send the search just won to the board: U, or a pad's Back let go
// with no Start pressed while it was down (with Start it quits). Each press once; read each
// frame.
bool send_asked();

// The character the next key pressed types into a name the board takes: a letter (a capital
// with Shift held), a digit, a space, '-', '.', or '_' (Shift with Minus); '\b' for Backspace,
// '\n' for Enter; 0 once no press is left. Presses of other keys, and the pads', go for nothing.
char name_character_pressed();

// Whether Alt+Enter or F11 asked for the other display since the last read.
bool display_switch_asked();

// The options screen's own moves: the arrows (or the walking and turning keys, or the d-pad)
// move, Enter (or a pad's A) chooses, a pad's B backs out.
enum MenuMove { MENU_UP, MENU_DOWN, MENU_LEFT, MENU_RIGHT, MENU_CHOOSE, MENU_BACK, MENU_MOVES };

// Whether `move` was newly pressed since it was last read; read every move each frame, so that
// none is left over.
bool menu_pressed(MenuMove move);

// The next key pressed that can be bound, NO_KEY for none; every pad press since the last read
// goes for nothing, so that none is left over for after.
int bindable_key_pressed();

// Forgets every press not yet read, of keys, mouse, pads and the page, and takes nothing held
// now for held until it is let go, as after the options screen closes.
void forget_all_presses();
