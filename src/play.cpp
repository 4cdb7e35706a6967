// The per-tick game logic: the attract orbit, walking, the shot and the win.
#include "play.h"

#include "game_state.h"

void tick_update() {
}
