// The game's actions from the player's keys and the gamepad's buttons, and the keys' names.
#include "controls.h"

#include <allegro.h>
#include <cstdio>
#include <strings.h>

#include "input.h"
#include "settings.h"

const int NO_PAD_ACTION = -1; // an action no pad button does
const int KEY_NAME_SIZE = 16; // bytes for a made-up key name ("Pad9"), room for any number

// An action's names and what the pad does for it.
struct ActionInfo {
    const char *name;  // in the settings file
    const char *title; // on the options screen
    int pad;           // the PadAction that does it too, or NO_PAD_ACTION
};
static const ActionInfo ACTION_INFO[ACTIONS] = { // by Action
    {"forward", "Walk forward", PAD_WALK_FORWARD}, {"back", "Walk back", PAD_WALK_BACK},
    {"left", "Turn left", PAD_TURN_LEFT},          {"right", "Turn right", PAD_TURN_RIGHT},
    {"look", "Look down", PAD_LOOK_DOWN},          {"aim", "Aim and throw", PAD_AIM},
    {"cross_up", "Cross up", PAD_CROSS_UP},        {"cross_down", "Cross down", PAD_CROSS_DOWN},
    {"cross_left", "Cross left", PAD_CROSS_LEFT},  {"cross_right", "Cross right", PAD_CROSS_RIGHT},
    {"options", "Options", NO_PAD_ACTION},         {"mute", "Music on or off", NO_PAD_ACTION},
    {"new_field", "New field", PAD_NEW_FIELD}};

// A key named other than by its letter, digit or number.
struct NamedKey {
    int scancode;     // as the windowing library numbers it
    const char *name; // one word, so that two fit on a line between spaces
};
static const NamedKey NAMED_KEYS[] = { // the keys beyond letters, digits and F-keys
    {KEY_UP, "Up"},
    {KEY_DOWN, "Down"},
    {KEY_LEFT, "Left"},
    {KEY_RIGHT, "Right"},
    {KEY_SPACE, "Space"},
    {KEY_ENTER, "Enter"},
    {KEY_TAB, "Tab"},
    {KEY_BACKSPACE, "Backspace"},
    {KEY_INSERT, "Insert"},
    {KEY_DEL, "Delete"},
    {KEY_HOME, "Home"},
    {KEY_END, "End"},
    {KEY_PGUP, "PageUp"},
    {KEY_PGDN, "PageDown"},
    {KEY_TILDE, "Tilde"},
    {KEY_MINUS, "Minus"},
    {KEY_EQUALS, "Equals"},
    {KEY_OPENBRACE, "OpenBrace"},
    {KEY_CLOSEBRACE, "CloseBrace"},
    {KEY_COLON, "Colon"},
    {KEY_QUOTE, "Quote"},
    {KEY_BACKSLASH, "Backslash"},
    {KEY_BACKSLASH2, "Backslash2"},
    {KEY_COMMA, "Comma"},
    {KEY_STOP, "Stop"},
    {KEY_SLASH, "Slash"},
    {KEY_SLASH_PAD, "PadSlash"},
    {KEY_ASTERISK, "PadAsterisk"},
    {KEY_MINUS_PAD, "PadMinus"},
    {KEY_PLUS_PAD, "PadPlus"},
    {KEY_DEL_PAD, "PadDelete"},
    {KEY_ENTER_PAD, "PadEnter"},
    {KEY_LSHIFT, "LeftShift"},
    {KEY_RSHIFT, "RightShift"},
    {KEY_LCONTROL, "LeftControl"},
    {KEY_RCONTROL, "RightControl"}};

static char made_names[KEY_MAX][KEY_NAME_SIZE]; // letters, digits, Pad0..Pad9, F1..F12 by
                                                // scancode, made at the first look-up

void default_key_bindings(KeyBindings keys) {
    const int defaults[ACTIONS][KEYS_PER_ACTION] = {
        {KEY_UP, KEY_W}, {KEY_DOWN, KEY_S}, {KEY_LEFT, KEY_A}, {KEY_RIGHT, KEY_D}, {KEY_SPACE, 0},
        {KEY_ENTER, 0},  {KEY_I, 0},        {KEY_K, 0},        {KEY_J, 0},         {KEY_L, 0},
        {KEY_TAB, 0},    {KEY_M, 0},        {KEY_N, 0}};
    for (int action = 0; action < ACTIONS; action++)
        for (int k = 0; k < KEYS_PER_ACTION; k++)
            keys[action][k] = defaults[action][k];
}

const char *action_name(int action) {
    return ACTION_INFO[action].name;
}

const char *action_title(int action) {
    return ACTION_INFO[action].title;
}

// The names made from a letter, a digit or a number, the first time they are wanted.
static void make_names() {
    if (made_names[KEY_A][0])
        return;
    for (int i = 0; i < 26; i++)
        std::snprintf(made_names[KEY_A + i], KEY_NAME_SIZE, "%c", 'A' + i);
    for (int i = 0; i < 10; i++) {
        std::snprintf(made_names[KEY_0 + i], KEY_NAME_SIZE, "%d", i);
        std::snprintf(made_names[KEY_0_PAD + i], KEY_NAME_SIZE, "Pad%d", i);
    }
    for (int i = 0; i < 12; i++)
        if (KEY_F1 + i != KEY_F11)
            std::snprintf(made_names[KEY_F1 + i], KEY_NAME_SIZE, "F%d", i + 1);
}

const char *key_name(int scancode) {
    if (scancode <= NO_KEY || scancode >= KEY_MAX)
        return nullptr;
    for (const NamedKey &k : NAMED_KEYS)
        if (k.scancode == scancode)
            return k.name;
    make_names();
    return made_names[scancode][0] ? made_names[scancode] : nullptr;
}

int key_named(const char *name) {
    for (int scancode = 1; scancode < KEY_MAX; scancode++)
        if (key_name(scancode) && !strcasecmp(key_name(scancode), name))
            return scancode;
    return NO_KEY;
}

// Whether the key is the options action's only key, which would leave the screen out of reach.
static bool last_options_key(const KeyBindings keys, int action, int scancode) {
    const int *options = keys[ACTION_OPTIONS];
    return action != ACTION_OPTIONS && options[0] == scancode && options[1] == NO_KEY;
}

bool bind_key(KeyBindings keys, int action, int scancode) {
    if (!key_name(scancode) || last_options_key(keys, action, scancode))
        return false;
    for (int other = 0; other < ACTIONS; other++) // the key leaves whatever had it
        for (int k = 0; k < KEYS_PER_ACTION; k++)
            if (keys[other][k] == scancode) {
                for (int later = k; later + 1 < KEYS_PER_ACTION; later++)
                    keys[other][later] = keys[other][later + 1];
                keys[other][KEYS_PER_ACTION - 1] = NO_KEY;
            }
    for (int k = KEYS_PER_ACTION - 1; k > 0; k--)
        keys[action][k] = keys[action][k - 1];
    keys[action][0] = scancode;
    return true;
}

// Whether the key is Enter with Alt held: that is the switch to fullscreen, nothing else.
static bool switching_display(int scancode) {
    bool alt = key[KEY_ALT] || key[KEY_ALTGR];
    return alt && (scancode == KEY_ENTER || scancode == KEY_ENTER_PAD);
}

// Whether `read` finds one of the action's keys down, reading every one so that none keeps a
// press for later, or a pad does the action as `read_pad` finds it; Alt+Enter counts for no
// action.
static bool keys_or_pad(int action, bool (*read)(int scancode), bool (*read_pad)(PadAction)) {
    bool keyed = false;
    for (int k = 0; k < KEYS_PER_ACTION; k++) {
        int scancode = settings.keys[action][k];
        if (scancode != NO_KEY && read(scancode) && !switching_display(scancode))
            keyed = true;
    }
    int pad = ACTION_INFO[action].pad;
    return (pad != NO_PAD_ACTION && read_pad(PadAction(pad))) || keyed;
}

bool action_held(int action) {
    return keys_or_pad(action, key_down, pad_action);
}

bool action_pressed(int action) {
    return keys_or_pad(action, key_pressed, pad_action_pressed);
}
