// The world made once at start-up: the strand mound and its colours, the target, the clouds.
#include "world.h"

#include "game_state.h"

void generate_world() {
}
