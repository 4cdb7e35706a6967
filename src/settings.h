// The player's settings: the display, the music, comfort, speeds and keys, kept between games
// in a small text file (kept_file.h), one "name=value" a line. Each setting is described once,
// in SETTING_TABLE, and the file's reading and writing, --set and the options screen all go by
// that description.
#pragma once

#include <cstddef>

#include "controls.h"
#include "kept_file.h"

const int MAX_SAVED_SCALE = 100;    // the largest scale the file may hold
const int MUSIC_STEP = 10;          // the music's volume moves in tenths, percent
const int MAX_MUSIC = 100;          // full volume, percent; 0 is off
const int MIN_SPEED = 50;           // the slowest turning and cross speeds, percent of the usual
const int MAX_SPEED = 200;          // the fastest, percent
const int SPEED_STEP = 10;          // speeds move in tenths of the usual, percent
const int USUAL_SPEED = 100;        // a new player's turning and cross speeds, percent
const int BOARD_ADDRESS_SIZE = 200; // bytes for a board's address, its end included
const int BOARD_NAME_SIZE = 16 + 1; // bytes for the player's name on a board: 1 to 16
                                    // characters, its end included
const int BOARD_TOKEN_SIZE = 2 * 16 + 1; // bytes for the player's token: 128 bits in lowercase
                                         // hex, its end included

struct DisplayChoice {
    int scale;       // the window's size as a multiple of 640x480, 1..MAX_SAVED_SCALE
    bool fullscreen; // the whole screen, returning to the scaled window on a switch
};

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
    char board[BOARD_ADDRESS_SIZE]; // the board won searches are sent to, "https://..." or
                                    // "http://..."; empty for none
    char name[BOARD_NAME_SIZE];     // the player's name there; empty until given
    char token[BOARD_TOKEN_SIZE];   // what proves the name the player's, made at the first send;
                                    // empty until then
};

// What a setting holds, and so how it is read, written, shown and changed.
enum SettingKind {
    SETTING_NUMBER, // an int in Settings: a whole number in its range, a multiple of its step
    SETTING_CHOICE, // a bool in Settings: one of two words, for false and for true
    SETTING_KEYS,   // Settings::keys: a "key.ACTION" line and an entry on the screen for each
                    // action, named and titled by controls.h
    SETTING_TEXT,   // a char array in Settings, range.high bytes with its end: a line of text
                    // that `allowed` takes, or empty
};

// How the options screen shows a number.
enum NumberShown {
    SHOWN_PERCENT,     // "70%", or the setting's word for 0 where it has one
    SHOWN_WINDOW_SIZE, // the window's size at that scale, "1280x960", stepped on the screen no
                       // larger than the desktop has room for
};

struct SettingRange {
    int low;  // a number's least value
    int high; // its greatest, in the file and for --set
    int step; // the value is a multiple of this, and moves by it on the screen
};

struct SettingWords {
    const char *off; // a choice's word for false; a number's for 0 on the screen, or null
    const char *on;  // a choice's word for true
};

// One setting: everything the file, --set and the options screen know of it.
struct Setting {
    const char *name;     // its name in the file and for --set; the keys' "key.", before each
                          // action's name
    const char *title;    // its title on the options screen; null for the keys, whose entries
                          // have their actions' titles
    int screen_order;     // where its entries come on the options screen, in rising order; each
                          // setting's its own
    bool window;          // one of the window's choices, shown only where the desktop offers
                          // them (window_choices_offered) and kept by "Reset to defaults"
    SettingKind kind;     // what it holds
    size_t offset;        // where a number or a choice is kept in Settings, bytes from its start
    int initial;          // a new player's value: the number, or the choice's 0 or 1; the keys'
                          // are default_key_bindings'
    SettingRange range;   // a number's values
    SettingWords words;   // a choice's words in the file
    SettingWords shown;   // a choice's words on the options screen; a number's word for 0
    NumberShown shown_as; // how the options screen shows a number
    bool (*allowed)(const char *text); // whether a text may be kept; empty text always may
};

const int SETTING_COUNT = 13;                      // settings in the table
extern const Setting SETTING_TABLE[SETTING_COUNT]; // every setting, in the file's order

extern Settings settings;      // the settings in force now; the defaults until the file is read
extern Settings kept_settings; // the settings the file keeps: those in force less this game's
                               // --set, which it does not keep
extern char settings_file[MAX_PATH_LENGTH]; // where they are kept; empty for nowhere

// The text in `s` of a text setting, and its change to `text`, which must fit and be allowed.
const char *setting_text(const Settings &s, const Setting &setting);
void set_setting_text(Settings *s, const Setting &setting, const char *text);

// What a board's texts allow: an address in http:// or https:// without spaces; a name of 1 to
// 16 letters, digits, spaces and "-_." that neither begins nor ends with a space; a token of 32
// lowercase hex digits.
bool board_address_allowed(const char *text);
bool board_name_allowed(const char *text);
bool board_token_allowed(const char *text);

// Puts `s` in force: the settings the game reads, and the keys its controls read.
void use_settings(const Settings &s);

// Writes kept_settings to settings_file, where there is one.
void keep_settings();

// Every setting as a new player finds it, each at its table's value: a 640x480 window, full
// music, look down held, the bob on, no glint, usual speeds and the default keys.
void default_settings(Settings *s);

// The value in `s` of `setting`, a number or a choice (0 or 1), and its change to `value`.
int setting_value(const Settings &s, const Setting &setting);
void set_setting_value(Settings *s, const Setting &setting, int value);

// Takes one "name=value" setting into `s`, as the file holds it or --set gives it: display,
// scale, music, look, bob, needle, turn, cross, mouse, key.ACTION with one or two key names
// between spaces, or a board's board, name and token. False, with `s` unchanged, for an unknown
// name or a bad value.
bool apply_setting(Settings *s, const char *name, const char *value);

// The settings kept in the file at `path`, over the defaults. A missing file gives the
// defaults quietly; a line that is not understood is passed over with one line on standard
// error naming it, and the rest of the file still counts.
void read_settings(const char *path, Settings *s);

// Keeps `s` in the file at `path`, whole or not at all (write_kept_file): each setting a line,
// in the table's order, after a line saying what the file is. False, with the file left as it
// was, when it could not be written.
bool write_settings(const char *path, const Settings &s);
