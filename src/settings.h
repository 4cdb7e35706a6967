// The player's settings: the display, the music, comfort, speeds and keys, kept between games
// in a small text file, one "name=value" a line: read tolerantly, written atomically. Where
// the file lives, and how one file replaces another, differ by platform: x11/, windows/ and
// web/ each have a settings file.
#pragma once

#include <cstddef>
#include <cstdio>

#include "controls.h"

const int MAX_SAVED_SCALE = 100;  // the largest scale the file may hold
const int MAX_PATH_LENGTH = 4096; // bytes for the settings file's path, its end included
const int MUSIC_STEP = 10;        // the music's volume moves in tenths, percent
const int MAX_MUSIC = 100;        // full volume, percent; 0 is off
const int MIN_SPEED = 50;         // the slowest turning and cross speeds, percent of the usual
const int MAX_SPEED = 200;        // the fastest, percent
const int SPEED_STEP = 10;        // speeds move in tenths of the usual, percent

struct DisplayChoice {
    int scale;       // the window's size as a multiple of 640x480, 1..MAX_SAVED_SCALE
    bool fullscreen; // the whole screen, returning to the scaled window on a switch
};

const DisplayChoice DEFAULT_DISPLAY = {1, false}; // a 640x480 window

struct Settings {
    DisplayChoice display; // window or fullscreen, and the window's scale
    int music;             // the music's volume, 0 (off) to MAX_MUSIC percent, in MUSIC_STEPs
    bool look_toggle;      // a press of look down looks down until the next; else held
    bool bob;              // the eye bobs as the player walks and breathes; else stays level
    bool glint;            // the needle flashes white now and then
    int turn;              // turning speed, MIN_SPEED..MAX_SPEED percent of the usual
    int cross;             // the cross's speed by keys and sticks, likewise
    bool mouse_steer;      // the mouse walks (right button held) and turns (the cross by the
                           // picture's left or right edge) besides aiming; else it only aims
    KeyBindings keys;      // each action's keys
};

extern Settings settings;      // the settings in force now; the defaults until the file is read
extern Settings kept_settings; // the settings the file keeps: those in force less this game's
                               // --set, which it does not keep
extern char settings_file[MAX_PATH_LENGTH]; // where they are kept; empty for nowhere

// Puts `s` in force: the settings the game reads, and the keys its controls read.
void use_settings(const Settings &s);

// Writes kept_settings to settings_file, where there is one.
void keep_settings();

// Every setting as a new player finds it: a 640x480 window, full music, look down held, the
// bob on, no glint, usual speeds and the default keys.
void default_settings(Settings *s);

// Takes one "name=value" setting into `s`, as the file holds it or --set gives it: display,
// scale, music, look, bob, needle, turn, cross, mouse, or key.ACTION with one or two key names
// between spaces. False, with `s` unchanged, for an unknown name or a bad value.
bool apply_setting(Settings *s, const char *name, const char *value);

// The settings kept in the file at `path`, over the defaults. A missing file gives the
// defaults quietly; a line that is not understood is passed over with one line on standard
// error naming it, and the rest of the file still counts.
void read_settings(const char *path, Settings *s);

// Keeps `s` in the file at `path`, creating its folder if need be: written whole to a
// temporary file beside it, which then replaces it, so that no reader ever sees half a file.
// False, with the file left as it was, when it could not be written.
bool write_settings(const char *path, const Settings &s);

// Reads a kept file of "name=value" lines, handing each line's name and value to `take` with
// `into`; blank lines and lines starting with "#" are passed over quietly. A missing file reads
// as empty, quietly; a line without "=", one `take` refuses, or one too long to be read, is
// passed over with one line on standard error naming it.
void read_kept_file(const char *path, bool (*take)(const char *name, const char *value, void *into),
                    void *into);

// Writes a kept file through `print`, given `from`, as write_settings writes the settings: the
// whole file or, with a false return, none of it.
bool write_kept_file(const char *path, void (*print)(std::FILE *file, const void *from),
                     const void *from);

// The path of the file `name` in the folder holding `file`; false when it does not fit in
// `size` bytes.
bool kept_file_beside(const char *file, const char *name, char *path, size_t size);

// Per platform. The settings file's path, $XDG_CONFIG_HOME/haystack/haystack.conf (or
// ~/.config/...) on Linux, %APPDATA%\Haystack\haystack.conf on Windows, a file kept in the
// page's storage in the browser; false when there is no such place, or it does not fit in
// `size` bytes.
bool settings_path(char *path, size_t size);

// Per platform. Makes the folder holding `file` and the folders above it; whether it exists.
bool make_folder_for(const char *file);

// Per platform. Puts the file `from` in the place of `to` in one step: a reader of `to` sees
// either the old file or the new one.
bool replace_file(const char *from, const char *to);
