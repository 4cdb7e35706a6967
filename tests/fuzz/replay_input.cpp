// Replay files' bytes read, written again and read back, and now and then played through, for
// the replay fuzz target and its memcheck replay.
#include "replay_input.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "replay.h"

// Playing a replay makes its world first (milliseconds), where reading one takes microseconds,
// and a file may ask for a day of the orbit before play (2.6 million ticks, seconds): only
// inputs that ask for little are played, and of those read only with their checksum made right,
// one in PLAYED_ONE_IN, chosen by that checksum so that a kept input plays again as it did.
const int MOST_PLAYED_START = 400;  // orbit ticks before play: more than one whole turn
const int MOST_PLAYED_TICKS = 3600; // ticks of play: two minutes
const uint32_t PLAYED_ONE_IN = 16;  // mutated inputs played: those whose checksum this divides
const int CHECKSUM_BYTES = 4;       // a replay file's last bytes: the FNV-1a of the rest

[[noreturn]] static void contradiction(const char *what) {
    std::fprintf(stderr, "replay reader: %s\n", what);
    std::abort();
}

// The 32-bit FNV-1a of `size` bytes, as a replay file's checksum is made.
static uint32_t checksum_of(const unsigned char *bytes, size_t size) {
    uint32_t hash = 2166136261u; // FNV's 32-bit offset basis
    for (size_t i = 0; i < size; i++)
        hash = (hash ^ bytes[i]) * 16777619u; // FNV's 32-bit prime
    return hash;
}

static bool read_as_replay(const unsigned char *bytes, size_t size, Replay *replay) {
    std::string why;
    bool read = decode_replay(bytes, size, replay, &why);
    if (!read && why.empty())
        contradiction("a file refused without a reason");
    return read;
}

static bool same_input(const TickInput &a, const TickInput &b) {
    return a.held == b.held && a.pressed == b.pressed &&
           std::memcmp(&a.cross_x, &b.cross_x, sizeof a.cross_x) == 0 &&
           std::memcmp(&a.cross_y, &b.cross_y, sizeof a.cross_y) == 0;
}

static bool same_settings(const PlaySettings &a, const PlaySettings &b) {
    return a.look_toggle == b.look_toggle && a.bob == b.bob && a.turn == b.turn &&
           a.cross == b.cross && a.mouse_steer == b.mouse_steer && a.glint == b.glint;
}

// Whether two replays hold the same search, tick for tick and bit for bit.
static bool same_replay(const Replay &a, const Replay &b) {
    bool same = std::strcmp(a.game_version, b.game_version) == 0 && a.field == b.field &&
                a.generator == b.generator && a.seed == b.seed &&
                same_settings(a.settings, b.settings) && a.start_tick == b.start_tick &&
                a.found_ticks == b.found_ticks && a.ticks.size() == b.ticks.size() &&
                a.checkpoints == b.checkpoints;
    for (size_t i = 0; same && i < a.ticks.size(); i++) {
        const ReplayTick &s = a.ticks[i], &t = b.ticks[i];
        same = same_input(s.input, t.input) && s.settings_changed == t.settings_changed &&
               (!s.settings_changed || same_settings(s.settings, t.settings));
    }
    return same;
}

// A replay read, written out again, must read back as the same search.
static void check_written_again(const Replay &replay) {
    std::vector<unsigned char> bytes = encode_replay(replay);
    Replay back;
    if (!read_as_replay(bytes.data(), bytes.size(), &back))
        contradiction("a replay read, written again, does not read back");
    if (!same_replay(replay, back))
        contradiction("a replay read, written again, reads back as another search");
}

// Plays `replay` through: a needle found takes a time that its ticks of play can hold, the
// start's tick not among them.
static void play(const Replay &replay) {
    ReplayOutcome outcome = verify_replay(replay);
    if (outcome.found &&
        (outcome.found_ticks < 1 || outcome.found_ticks >= int(replay.ticks.size())))
        contradiction("a needle found in a time its ticks cannot hold");
}

ReplayInputFate take_replay_input(const unsigned char *bytes, size_t size) {
    Replay replay; // its own, so that the sanitizer sees a read past its ticks or checkpoints
    bool sealed = size >= size_t(CHECKSUM_BYTES);
    uint32_t checksum = sealed ? checksum_of(bytes, size - CHECKSUM_BYTES) : 0;
    std::vector<unsigned char> resealed(bytes, bytes + size);
    for (int i = 0; sealed && i < CHECKSUM_BYTES; i++)
        resealed[size - CHECKSUM_BYTES + i] = (unsigned char)(checksum >> (8 * i));
    bool whole = sealed && std::memcmp(resealed.data(), bytes, size) == 0;
    bool read = read_as_replay(bytes, size, &replay);
    if (read && !whole)
        contradiction("a file read whose checksum does not match");
    if (!read && sealed && !whole)
        read = read_as_replay(resealed.data(), size, &replay);
    if (!read)
        return INPUT_REFUSED;
    check_written_again(replay);
    bool chosen = whole || checksum % PLAYED_ONE_IN == 0;
    if (!chosen || replay.start_tick > MOST_PLAYED_START ||
        replay.ticks.size() > size_t(MOST_PLAYED_TICKS))
        return INPUT_READ;
    play(replay);
    return INPUT_PLAYED;
}
