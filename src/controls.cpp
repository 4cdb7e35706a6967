// The game's actions from the player's keys, the gamepad's buttons and the page's controls;
// the fixed keys; and the keys' names.
#include "controls.h"

#include <allegro.h>
#include <cstdio>
#include <cstring>
#include <strings.h>

#include "input.h"

const int NO_PAD_ACTION = -1; // an action no pad button does
const int NO_ACTION = -1;     // a fixed key that stands for no action besides
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

// A page control's hold on an action, latched as a key's is: a hold that came and went between
// two reads still counts once.
struct PageHold {
    bool down;  // held now
    bool begun; // went down since action_held last read it
    bool fresh; // went down since action_pressed last asked
    bool spent; // held as the options screen closed: nothing until let go
};
static PageHold page_holds[ACTIONS];      // by Action
static bool page_requests[PAGE_REQUESTS]; // asked for and not yet read, by PageRequest

static const KeyBindings DEFAULT_KEYS = { // the arrows and W/A/S/D, Space, Enter, I/J/K/L,
                                          // Tab, M and N, by Action
    {KEY_UP, KEY_W}, {KEY_DOWN, KEY_S}, {KEY_LEFT, KEY_A}, {KEY_RIGHT, KEY_D}, {KEY_SPACE, 0},
    {KEY_ENTER, 0},  {KEY_I, 0},        {KEY_K, 0},        {KEY_J, 0},         {KEY_L, 0},
    {KEY_TAB, 0},    {KEY_M, 0},        {KEY_N, 0}};

void default_key_bindings(KeyBindings keys) {
    std::memcpy(keys, DEFAULT_KEYS, sizeof DEFAULT_KEYS);
}

KeyBindings key_bindings;
[[maybe_unused]] static const bool KEYS_DEFAULTED = // the defaults from the start, until the
    (default_key_bindings(key_bindings), true);     // settings are put in force

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

const int WALK_KEYS = 4; // the actions that walk and turn, each with its keys
static const int WALK_ACTIONS[WALK_KEYS] = {ACTION_FORWARD, ACTION_LEFT, ACTION_BACK,
                                            ACTION_RIGHT}; // in W, A, S and D's order
static const char *const ARROW_NAMES[WALK_KEYS] = {"Up", "Left", "Down", "Right"}; // the arrows
const int WALK_TEXT_SIZE = HINT_LINE_SIZE - 8; // bytes for one place's walking keys: the four
                                               // longest names take 51, ": walk" fits after

// Adds `more` to the end of `text`, as much as its `size` bytes hold.
static void add_text(char *text, size_t size, const char *more) {
    size_t used = std::strlen(text);
    std::snprintf(text + used, size - used, "%s", more);
}

// The walking and turning actions' keys in place `k` of their two, in `text`: "arrows" for the
// arrows, "WASD" for four one-letter names, else the names between slashes
// ("F/Left/Down/Right"); empty for none.
static void walk_keys(int k, char *text, size_t size) {
    const char *names[WALK_KEYS];
    int count = 0;
    bool arrows = true, letters = true;
    for (int i = 0; i < WALK_KEYS; i++) {
        const char *name = key_name(key_bindings[WALK_ACTIONS[i]][k]);
        arrows = arrows && name && !std::strcmp(name, ARROW_NAMES[i]);
        letters = letters && name && !name[1];
        if (name)
            names[count++] = name;
    }
    std::snprintf(text, size, "%s", arrows ? "arrows" : "");
    for (int i = 0; i < count && !arrows; i++) {
        if (i && !letters)
            add_text(text, size, "/");
        add_text(text, size, names[i]);
    }
}

// Whether `written`, what snprintf gave for a line, fits in a line of the hint.
static bool fits(int written, int longest) {
    return written < HINT_LINE_SIZE && written <= longest;
}

int key_hint_lines(char lines[HINT_LINES][HINT_LINE_SIZE], int longest) {
    char first[WALK_TEXT_SIZE], second[WALK_TEXT_SIZE], walk[HINT_LINE_SIZE] = "";
    char options[HINT_LINE_SIZE] = "";
    walk_keys(0, first, sizeof first);
    walk_keys(1, second, sizeof second);
    bool both =
        *first && *second &&
        fits(std::snprintf(walk, sizeof walk, "%s or %s: walk", first, second), HINT_LINE_SIZE);
    if (!both && (*first || *second))
        std::snprintf(walk, sizeof walk, "%s: walk", *first ? first : second);
    if (const char *options_key = key_name(key_bindings[ACTION_OPTIONS][0]))
        std::snprintf(options, sizeof options, "%s: options", options_key);
    if (*walk && *options &&
        fits(std::snprintf(lines[0], HINT_LINE_SIZE, "%s   %s", walk, options), longest))
        return 1;
    const char *const parts[] = {walk, options};
    int count = 0;
    for (const char *line : parts)
        if (*line)
            std::snprintf(lines[count++], HINT_LINE_SIZE, "%s", line);
    return count;
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
    return alt_held() && (scancode == KEY_ENTER || scancode == KEY_ENTER_PAD);
}

// Whether `read` finds the key down, or pressed, as the key of an action: Alt+Enter's Enter
// is none.
static bool read_key(int scancode, bool (*read)(int scancode)) {
    return scancode != NO_KEY && read(scancode) && !switching_display(scancode);
}

// Whether `read` finds one of the action's keys down, reading every one so that none keeps a
// press for later, or a pad does the action as `read_pad` finds it.
static bool keys_or_pad(int action, bool (*read)(int scancode), bool (*read_pad)(PadAction)) {
    bool keyed = false;
    for (int k = 0; k < KEYS_PER_ACTION; k++)
        keyed = read_key(key_bindings[action][k], read) || keyed;
    int pad = ACTION_INFO[action].pad;
    return (pad != NO_PAD_ACTION && read_pad(PadAction(pad))) || keyed;
}

// Whether a page control holds the action now, or began to since the last read; the read
// clears it.
static bool page_held(int action) {
    PageHold &hold = page_holds[action];
    bool begun = hold.begun;
    hold.begun = false;
    hold.spent = hold.spent && hold.down;
    return !hold.spent && (hold.down || begun);
}

// Whether a page control began to hold the action since this was last asked.
static bool page_pressed(int action) {
    bool fresh = page_holds[action].fresh;
    page_holds[action].fresh = false;
    return fresh;
}

bool action_held(int action) {
    bool paged = page_held(action);
    return keys_or_pad(action, key_down, pad_action) || paged;
}

bool action_pressed(int action) {
    bool paged = page_pressed(action);
    return keys_or_pad(action, key_pressed, pad_action_pressed) || paged;
}

void hold_page_action(int action, bool down) {
    if (action < 0 || action >= ACTIONS || page_holds[action].down == down)
        return;
    PageHold &hold = page_holds[action];
    hold.down = down;
    hold.begun = hold.begun || down;
    hold.fresh = hold.fresh || down;
    hold.spent = hold.spent && down; // let go, it counts again at its next hold
}

void make_page_request(PageRequest request) {
    page_requests[request] = true;
}

// Whether the page asked for `request` since the last read; the read clears it.
static bool page_asked(PageRequest request) {
    bool asked = page_requests[request];
    page_requests[request] = false;
    return asked;
}

// Whether the key is down or any gamepad does `action`, either of them now or since its last
// read; both are read, and both reads clear.
static bool key_or_pad(int scancode, PadAction action) {
    bool keyed = key_down(scancode);
    return pad_action(action) || keyed;
}

bool quit_asked() {
    bool paged = page_asked(PAGE_QUIT);
    return key_or_pad(KEY_ESC, PAD_QUIT) || paged;
}

bool start_asked() {
    bool paged = page_asked(PAGE_START);
    return key_or_pad(KEY_SPACE, PAD_START_PLAY) || paged;
}

bool options_asked(bool playing, bool binding) {
    bool keyed = !binding && action_pressed(ACTION_OPTIONS);
    bool started = pad_action_pressed(PAD_START_PLAY) && playing;
    return page_asked(PAGE_OPTIONS) || keyed || started;
}

bool display_switch_asked() {
    return display_switch_pressed();
}

// Each replay move's fixed key, and the pad's press for it, by WatchMove.
static const struct {
    int key; // its key
    int pad; // the pad's press, or NO_PAD_ACTION
} WATCH_KEYS[WATCH_MOVES] = {{KEY_SPACE, NO_PAD_ACTION},
                             {KEY_RIGHT, NO_PAD_ACTION},
                             {KEY_LEFT, NO_PAD_ACTION},
                             {KEY_R, PAD_WATCH}};

bool watch_pressed(WatchMove move) {
    bool paged = move == WATCH_AGAIN && page_asked(PAGE_WATCH);
    bool keyed = read_key(WATCH_KEYS[move].key, key_pressed);
    int pad = WATCH_KEYS[move].pad;
    return (pad != NO_PAD_ACTION && pad_action_pressed(PadAction(pad))) || keyed || paged;
}

bool send_asked() {
    bool keyed = read_key(KEY_U, key_pressed);
    return pad_action_pressed(PAD_SEND) || keyed;
}

// The character a key types into a name, with Shift held or not; 0 for none.
static char character_of(int scancode, bool shift) {
    if (scancode >= KEY_A && scancode <= KEY_Z)
        return char((shift ? 'A' : 'a') + scancode - KEY_A);
    if (scancode >= KEY_0 && scancode <= KEY_9 && !shift)
        return char('0' + scancode - KEY_0);
    if (scancode >= KEY_0_PAD && scancode <= KEY_9_PAD)
        return char('0' + scancode - KEY_0_PAD);
    if (scancode == KEY_MINUS)
        return shift ? '_' : '-';
    const struct {
        int scancode;
        char typed;
    } OTHERS[] = {{KEY_SPACE, ' '},      {KEY_STOP, '.'},   {KEY_MINUS_PAD, '-'},
                  {KEY_BACKSPACE, '\b'}, {KEY_ENTER, '\n'}, {KEY_ENTER_PAD, '\n'}};
    for (auto other : OTHERS)
        if (scancode == other.scancode && !(shift && other.typed == '.'))
            return other.typed;
    return 0;
}

char name_character_pressed() {
    while (bindable_key_pressed() != NO_KEY) {
        // the presses' latches and the pads' are spent too, so that nothing typed acts later
    }
    for (int typed = typed_key_pressed(); typed; typed = typed_key_pressed())
        if (char c = character_of(typed & ~TYPED_SHIFT, typed & TYPED_SHIFT))
            return c;
    return 0;
}

// Each move's fixed key, besides the action whose keys and pad also make it.
struct MenuKeys {
    int action;  // the action that also moves so, or NO_ACTION
    int keys[2]; // its fixed keys, NO_KEY for none
    int pad;     // the pad's own press for it, or NO_PAD_ACTION
};
static const MenuKeys MENU_KEYS[MENU_MOVES] = { // by MenuMove
    {ACTION_FORWARD, {KEY_UP, NO_KEY}, NO_PAD_ACTION},
    {ACTION_BACK, {KEY_DOWN, NO_KEY}, NO_PAD_ACTION},
    {ACTION_LEFT, {KEY_LEFT, NO_KEY}, NO_PAD_ACTION},
    {ACTION_RIGHT, {KEY_RIGHT, NO_KEY}, NO_PAD_ACTION},
    {NO_ACTION, {KEY_ENTER, KEY_ENTER_PAD}, PAD_AIM},
    {NO_ACTION, {NO_KEY, NO_KEY}, PAD_BACK_OUT}};

bool menu_pressed(MenuMove move) {
    const MenuKeys &m = MENU_KEYS[move];
    bool pressed = m.action != NO_ACTION && action_pressed(m.action);
    for (int scancode : m.keys)
        pressed = read_key(scancode, key_pressed) || pressed;
    return (m.pad != NO_PAD_ACTION && pad_action_pressed(PadAction(m.pad))) || pressed;
}

int bindable_key_pressed() {
    for (int action = 0; action < PAD_ACTIONS; action++)
        pad_action_pressed(PadAction(action));
    for (int scancode = 1; scancode < KEY_MAX; scancode++)
        if (key_pressed(scancode) && key_name(scancode))
            return scancode;
    return NO_KEY;
}

void forget_all_presses() {
    forget_presses();
    pad_forget_presses();
    for (PageHold &hold : page_holds)
        hold = {hold.down, false, false, hold.down};
    for (bool &asked : page_requests)
        asked = false;
}
