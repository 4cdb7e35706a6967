// Where the game keeps its files on Linux, and their atomic replacement by rename.
#include "files.h"

#include <sys/stat.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

const char *const CONFIG_FILE = "haystack/haystack.conf"; // under the configuration folder
const char *const REPLAYS_FOLDER = "haystack/replays";    // under the data folder
const mode_t FOLDER_MODE = 0755;                          // rwxr-xr-x, as usual for ~/.config

bool settings_path(char *path, size_t size) {
    const char *config = std::getenv("XDG_CONFIG_HOME");
    const char *home = std::getenv("HOME");
    int length = 0;
    if (config && config[0] == '/') // a relative one is to be ignored
        length = std::snprintf(path, size, "%s/%s", config, CONFIG_FILE);
    else if (home && home[0])
        length = std::snprintf(path, size, "%s/.config/%s", home, CONFIG_FILE);
    return length > 0 && size_t(length) < size;
}

bool replay_path(const char *name, char *path, size_t size) {
    const char *data = std::getenv("XDG_DATA_HOME");
    const char *home = std::getenv("HOME");
    int length = 0;
    if (data && data[0] == '/') // a relative one is to be ignored
        length = std::snprintf(path, size, "%s/%s/%s", data, REPLAYS_FOLDER, name);
    else if (home && home[0])
        length = std::snprintf(path, size, "%s/.local/share/%s/%s", home, REPLAYS_FOLDER, name);
    return length > 0 && size_t(length) < size;
}

bool path_as_given(const char *given, char *path, size_t size) {
    const char *started_in = std::getenv("HAYSTACK_STARTED_IN");
    int length = given[0] != '/' && started_in && started_in[0] == '/'
                     ? std::snprintf(path, size, "%s/%s", started_in, given)
                     : std::snprintf(path, size, "%s", given);
    return length >= 0 && size_t(length) < size;
}

bool make_folder_for(const char *file) {
    char folder[MAX_PATH_LENGTH];
    if (std::snprintf(folder, sizeof folder, "%s", file) >= int(sizeof folder))
        return false;
    for (char *slash = std::strchr(folder + 1, '/'); slash; slash = std::strchr(slash + 1, '/')) {
        *slash = '\0';
        if (mkdir(folder, FOLDER_MODE) != 0 && errno != EEXIST)
            return false;
        *slash = '/';
    }
    return true;
}

bool replace_file(const char *from, const char *to) {
    return std::rename(from, to) == 0;
}
