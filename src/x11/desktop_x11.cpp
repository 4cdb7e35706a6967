// The game's window on an X11 desktop: instance and class names for task bars and docks, and
// the game's icon in place of the windowing library's own.
#include "desktop.h"

#include <allegro.h>
#include <xalleg.h>
#include <cstdio>

#include "haystack.xpm" // the game's icon as XPM, drawn by tools/make_icon.py

const char *const WINDOW_INSTANCE = "haystack"; // the window's name, as task bars and docks
const char *const WINDOW_CLASS = "Haystack";    // match it to the game's desktop entry

extern "C" void *allegro_icon; // the XPM the windowing library gives each window it opens

void present_game_windows() {
    xwin_set_window_name(WINDOW_INSTANCE, WINDOW_CLASS);
    allegro_icon = const_cast<char **>(haystack_xpm);
}

void show_text(const char *text, bool problem) {
    std::fputs(text, problem ? stderr : stdout);
}

std::FILE *script_output() {
    return stdout;
}

void report_progress_to_page() {
    // A window on the desktop has no page around it to tell.
}
