// How the game is ended from outside on Windows: a program with a window and no console gets
// no quit signals, and its display cannot be lost, so the close button and Escape are all.
// At a log-off or shut-down the system ends the process itself once the window has answered.
#include "endings.h"

void install_endings() {}

bool quit_signalled() {
    return false;
}

void end_by_quit_signal() {}
