// The game's page in a browser tab: its title and icon are the page's own (index.html), so
// there is nothing to present before the canvas opens.
#include "desktop.h"

void present_game_windows() {}
