// Posted replays played through the simulation, which is one set of globals: one at a time.
#include "verify.h"

#include <map>
#include <mutex>

#include "board_rules.h"
#include "replay.h"
#include "world.h"

static std::mutex simulation_lock;      // held while a replay plays through the simulation
static std::mutex waiting_lock;         // guards `waiting`
static int waiting;                     // proofs asked for and not yet done, 0..MOST_WAITING_PROOFS
static std::map<long, Vec3> needles[2]; // each field's needle ends, a and b, once made
const size_t MOST_NEEDLES_KEPT = 4096;  // fields whose needles are kept before starting again

// Makes the world of `field` as far as a tick reads it: the needle, kept after the first time
// so that a busy field does not draw its 50000 strands for every run.
static void make_field(long field) {
    auto a = needles[0].find(field);
    if (a != needles[0].end()) {
        target_a = a->second;
        target_b = needles[1][field];
        return;
    }
    generate_numbered_world(field);
    if (needles[0].size() >= MOST_NEEDLES_KEPT) {
        needles[0].clear();
        needles[1].clear();
    }
    needles[0][field] = target_a;
    needles[1][field] = target_b;
}

// The replay played through: refused unless it finds the needle at the time it claims.
static ProofResult play_through(const Replay &replay) {
    std::lock_guard<std::mutex> hold(simulation_lock);
    make_field(replay.field);
    ReplayOutcome outcome = verify_replay_in_world(replay);
    if (!outcome.found)
        return {PROOF_REFUSED, replay.field, 0, "the needle is not found"};
    if (outcome.found_ticks != replay.found_ticks)
        return {PROOF_REFUSED, replay.field, 0, "the time it claims is not the time it takes"};
    return {PROOF_FOUND, replay.field, outcome.found_ticks, ""};
}

ProofResult prove_replay(const unsigned char *bytes, size_t size, std::time_t now) {
    static thread_local Replay replay; // a whole search's ticks, kept between requests
    std::string why;
    if (!decode_replay(bytes, size, &replay, &why))
        return {PROOF_REFUSED, 0, 0, "not a replay: " + why};
    if (replay.field == 0)
        return {PROOF_REFUSED, 0, 0, "a field the clock chose takes no runs"};
    if (replay.start_tick > MAX_REPLAY_TICKS)
        return {PROOF_REFUSED, replay.field, 0, "it waited over an hour before the search"};
    if (!field_takes_runs(replay.field, now))
        return {PROOF_REFUSED, replay.field, 0,
                "field " + std::to_string(replay.field) + " takes no runs now"};
    {
        std::lock_guard<std::mutex> hold(waiting_lock);
        if (waiting >= MOST_WAITING_PROOFS)
            return {PROOF_BUSY, replay.field, 0, "the board is busy"};
        waiting++;
    }
    ProofResult result = play_through(replay);
    std::lock_guard<std::mutex> hold(waiting_lock);
    waiting--;
    return result;
}
