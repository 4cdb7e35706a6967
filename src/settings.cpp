// The player's settings: the table describing each, and the file's lines read and written by it.
#include "settings.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

const int MAX_WORD = 200;  // bytes for one key's name as read, its end included ("%199s")
const char *const HEADER = // the file's first line
    "# Haystack's settings: the display, music, comfort, speeds, keys and board (see the "
    "README).\n";

// A number kept at `offset` in Settings, `initial` for a new player, with its `range`; shown
// `as` a percent or a window's size, or as `zero_word` at 0 where there is one.
static constexpr Setting number_setting(const char *name, const char *title, int screen_order,
                                        size_t offset, int initial, SettingRange range,
                                        NumberShown as, const char *zero_word = nullptr) {
    return {name,  title, screen_order,         false, SETTING_NUMBER, offset, initial,
            range, {},    {zero_word, nullptr}, as,    nullptr};
}

// A choice kept at `offset` in Settings, `initial` for a new player, with its two words in the
// file and its two on the screen.
static constexpr Setting choice_setting(const char *name, const char *title, int screen_order,
                                        size_t offset, bool initial, SettingWords words,
                                        SettingWords shown) {
    return {name,    title, screen_order, false, SETTING_CHOICE, offset,
            initial, {},    words,        shown, SHOWN_PERCENT,  nullptr};
}

// Every action's keys, their lines named `prefix` and the action's name.
static constexpr Setting keys_setting(const char *prefix, int screen_order) {
    return {prefix, nullptr, screen_order, false, SETTING_KEYS,  0,
            0,      {},      {},           {},    SHOWN_PERCENT, nullptr};
}

// A text kept at `offset` in Settings in `size` bytes, empty for a new player, and kept only when
// `allowed`; shown on the screen under `title`, or not at all when that is null.
static constexpr Setting text_setting(const char *name, const char *title, int screen_order,
                                      size_t offset, int size, bool (*allowed)(const char *)) {
    return {name, title,        screen_order, false, SETTING_TEXT,  offset,
            0,    {0, size, 1}, {},           {},    SHOWN_PERCENT, allowed};
}

// `setting` as one of the window's choices.
static constexpr Setting window_choice(Setting setting) {
    setting.window = true;
    return setting;
}

constexpr SettingRange SPEEDS = {MIN_SPEED, MAX_SPEED, SPEED_STEP}; // turning's and the cross's

// Each setting: its name in the file, its title and order on the options screen, where Settings
// keeps it, a new player's value, then its range and how the screen shows it, or its words in
// the file and on the screen.
constexpr Setting SETTING_TABLE[SETTING_COUNT] = {
    window_choice(choice_setting("display", "Fullscreen", 10,
                                 offsetof(Settings, display.fullscreen), false,
                                 {"window", "fullscreen"}, {"Off", "On"})),
    window_choice(number_setting("scale", "Window size", 9, offsetof(Settings, display.scale), 1,
                                 {1, MAX_SAVED_SCALE, 1}, SHOWN_WINDOW_SIZE)),
    number_setting("music", "Music", 1, offsetof(Settings, music), MAX_MUSIC,
                   {0, MAX_MUSIC, MUSIC_STEP}, SHOWN_PERCENT, "Off"),
    choice_setting("look", "Look down mode", 2, offsetof(Settings, look_toggle), false,
                   {"hold", "toggle"}, {"Hold", "Toggle"}),
    choice_setting("bob", "Head bob", 3, offsetof(Settings, bob), true, {"off", "on"},
                   {"Off", "On"}),
    choice_setting("needle", "Needle hint", 4, offsetof(Settings, glint), false, {"off", "glint"},
                   {"Off", "Glint"}),
    number_setting("turn", "Turning speed", 5, offsetof(Settings, turn), USUAL_SPEED, SPEEDS,
                   SHOWN_PERCENT),
    number_setting("cross", "Cross speed", 6, offsetof(Settings, cross), USUAL_SPEED, SPEEDS,
                   SHOWN_PERCENT),
    choice_setting("mouse", "Mouse", 7, offsetof(Settings, mouse_steer), false, {"aim", "steer"},
                   {"Aims", "Aims and steers"}),
    keys_setting("key.", 8),
    text_setting("board", nullptr, 12, offsetof(Settings, board), BOARD_ADDRESS_SIZE,
                 board_address_allowed),
    text_setting("name", "Name on the board", 11, offsetof(Settings, name), BOARD_NAME_SIZE,
                 board_name_allowed),
    text_setting("token", nullptr, 13, offsetof(Settings, token), BOARD_TOKEN_SIZE,
                 board_token_allowed),
};
static_assert(SETTING_TABLE[SETTING_COUNT - 1].name, "SETTING_COUNT counts every setting");

int setting_value(const Settings &s, const Setting &setting) {
    const unsigned char *place = reinterpret_cast<const unsigned char *>(&s) + setting.offset;
    bool on = false;
    int number = 0;
    if (setting.kind == SETTING_CHOICE)
        std::memcpy(&on, place, sizeof on);
    else
        std::memcpy(&number, place, sizeof number);
    return setting.kind == SETTING_CHOICE ? on : number;
}

void set_setting_value(Settings *s, const Setting &setting, int value) {
    unsigned char *place = reinterpret_cast<unsigned char *>(s) + setting.offset;
    bool on = value;
    if (setting.kind == SETTING_CHOICE)
        std::memcpy(place, &on, sizeof on);
    else
        std::memcpy(place, &value, sizeof value);
}

const char *setting_text(const Settings &s, const Setting &setting) {
    return reinterpret_cast<const char *>(&s) + setting.offset;
}

void set_setting_text(Settings *s, const Setting &setting, const char *text) {
    std::snprintf(reinterpret_cast<char *>(s) + setting.offset, size_t(setting.range.high), "%s",
                  text);
}

bool board_address_allowed(const char *text) {
    bool secure = !std::strncmp(text, "https://", 8), plain = !std::strncmp(text, "http://", 7);
    for (const char *c = text; *c; c++)
        if (*c <= ' ' || *c > '~')
            return false; // no spaces, controls or bytes beyond ASCII
    return std::strlen(text) > size_t(secure ? 8 : 7) && (secure || plain);
}

bool board_name_allowed(const char *text) {
    size_t length = std::strlen(text);
    bool spaced = length && (text[0] == ' ' || text[length - 1] == ' ');
    return length >= 1 && length < size_t(BOARD_NAME_SIZE) && !spaced &&
           std::strspn(text,
                       "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 -_.") ==
               length;
}

bool board_token_allowed(const char *text) {
    return std::strlen(text) == size_t(BOARD_TOKEN_SIZE - 1) &&
           std::strspn(text, "0123456789abcdef") == size_t(BOARD_TOKEN_SIZE - 1);
}

void default_settings(Settings *s) {
    *s = {};
    for (const Setting &setting : SETTING_TABLE)
        if (setting.kind == SETTING_KEYS)
            default_key_bindings(s->keys);
        else if (setting.kind == SETTING_TEXT)
            set_setting_text(s, setting, "");
        else
            set_setting_value(s, setting, setting.initial);
}

// The defaults, for the settings in force before the file is read.
static Settings defaults() {
    Settings s;
    default_settings(&s);
    return s;
}

Settings settings = defaults();
Settings kept_settings = defaults();
char settings_file[MAX_PATH_LENGTH];

void use_settings(const Settings &s) {
    settings = s;
    std::memcpy(key_bindings, s.keys, sizeof key_bindings);
}

void keep_settings() {
    if (settings_file[0])
        write_settings(settings_file, kept_settings);
}

// A whole number in plain decimal digits in `range`, into *number; false for anything else.
static bool read_number(const char *text, SettingRange range, int *number) {
    size_t digits = std::strspn(text, "0123456789");
    if (digits == 0 || digits > 4 || text[digits] != '\0')
        return false;
    int n = std::atoi(text);
    if (n < range.low || n > range.high || n % range.step)
        return false;
    *number = n;
    return true;
}

// One of a choice's two words into *flag: false for `off`, true for `on`; false for neither.
static bool read_choice(const char *text, SettingWords words, bool *flag) {
    if (std::strcmp(text, words.off) && std::strcmp(text, words.on))
        return false;
    *flag = !std::strcmp(text, words.on);
    return true;
}

// The action named after "key.", or ACTIONS for none.
static int action_named(const char *name) {
    int action = 0;
    while (action < ACTIONS && std::strcmp(name, action_name(action)))
        action++;
    return action;
}

// An action's keys, one or two key names between spaces (none leaves it without keys), into
// `keys`: the first named becomes the first key, and keys are taken from other actions.
static bool read_keys(const char *text, int action, KeyBindings keys) {
    char first[MAX_WORD] = "", second[MAX_WORD] = "", extra[MAX_WORD] = "";
    int names = std::sscanf(text, "%199s %199s %199s", first, second, extra);
    int first_key = key_named(first), second_key = key_named(second);
    if (names > 2 || (names >= 1 && !key_name(first_key)) || (names == 2 && !key_name(second_key)))
        return false;
    for (int k = 0; k < KEYS_PER_ACTION; k++)
        keys[action][k] = NO_KEY;
    bool bound = names < 2 || bind_key(keys, action, second_key);
    return (names < 1 || bind_key(keys, action, first_key)) && bound;
}

// The setting a line named `name` sets: the keys' by their prefix, the others by their whole
// name; null for none.
static const Setting *setting_named(const char *name) {
    for (const Setting &setting : SETTING_TABLE) {
        size_t length = std::strlen(setting.name);
        bool prefix = setting.kind == SETTING_KEYS;
        if (prefix ? !std::strncmp(name, setting.name, length) : !std::strcmp(name, setting.name))
            return &setting;
    }
    return nullptr;
}

// Takes `value` into `setting` in `s`, `name` saying whose keys; false for a bad value, with
// `s` perhaps changed in part.
static bool read_value(const Setting &setting, const char *name, const char *value, Settings *s) {
    int number;
    bool on;
    if (setting.kind == SETTING_KEYS) {
        int action = action_named(name + std::strlen(setting.name));
        return action < ACTIONS && read_keys(value, action, s->keys);
    }
    bool fits = std::strlen(value) < size_t(setting.range.high);
    if (setting.kind == SETTING_TEXT && fits && (!*value || setting.allowed(value)))
        set_setting_text(s, setting, value);
    else if (setting.kind == SETTING_CHOICE && read_choice(value, setting.words, &on))
        set_setting_value(s, setting, on);
    else if (setting.kind == SETTING_NUMBER && read_number(value, setting.range, &number))
        set_setting_value(s, setting, number);
    else
        return false;
    return true;
}

bool apply_setting(Settings *s, const char *name, const char *value) {
    const Setting *setting = setting_named(name);
    Settings t = *s; // changed only when the whole value is good
    if (!setting || !read_value(*setting, name, value, &t))
        return false;
    *s = t;
    return true;
}

// Takes one "name=value" line of the file into the settings at `into`.
static bool read_setting(const char *name, const char *value, void *into) {
    return apply_setting(static_cast<Settings *>(into), name, value);
}

void read_settings(const char *path, Settings *s) {
    read_kept_file(path, read_setting, s);
}

// Writes every action's keys, a line each, the keys' names between spaces: the options
// action's first, so that its keys are free when the others' are read.
static void print_keys(std::FILE *file, const char *prefix, const KeyBindings keys) {
    for (int line = 0; line < ACTIONS; line++) {
        int action = line == 0 ? ACTION_OPTIONS : line <= ACTION_OPTIONS ? line - 1 : line;
        std::fprintf(file, "%s%s=", prefix, action_name(action));
        const char *space = "";
        for (int k = 0; k < KEYS_PER_ACTION; k++)
            if (key_name(keys[action][k])) {
                std::fprintf(file, "%s%s", space, key_name(keys[action][k]));
                space = " ";
            }
        std::fputc('\n', file);
    }
}

// Writes one setting of `s`: its line, or the keys' lines.
static void print_setting(std::FILE *file, const Setting &setting, const Settings &s) {
    bool numeric = setting.kind == SETTING_NUMBER || setting.kind == SETTING_CHOICE;
    int value = numeric ? setting_value(s, setting) : 0;
    if (setting.kind == SETTING_KEYS)
        print_keys(file, setting.name, s.keys);
    else if (setting.kind == SETTING_TEXT)
        std::fprintf(file, "%s=%s\n", setting.name, setting_text(s, setting));
    else if (setting.kind == SETTING_CHOICE)
        std::fprintf(file, "%s=%s\n", setting.name, value ? setting.words.on : setting.words.off);
    else
        std::fprintf(file, "%s=%d\n", setting.name, value);
}

// Writes every setting of the Settings at `from`, in the table's order, after the header.
static void print_settings(std::FILE *file, const void *from) {
    const Settings &s = *static_cast<const Settings *>(from);
    std::fputs(HEADER, file);
    for (const Setting &setting : SETTING_TABLE)
        print_setting(file, setting, s);
}

bool write_settings(const char *path, const Settings &s) {
    return write_kept_file(path, print_settings, &s);
}
