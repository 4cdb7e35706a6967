// The player's settings kept between games: read tolerantly, line by line, written atomically.
#include "settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const int MAX_LINE = 200;                        // longest line the file may hold, bytes
const char *const TEMPORARY_SUFFIX = ".partial"; // the new file's name while it is written
const char *const KEY_PREFIX = "key.";           // before an action's name, for its keys
const char *const HEADER =                       // the file's first line
    "# Haystack's settings: the display, music, comfort, speeds and keys (see the README).\n";

void default_settings(Settings *s) {
    *s = {DEFAULT_DISPLAY, MAX_MUSIC, false, true, false, 100, 100, false, {}};
    default_key_bindings(s->keys);
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

// A whole number in plain decimal digits from `low` to `high` and a multiple of `step`, into
// *number; false for anything else.
static bool read_number(const char *text, int low, int high, int step, int *number) {
    size_t digits = std::strspn(text, "0123456789");
    if (digits == 0 || digits > 4 || text[digits] != '\0')
        return false;
    int n = std::atoi(text);
    if (n < low || n > high || n % step)
        return false;
    *number = n;
    return true;
}

// One of two words into *flag: false for `off_word`, true for `on_word`; false for neither.
static bool read_choice(const char *text, const char *off_word, const char *on_word, bool *flag) {
    if (std::strcmp(text, off_word) && std::strcmp(text, on_word))
        return false;
    *flag = !std::strcmp(text, on_word);
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
    char first[MAX_LINE] = "", second[MAX_LINE] = "", extra[MAX_LINE] = "";
    int names = std::sscanf(text, "%199s %199s %199s", first, second, extra);
    int first_key = key_named(first), second_key = key_named(second);
    if (names > 2 || (names >= 1 && !key_name(first_key)) || (names == 2 && !key_name(second_key)))
        return false;
    for (int k = 0; k < KEYS_PER_ACTION; k++)
        keys[action][k] = NO_KEY;
    bool bound = names < 2 || bind_key(keys, action, second_key);
    return (names < 1 || bind_key(keys, action, first_key)) && bound;
}

bool apply_setting(Settings *s, const char *name, const char *value) {
    Settings t = *s; // changed only when the whole value is good
    bool good = false;
    if (!std::strcmp(name, "display"))
        good = read_choice(value, "window", "fullscreen", &t.display.fullscreen);
    else if (!std::strcmp(name, "scale"))
        good = read_number(value, 1, MAX_SAVED_SCALE, 1, &t.display.scale);
    else if (!std::strcmp(name, "music"))
        good = read_number(value, 0, MAX_MUSIC, MUSIC_STEP, &t.music);
    else if (!std::strcmp(name, "look"))
        good = read_choice(value, "hold", "toggle", &t.look_toggle);
    else if (!std::strcmp(name, "bob"))
        good = read_choice(value, "off", "on", &t.bob);
    else if (!std::strcmp(name, "needle"))
        good = read_choice(value, "off", "glint", &t.glint);
    else if (!std::strcmp(name, "turn"))
        good = read_number(value, MIN_SPEED, MAX_SPEED, SPEED_STEP, &t.turn);
    else if (!std::strcmp(name, "cross"))
        good = read_number(value, MIN_SPEED, MAX_SPEED, SPEED_STEP, &t.cross);
    else if (!std::strcmp(name, "mouse"))
        good = read_choice(value, "aim", "steer", &t.mouse_steer);
    else if (!std::strncmp(name, KEY_PREFIX, std::strlen(KEY_PREFIX))) {
        int action = action_named(name + std::strlen(KEY_PREFIX));
        good = action < ACTIONS && read_keys(value, action, t.keys);
    }
    if (good)
        *s = t;
    return good;
}

// Takes one "name=value" line of the file into the settings at `into`.
static bool read_setting(const char *name, const char *value, void *into) {
    return apply_setting(static_cast<Settings *>(into), name, value);
}

// Hands one line to `take` as its name and value; a blank line or a comment is taken as it
// is, and a line without "=" is not understood.
static bool read_line(char *line, bool (*take)(const char *name, const char *value, void *into),
                      void *into) {
    line[std::strcspn(line, "\r\n")] = '\0';
    if (line[0] == '\0' || line[0] == '#')
        return true;
    char *value = std::strchr(line, '=');
    if (!value)
        return false;
    *value++ = '\0';
    return take(line, value, into);
}

// Reads the rest of a line too long for the buffer, so that the next read starts a new line.
static void skip_rest_of_line(std::FILE *file) {
    int c;
    while ((c = std::getc(file)) != EOF && c != '\n') {
    }
}

void read_kept_file(const char *path, bool (*take)(const char *name, const char *value, void *into),
                    void *into) {
    std::FILE *file = std::fopen(path, "r");
    if (!file && errno != ENOENT)
        std::fprintf(stderr, "haystack: ignoring %s: %s\n", path, std::strerror(errno));
    if (!file)
        return; // none kept, or none readable: what it would hold stays as it was
    char line[MAX_LINE];
    for (int number = 1; std::fgets(line, sizeof line, file); number++) {
        bool whole = std::strchr(line, '\n') || std::feof(file);
        if (!whole)
            skip_rest_of_line(file);
        if (!whole || !read_line(line, take, into))
            std::fprintf(stderr, "haystack: %s, line %d is not understood; passed over\n", path,
                         number);
    }
    if (std::ferror(file))
        std::fprintf(stderr, "haystack: %s could not be read to its end\n", path);
    std::fclose(file);
}

void read_settings(const char *path, Settings *s) {
    read_kept_file(path, read_setting, s);
}

// Writes every setting of the Settings at `from`, one a line, after the header.
static void print_settings(std::FILE *file, const void *from) {
    const Settings &s = *static_cast<const Settings *>(from);
    std::fprintf(file, "%sdisplay=%s\nscale=%d\n", HEADER,
                 s.display.fullscreen ? "fullscreen" : "window", s.display.scale);
    std::fprintf(file, "music=%d\nlook=%s\nbob=%s\nneedle=%s\nturn=%d\ncross=%d\n", s.music,
                 s.look_toggle ? "toggle" : "hold", s.bob ? "on" : "off", s.glint ? "glint" : "off",
                 s.turn, s.cross);
    std::fprintf(file, "mouse=%s\n", s.mouse_steer ? "steer" : "aim");
    for (int line = 0; line < ACTIONS; line++) { // options first, so that its keys are free
        int action = line == 0 ? ACTION_OPTIONS : line <= ACTION_OPTIONS ? line - 1 : line;
        std::fprintf(file, "%s%s=", KEY_PREFIX, action_name(action));
        const char *space = "";
        for (int k = 0; k < KEYS_PER_ACTION; k++)
            if (key_name(s.keys[action][k])) {
                std::fprintf(file, "%s%s", space, key_name(s.keys[action][k]));
                space = " ";
            }
        std::fputc('\n', file);
    }
}

bool write_kept_file(const char *path, void (*print)(std::FILE *file, const void *from),
                     const void *from) {
    char partial[MAX_PATH_LENGTH];
    if (std::snprintf(partial, sizeof partial, "%s%s", path, TEMPORARY_SUFFIX) >= MAX_PATH_LENGTH ||
        !make_folder_for(path))
        return false;
    std::FILE *file = std::fopen(partial, "w");
    if (!file)
        return false;
    print(file, from);
    bool written = !std::ferror(file);
    written = std::fclose(file) == 0 && written;
    if (written && replace_file(partial, path))
        return true;
    std::remove(partial);
    return false;
}

bool write_settings(const char *path, const Settings &s) {
    return write_kept_file(path, print_settings, &s);
}

bool kept_file_beside(const char *file, const char *name, char *path, size_t size) {
    const char *slash = std::strrchr(file, '/');
    const char *backslash = std::strrchr(file, '\\');
    const char *end = backslash && (!slash || backslash > slash) ? backslash + 1
                      : slash                                    ? slash + 1
                                                                 : file;
    int length = std::snprintf(path, size, "%.*s%s", int(end - file), file, name);
    return file[0] && length > 0 && size_t(length) < size;
}
