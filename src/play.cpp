// The game's logic: the attract orbit, walking, the shot and the win.
#include "play.h"

#include "game_state.h"

void tick_update() {}

void throw_shot(int, int) {}

void recolour_step() {}
