// The game's side of play: each tick's input from the player, the simulation's tick, and what
// its events start; and the won stage's recolouring.
#pragma once

#include "sim.h"

// One logic tick, run 30 times a second of game time: after a win, a new field when asked;
// the gamepad's stick and the cross keys steering the aiming cross; then the player's input
// gathered and the simulation run a tick on it (or, while a replay is watched, the replay's
// next ticks), kept for the replay, with the music and the search's end answering it.
void tick_update();

// After a hit: turns the next slice of strand colours from yellow-brown to green; run once
// a frame.
void recolour_step();
