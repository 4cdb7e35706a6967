// The game's kept files in a browser tab: files in the program's memory, filled from the
// page's storage before the game reads them and copied back to it whenever a new one takes a
// file's place, so that the settings, best times and replays survive a reload and an offline
// start. Where the page's storage refuses (some private windows do, and a full one refuses a
// replay), the files still hold them for the visit. The page's own size and fullscreen button
// hold for the display.
#include "files.h"

#include <emscripten.h>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

const char *const SETTINGS_FOLDER = "/settings";             // in the program's memory
const char *const SETTINGS_FILE = "/settings/haystack.conf"; // likewise; in the page's storage
                                                             // under its name, haystack.conf
const char *const REPLAYS_FOLDER = "/replays";        // the replays, in the program's memory; in
                                                      // the page's storage base64-coded, as
                                                      // haystack.replay.NAME
const char *const REPLAY_PREFIX = "haystack.replay."; // the page's storage's names for replays
const char *const TIMES_FILE = "/settings/times";     // the best times beside them; in the page's
                                                      // storage as haystack.times

// Whether `path` lies in the replays folder.
static bool in_replays(const char *path) {
    return std::strncmp(path, REPLAYS_FOLDER, std::strlen(REPLAYS_FOLDER)) == 0;
}

// The name the page's storage keeps the file at `path` under: haystack.conf for the settings,
// haystack.NAME for the file NAME beside them, haystack.replay.NAME for the replay NAME.
static const char *storage_name(const char *path) {
    static char name[MAX_PATH_LENGTH];
    const char *file = std::strrchr(path, '/') ? std::strrchr(path, '/') + 1 : path;
    if (in_replays(path))
        std::snprintf(name, sizeof name, "%s%s", REPLAY_PREFIX, file);
    else
        std::snprintf(name, sizeof name, std::strncmp(file, "haystack.", 9) ? "haystack.%s" : "%s",
                      file);
    return name;
}

// The file at `path` as the page's storage keeps it under `name`, when it keeps one.
// clang-format off
EM_JS(void, fetch_from_page_storage, (const char *path, const char *name), {
    try {
        const text = localStorage.getItem(UTF8ToString(name));
        if (text !== null)
            FS.writeFile(UTF8ToString(path), text);
    } catch (refused) {
        // no storage: the defaults, for this visit
    }
});
// clang-format on

// The file at `path` into the page's storage under `name`, in place of the one kept there.
// clang-format off
EM_JS(void, keep_in_page_storage, (const char *path, const char *name), {
    try {
        localStorage.setItem(UTF8ToString(name), FS.readFile(UTF8ToString(path), {encoding : 'utf8'}));
    } catch (refused) {
        // no storage, or no room: the settings last this visit alone
    }
});
// clang-format on

// Every replay the page's storage keeps under a name `prefix` + NAME, its text base64-coded,
// into the folder `folder` as the file NAME; one whose text is no base64 is passed over.
// clang-format off
EM_JS(void, fetch_replays_from_page_storage, (const char *folder, const char *prefix), {
    try {
        const from = UTF8ToString(prefix), to = UTF8ToString(folder);
        for (let i = 0; i < localStorage.length; i++) {
            const name = localStorage.key(i), file = name.slice(from.length);
            if (!name.startsWith(from) || !file || file.includes('/'))
                continue;
            try {
                const text = atob(localStorage.getItem(name));
                FS.writeFile(to + '/' + file, Uint8Array.from(text, c => c.charCodeAt(0)));
            } catch (damaged) {
                // not base64: none of the game's
            }
        }
    } catch (refused) {
        // no storage: the replays of this visit alone
    }
});
// clang-format on

// The replay at `path` into the page's storage under `name`, base64-coded, in place of the one
// kept there; where storage refuses it (full, or none), the older one goes too, so that a
// reload never brings back a replay the game has replaced.
// clang-format off
EM_JS(void, keep_replay_in_page_storage, (const char *path, const char *name), {
    const key = UTF8ToString(name);
    try {
        const bytes = FS.readFile(UTF8ToString(path)), text = [];
        for (let i = 0; i < bytes.length; i += 0x8000)
            text.push(String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000)));
        localStorage.setItem(key, btoa(text.join("")));
    } catch (refused) {
        try {
            localStorage.removeItem(key);
        } catch (none) {
            // no storage at all: the replay lasts this visit alone
        }
    }
});
// clang-format on

bool settings_path(char *path, size_t size) {
    if (!make_folder_for(SETTINGS_FILE) ||
        std::snprintf(path, size, "%s", SETTINGS_FILE) >= int(size))
        return false;
    fetch_from_page_storage(SETTINGS_FILE, storage_name(SETTINGS_FILE));
    fetch_from_page_storage(TIMES_FILE, storage_name(TIMES_FILE));
    if (make_folder_for(REPLAYS_FOLDER))
        fetch_replays_from_page_storage(REPLAYS_FOLDER, REPLAY_PREFIX);
    return true;
}

bool replay_path(const char *name, char *path, size_t size) {
    int length = std::snprintf(path, size, "%s/%s", REPLAYS_FOLDER, name);
    return length > 0 && size_t(length) < size;
}

bool path_as_given(const char *given, char *path, size_t size) {
    int length = std::snprintf(path, size, "%s", given);
    return length >= 0 && size_t(length) < size;
}

bool make_folder_for(const char *file) {
    const char *folder = in_replays(file) ? REPLAYS_FOLDER : SETTINGS_FOLDER;
    return mkdir(folder, 0755) == 0 || errno == EEXIST;
}

bool replace_file(const char *from, const char *to) {
    if (std::rename(from, to) != 0)
        return false;
    if (in_replays(to))
        keep_replay_in_page_storage(to, storage_name(to));
    else if (std::strncmp(to, SETTINGS_FOLDER, std::strlen(SETTINGS_FOLDER)) == 0)
        keep_in_page_storage(to, storage_name(to));
    return true;
}
