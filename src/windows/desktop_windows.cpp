// The game's window on a Windows desktop: the windowing library names its own window class,
// and gives the window the program's icon resource named "allegro_icon" (haystack.rc). Texts
// show in message boxes titled as the window.
#include "desktop.h"

#include <windows.h>

const char *const BOX_TITLE = "Haystack"; // the message boxes' title, the window's

void present_game_windows() {
    // Nothing to set at run time: both come from the program file itself.
}

void show_text(const char *text, bool problem) {
    MessageBoxA(nullptr, text, BOX_TITLE, problem ? MB_ICONERROR : MB_ICONINFORMATION);
}
