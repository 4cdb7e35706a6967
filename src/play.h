// The per-tick game logic: the attract orbit, walking, the shot and the win.
#pragma once

// One logic tick, run 30 times a second of game time.
void tick_update();
