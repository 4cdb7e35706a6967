// Replays: a search kept as each tick's input from the start of play to the hit, with the field
// and the settings that shape play; written to bytes and read back, and played through the
// simulation to prove what it claims.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <vector>

#include "sim.h"

const int REPLAY_FORMAT = 1;                   // the file format this version writes and reads
const int CHECKPOINT_TICKS = TICKS_PER_SECOND; // ticks from one checkpoint to the next
const int MAX_REPLAY_TICKS = 3600 * TICKS_PER_SECOND; // the longest search a replay holds: an hour
const int MAX_ORBIT_TICKS = 24 * MAX_REPLAY_TICKS; // the longest the title card shows before play
const int MOST_TICK_BYTES = 19; // the most one tick's input takes in a file: its bits, the held
                                // and pressed bits, the cross's place and the settings
const int MAX_REPLAY_FILE =
    1024 + MAX_REPLAY_TICKS * MOST_TICK_BYTES +
    4 * (MAX_REPLAY_TICKS / CHECKPOINT_TICKS); // the largest file read as
                                               // a replay: an hour's at most
const int GAME_VERSION_SIZE = 24; // bytes for the game's version that recorded, its end included

// One tick of a search as kept: the input, and the settings when they changed at that tick.
struct ReplayTick {
    TickInput input;       // what the player did
    bool settings_changed; // the options screen changed the settings that shape play here
    PlaySettings settings; // and to these
};

struct Replay {
    char game_version[GAME_VERSION_SIZE]; // the version that recorded it, "1.9.0"
    long field;                           // the numbered field, 1..MAX_FIELD; 0 for a clock's
    WorldGenerator generator;             // the random numbers its world was drawn from
    unsigned seed;                        // and their seed (the field's number for a numbered)
    PlaySettings settings;                // the settings that shaped play as it began
    int start_tick;                       // the orbit's tick that saw the start, 1 and on
    int found_ticks;                      // the search's time the recording claims, ticks
    std::vector<ReplayTick> ticks;        // each tick of play, the start's first
    std::vector<unsigned> checkpoints;    // sim_digest() after every CHECKPOINT_TICKS ticks
};

// The bytes of a replay file holding `replay`.
std::vector<unsigned char> encode_replay(const Replay &replay);

// Reads a replay file's `size` bytes into `replay`; false, with the reason in `why` ("not a
// replay file", "damaged: its checksum does not match"), when they are not a replay this
// version reads.
bool decode_replay(const unsigned char *bytes, size_t size, Replay *replay, std::string *why);

// Sets the simulation as the replay's search began: its world made, the orbit run to the tick
// before the start, and the settings of the start.
void start_replay(const Replay &replay);

// The same for a world already made from the replay's generator and seed: the board keeps the
// needles of the fields it has seen, which is all of the world a tick reads.
void start_replay_in_world(const Replay &replay);

// What playing a replay through showed.
struct ReplayOutcome {
    bool found;        // its last tick, and no other, found the needle
    int found_ticks;   // the search's time that the simulation gives, ticks
    int diverged_tick; // the first checkpoint's tick (1 and on) that did not match, 0 for none
};

// Plays `replay` through the simulation from its start, as fast as it runs.
ReplayOutcome verify_replay(const Replay &replay);

// The same in a world already made from the replay's generator and seed.
ReplayOutcome verify_replay_in_world(const Replay &replay);

// A search's time of `ticks` as a player reads it: "0:41.3".
std::string search_time_text(int ticks);

// Reads the replay file at `path`; false with one line of reason when it is none this version
// can play ("cannot be read: Is a directory", or decode_replay's).
bool read_replay_file(const char *path, Replay *replay, std::string *why);

// What --verify answers: each file at `paths` played through, a line each on `out` under its
// name in `names` ("last.hsr: field 20261209, found in 0:41.3 (1239 ticks)"); 0 when every one
// finds the needle, 1 when one does not, 2 when one is not a replay this version reads.
int verify_replay_files(int count, const char *const *paths, const char *const *names,
                        std::FILE *out);
