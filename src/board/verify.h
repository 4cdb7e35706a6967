// Proving a posted replay: read, checked against the fields that take runs, and played
// through the game's own simulation, one at a time, with a bounded queue waiting.
#pragma once

#include <cstddef>
#include <ctime>
#include <string>

const int MOST_WAITING_PROOFS = 64; // replays waiting to be played through before "busy"

enum Proof {
    PROOF_FOUND,   // the input finds the needle at the time it claims
    PROOF_REFUSED, // not a replay, not found, or a field that takes no runs now
    PROOF_BUSY,    // too many replays are waiting: try again
};

// What proving gave: the field and the time, or the reason it was refused.
struct ProofResult {
    Proof proof;
    long field;      // the numbered field
    int ticks;       // the search's time, ticks
    std::string why; // the refusal, one short line
};

// Proves the replay file of `size` bytes at `bytes`, posted at `now`.
ProofResult prove_replay(const unsigned char *bytes, size_t size, std::time_t now);
