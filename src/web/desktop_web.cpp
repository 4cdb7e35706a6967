// The game's page in a browser tab: its title and icon are the page's own (index.html), so
// there is nothing to present before the canvas opens; texts go to the browser's console.
#include "desktop.h"

#include <cstdio>

void present_game_windows() {}

void show_text(const char *text, bool problem) {
    std::fputs(text, problem ? stderr : stdout);
}

void give_line_to_share(const char *line) {
    std::printf("%s\n", line);
}

void keep_line_to_share_offered() {}
