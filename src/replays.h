// Searches kept and watched: each search recorded from the start of play to the hit and written
// after the win, and a replay played in place of the player, paused, sped up or started again.
#pragma once

#include "replay.h"

extern bool watching;     // a replay plays in place of the player
extern bool watch_paused; // and stands still
extern long searches_won; // searches recorded whole, from the start to the hit, in this game

// Keeps this tick of the search, begun by the start and played with `shaping`; the tick that
// finds the needle ends the recording.
void record_tick(const TickInput &input, const PlaySettings &shaping, unsigned events);

// After the first hit of a search played: the search written as last.hsr in the replays folder,
// and for a numbered field's new best also as field-N.hsr; each whole, then renamed into place.
void keep_recorded_search();

// Watches `replay` from its start, at the usual speed, in place of the player.
void watch_replay(const Replay &replay);

// One owed tick while watching: the replay's next ticks at the speed chosen (none while paused
// or once the replay has found the needle), each answered by `answer` as play's are.
void watch_ticks(void (*answer)(unsigned events));

// Once a frame: Space, Right, Left and R while watching; R (or a pad's X) after a win watches
// the search just made.
void answer_watch_keys();

// The search last recorded whole, as a replay file's bytes, and its field: the numbered field's
// number, 0 for a field the clock chose.
std::vector<unsigned char> won_search_bytes();
long won_search_field();

// Whether R, after a win, has a search to watch: the one just made, kept whole, or the replay
// being watched.
bool search_to_watch();
