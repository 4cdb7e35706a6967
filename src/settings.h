// The player's display choice kept between games in a small text file, one key a line:
// read tolerantly, written atomically. Where the file lives, and how one file replaces
// another, differ by platform: x11/, windows/ and web/ each have a settings file.
#pragma once

#include <cstddef>

const int MAX_SAVED_SCALE = 100;  // the largest scale the file may hold
const int MAX_PATH_LENGTH = 4096; // bytes for the settings file's path, its end included

struct DisplayChoice {
    int scale;       // the window's size as a multiple of 640x480, 1..MAX_SAVED_SCALE
    bool fullscreen; // the whole screen, returning to the scaled window on a switch
};

const DisplayChoice DEFAULT_DISPLAY = {1, false}; // a 640x480 window

// The choice kept in the file at `path`. A missing file gives the default quietly; a file
// that cannot be read, or holds a line or value it does not know, gives the default with
// one line on standard error saying what was ignored.
DisplayChoice read_display_choice(const char *path);

// Keeps `choice` in the file at `path`, creating its folder if need be: written whole to a
// temporary file beside it, which then replaces it, so that no reader ever sees half a file.
// False, with the file left as it was, when it could not be written.
bool write_display_choice(const char *path, const DisplayChoice &choice);

// Per platform. The settings file's path, $XDG_CONFIG_HOME/haystack/haystack.conf (or
// ~/.config/...) on Linux, %APPDATA%\Haystack\haystack.conf on Windows; false when there is
// no such place, or it does not fit in `size` bytes.
bool settings_path(char *path, size_t size);

// Per platform. Makes the folder holding `file` and the folders above it; whether it exists.
bool make_folder_for(const char *file);

// Per platform. Puts the file `from` in the place of `to` in one step: a reader of `to` sees
// either the old file or the new one.
bool replace_file(const char *from, const char *to);
