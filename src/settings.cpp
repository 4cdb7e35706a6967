// The player's display choice kept between games: read tolerantly, written atomically.
#include "settings.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const int MAX_LINE = 200;                        // longest line the file may hold, bytes
const char *const TEMPORARY_SUFFIX = ".partial"; // the new file's name while it is written
const char *const HEADER = "# Haystack's display, as last chosen: window or fullscreen, and the "
                           "window's scale.\n"; // the file's first line

// Takes one "key=value" line into `choice`; false if the key or its value is unknown.
static bool read_line(char *line, DisplayChoice *choice) {
    line[std::strcspn(line, "\r\n")] = '\0';
    if (line[0] == '\0' || line[0] == '#')
        return true;
    char *value = std::strchr(line, '=');
    if (!value)
        return false;
    *value++ = '\0';
    if (!std::strcmp(line, "display") &&
        (!std::strcmp(value, "window") || !std::strcmp(value, "fullscreen"))) {
        choice->fullscreen = !std::strcmp(value, "fullscreen");
        return true;
    }
    char *end = nullptr;
    long scale = std::strtol(value, &end, 10);
    bool whole = end != value && *end == '\0' && value[0] >= '0' && value[0] <= '9';
    if (std::strcmp(line, "scale") || !whole || scale < 1 || scale > MAX_SAVED_SCALE)
        return false;
    choice->scale = int(scale);
    return true;
}

DisplayChoice read_display_choice(const char *path) {
    DisplayChoice choice = DEFAULT_DISPLAY;
    std::FILE *file = std::fopen(path, "r");
    if (!file && errno != ENOENT)
        std::fprintf(stderr, "haystack: ignoring %s: %s\n", path, std::strerror(errno));
    if (!file)
        return choice; // none kept, or none readable: the default
    char line[MAX_LINE];
    int number = 0;
    bool understood = true;
    while (understood && std::fgets(line, sizeof line, file)) {
        number++;
        understood = std::strchr(line, '\n') || std::feof(file) ? read_line(line, &choice) : false;
    }
    understood = understood && !std::ferror(file);
    std::fclose(file);
    if (understood)
        return choice;
    std::fprintf(stderr,
                 "haystack: ignoring %s, line %d is not understood; using a 640x480 "
                 "window\n",
                 path, number);
    return DEFAULT_DISPLAY;
}

bool write_display_choice(const char *path, const DisplayChoice &choice) {
    char partial[MAX_PATH_LENGTH];
    if (std::snprintf(partial, sizeof partial, "%s%s", path, TEMPORARY_SUFFIX) >= MAX_PATH_LENGTH ||
        !make_folder_for(path))
        return false;
    std::FILE *file = std::fopen(partial, "w");
    if (!file)
        return false;
    std::fprintf(file, "%sdisplay=%s\nscale=%d\n", HEADER,
                 choice.fullscreen ? "fullscreen" : "window", choice.scale);
    bool written = !std::ferror(file);
    written = std::fclose(file) == 0 && written;
    if (written && replace_file(partial, path))
        return true;
    std::remove(partial);
    return false;
}
