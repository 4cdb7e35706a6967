// Genuine searches that find the needle, for the replay tests, the fuzz seeds and the benchmark:
// played through the simulation, the shot thrown at the needle through the game's own camera.
#pragma once

#include <vector>

#include "replay.h"

// The cross's place, game pixels, that throws the shot through `point` from the camera now;
// false when the point is not in the picture.
bool cross_on(Vec3 point, float *cx, float *cy);

// Fills in the checkpoints and the time as the game does while it records: `replay` played
// through from its start, and cut after the tick that found the needle, if one did.
void record_checkpoints(Replay *replay);

// `search` (its field, world and settings as given) made a search that finds the needle: play
// begins at the first of every fifth tick of the orbit from its start_tick (1 for 0) on from
// which, after the start's tick and `moves`, the needle is in the picture; the last move's tick
// throws the shot at it instead, and the shot flies until it hits. found_ticks stays 0 when no
// start within a turn of the orbit saw the needle.
Replay found_search(Replay search, const std::vector<ReplayTick> &moves);

// A search of numbered field `field` with the usual settings that finds the needle after the
// start's tick and `moves`, as found_search makes it.
Replay found_search_of_field(long field, const std::vector<ReplayTick> &moves);
