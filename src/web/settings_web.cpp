// The settings file in a browser tab: there is no place to keep one, so nothing is kept and
// the page's own size and fullscreen button hold.
#include "settings.h"

#include <cstdio>

bool settings_path(char *, size_t) {
    return false;
}

bool make_folder_for(const char *) {
    return false;
}

bool replace_file(const char *from, const char *to) {
    return std::rename(from, to) == 0;
}
