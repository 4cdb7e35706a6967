// How the game is ended from outside in a browser: a tab sends no signals and has no display
// to lose; closing or leaving it takes the page away with the game, so Escape is all.
#include "endings.h"

void install_endings() {}

bool quit_signalled() {
    return false;
}

void end_by_quit_signal() {}
