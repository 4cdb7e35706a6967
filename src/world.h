// The world made once at start-up: the strand mound and its colours, the target, the clouds.
#pragma once

// Fills the strands, their colours, the target and the clouds from the seeded rand().
void generate_world();
