// Where the game keeps its files on Windows, and their atomic replacement by MoveFileEx.
#include "files.h"

#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char *const CONFIG_FILE = "Haystack\\haystack.conf"; // under the roaming application data
const char *const REPLAYS_FOLDER = "Haystack\\replays";    // likewise

bool settings_path(char *path, size_t size) {
    const char *appdata = std::getenv("APPDATA");
    int length =
        appdata && appdata[0] ? std::snprintf(path, size, "%s\\%s", appdata, CONFIG_FILE) : 0;
    return length > 0 && size_t(length) < size;
}

bool replay_path(const char *name, char *path, size_t size) {
    const char *appdata = std::getenv("APPDATA");
    int length = appdata && appdata[0]
                     ? std::snprintf(path, size, "%s\\%s\\%s", appdata, REPLAYS_FOLDER, name)
                     : 0;
    return length > 0 && size_t(length) < size;
}

bool path_as_given(const char *given, char *path, size_t size) {
    int length = std::snprintf(path, size, "%s", given);
    return length >= 0 && size_t(length) < size;
}

bool make_folder_for(const char *file) {
    char folder[MAX_PATH];
    if (std::snprintf(folder, sizeof folder, "%s", file) >= int(sizeof folder))
        return false;
    char *last = std::strrchr(folder, '\\');
    if (!last)
        return true;
    *last = '\0';
    // Each folder down from the drive, the ones that are there passed over.
    for (char *slash = std::strchr(folder + 3, '\\'); slash; slash = std::strchr(slash + 1, '\\')) {
        *slash = '\0';
        CreateDirectoryA(folder, nullptr);
        *slash = '\\';
    }
    return CreateDirectoryA(folder, nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

bool replace_file(const char *from, const char *to) {
    return MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}
