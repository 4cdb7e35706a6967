// A replay file's bytes taken as the replay fuzz target takes them, shared with its memcheck
// replay: read as they are and with their checksum made right, and now and then played through.
#pragma once

#include <cstddef>

// How far one input went.
enum ReplayInputFate {
    INPUT_REFUSED = 0, // not a replay, even with its checksum made right
    INPUT_READ = 1,    // read as a replay, but not played through
    INPUT_PLAYED = 2,  // read and played through the simulation
};

// Reads `size` bytes as a replay file twice: as they are, and with their last four bytes made
// the checksum of the rest, so that mutated files reach the checks behind the checksum. A
// replay read is written out again and must read back the same; one that is short enough and
// chosen is played through from its start. Aborts on a reader that contradicts itself.
ReplayInputFate take_replay_input(const unsigned char *bytes, size_t size);
