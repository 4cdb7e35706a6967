// The game's kept files' places and their atomic replacement, per platform:
// x11/files_x11.cpp, windows/files_windows.cpp and web/files_web.cpp.
#pragma once

#include <cstddef>

const int MAX_PATH_LENGTH = 4096; // bytes for a kept file's path, its end included

// The settings file's path, $XDG_CONFIG_HOME/haystack/haystack.conf (or ~/.config/...) on
// Linux, %APPDATA%\Haystack\haystack.conf on Windows, a file kept in the page's storage in the
// browser; false when there is no such place, or it does not fit in `size` bytes. The other
// kept files lie beside it.
bool settings_path(char *path, size_t size);

// The path of the replay `name` ("last.hsr") in the replays folder: $XDG_DATA_HOME/haystack/
// replays (or ~/.local/share/...) on Linux, %APPDATA%\Haystack\replays on Windows, a folder
// kept in the page's storage in the browser; false when there is none, or it does not fit.
bool replay_path(const char *name, char *path, size_t size);

// The file `given` on the command line as the program opens it: on Linux the launchers start
// the game in its data folder, saying in HAYSTACK_STARTED_IN where the player was, against which
// a relative path is read; elsewhere as given. False when it does not fit in `size` bytes.
bool path_as_given(const char *given, char *path, size_t size);

// Makes the folder holding `file` and the folders above it; whether it exists.
bool make_folder_for(const char *file);

// Puts the file `from` in the place of `to` in one step: a reader of `to` sees either the old
// file or the new one.
bool replace_file(const char *from, const char *to);
