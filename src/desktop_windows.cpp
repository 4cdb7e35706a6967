// The game's window on a Windows desktop: the windowing library names its own window class,
// and gives the window the program's icon resource named "allegro_icon" (haystack.rc).
#include "desktop.h"

void present_game_windows() {
    // Nothing to set at run time: both come from the program file itself.
}
