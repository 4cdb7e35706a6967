// Replay files: written and read back byte by byte, little-endian, every count checked against
// what the file can hold before it is believed; and played through the simulation.
#include "replay.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

const unsigned char MAGIC[8] = {'H', 'S', 'R', 'E', 'P', 'L', 'A', 'Y'}; // a replay file's start
const int SETTINGS_BYTES = 8; // look toggle, bob, turn (2), cross (2), mouse steer, glint
const int CHECKSUM_BYTES = 4; // the FNV-1a over everything before it
const int FEWEST_BYTES = 8 + 2 + 1 + 4 + 1 + 4 + SETTINGS_BYTES + 4 * 4 + 4 + CHECKSUM_BYTES;
// a file with an empty version, no input and no checkpoint
const int LEAST_SPEED = 1;         // the slowest turning or cross speed a file may give, percent
const int MOST_SPEED = 1000;       // the fastest
const int RUN_BIT = 0x80;          // a tick byte with this bit: this many ticks as the last, less 1
const int LONGEST_RUN = 0x80;      // ticks one run byte holds at most
const int HELD_CHANGED = 0x01;     // a tick byte's bits: the held bits follow, one byte;
const int PRESSED_GIVEN = 0x02;    // the pressed bits follow, one byte;
const int CROSS_STEPPED = 0x04;    // the cross moved by eighths of a pixel: two zigzag counts;
const int CROSS_PLACED = 0x08;     // the cross's place follows as two floats;
const int SETTINGS_CHANGED = 0x10; // the settings that shape play follow
const int TICK_BITS = 0x1f;        // every bit a tick byte may hold, the run bit aside
const float CROSS_STEP = 0.125f;   // the cross's steps that the short form codes, game pixels
const int LONGEST_STEP = 1 << 20;  // the most steps the short form codes either way
const int MOST_VARINT_BYTES = 5;   // a 32-bit count, seven bits a byte

// Folds `size` bytes into the 32-bit FNV-1a hash `hash`.
static uint32_t fnv1a(uint32_t hash, const unsigned char *data, size_t size) {
    for (size_t i = 0; i < size; i++)
        hash = (hash ^ data[i]) * 16777619u; // FNV's 32-bit prime
    return hash;
}
const uint32_t FNV_BASIS = 2166136261u; // FNV's 32-bit offset basis

// ---- Writing

static void put8(std::vector<unsigned char> &out, unsigned value) {
    out.push_back((unsigned char)(value & 0xff));
}

static void put16(std::vector<unsigned char> &out, unsigned value) {
    put8(out, value);
    put8(out, value >> 8);
}

static void put32(std::vector<unsigned char> &out, uint32_t value) {
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

static void put_float(std::vector<unsigned char> &out, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    put32(out, bits);
}

// A signed count, zigzag-coded (0, -1, 1, -2, ...) seven bits a byte, the high bit for more.
static void put_count(std::vector<unsigned char> &out, int32_t value) {
    uint32_t zigzag = (uint32_t(value) << 1) ^ uint32_t(value >> 31);
    while (zigzag >= 0x80) {
        put8(out, (zigzag & 0x7f) | 0x80);
        zigzag >>= 7;
    }
    put8(out, zigzag);
}

static void put_settings(std::vector<unsigned char> &out, const PlaySettings &s) {
    put8(out, s.look_toggle);
    put8(out, s.bob);
    put16(out, s.turn);
    put16(out, s.cross);
    put8(out, s.mouse_steer);
    put8(out, s.glint);
}

// The eighths of a pixel from `from` to `to` in `steps`, when `to` is exactly from + steps/8.
static bool stepped(float from, float to, int32_t *steps) {
    double eighths = (double(to) - double(from)) / CROSS_STEP;
    if (!(eighths > -LONGEST_STEP && eighths < LONGEST_STEP) || eighths != int32_t(eighths))
        return false;
    *steps = int32_t(eighths);
    float back = from + float(*steps) * CROSS_STEP;
    return std::memcmp(&back, &to, sizeof back) == 0;
}

static bool same_input(const TickInput &a, const TickInput &b) {
    return a.held == b.held && a.pressed == 0 && b.pressed == 0 &&
           std::memcmp(&a.cross_x, &b.cross_x, sizeof a.cross_x) == 0 &&
           std::memcmp(&a.cross_y, &b.cross_y, sizeof a.cross_y) == 0;
}

// One tick as it differs from the last: its bits, then what changed.
static void put_tick(std::vector<unsigned char> &out, const TickInput &last,
                     const ReplayTick &tick) {
    const TickInput &now = tick.input;
    int32_t dx = 0, dy = 0;
    bool moved = std::memcmp(&now.cross_x, &last.cross_x, sizeof now.cross_x) != 0 ||
                 std::memcmp(&now.cross_y, &last.cross_y, sizeof now.cross_y) != 0;
    bool short_move =
        moved && stepped(last.cross_x, now.cross_x, &dx) && stepped(last.cross_y, now.cross_y, &dy);
    int bits = (now.held != last.held ? HELD_CHANGED : 0) | (now.pressed ? PRESSED_GIVEN : 0) |
               (moved ? (short_move ? CROSS_STEPPED : CROSS_PLACED) : 0) |
               (tick.settings_changed ? SETTINGS_CHANGED : 0);
    put8(out, bits);
    if (bits & HELD_CHANGED)
        put8(out, now.held);
    if (bits & PRESSED_GIVEN)
        put8(out, now.pressed);
    if (bits & CROSS_STEPPED) {
        put_count(out, dx);
        put_count(out, dy);
    }
    if (bits & CROSS_PLACED) {
        put_float(out, now.cross_x);
        put_float(out, now.cross_y);
    }
    if (bits & SETTINGS_CHANGED)
        put_settings(out, tick.settings);
}

// The ticks' input: runs of ticks like the one before in a byte, the others as they differ.
static std::vector<unsigned char> encode_ticks(const std::vector<ReplayTick> &ticks) {
    std::vector<unsigned char> out;
    TickInput last = {0, 0, 0.0f, 0.0f};
    size_t i = 0;
    while (i < ticks.size()) {
        size_t run = 0;
        while (i + run < ticks.size() && run < size_t(LONGEST_RUN) &&
               !ticks[i + run].settings_changed && same_input(last, ticks[i + run].input))
            run++;
        if (run > 0) {
            put8(out, RUN_BIT | int(run - 1));
            i += run;
            continue;
        }
        put_tick(out, last, ticks[i]);
        last = ticks[i++].input;
    }
    return out;
}

std::vector<unsigned char> encode_replay(const Replay &replay) {
    std::vector<unsigned char> out(MAGIC, MAGIC + sizeof MAGIC);
    put16(out, REPLAY_FORMAT);
    size_t version_length = strnlen(replay.game_version, GAME_VERSION_SIZE - 1);
    put8(out, unsigned(version_length));
    out.insert(out.end(), replay.game_version, replay.game_version + version_length);
    put32(out, uint32_t(replay.field));
    put8(out, replay.generator);
    put32(out, replay.seed);
    put_settings(out, replay.settings);
    put32(out, uint32_t(replay.start_tick));
    put32(out, uint32_t(replay.ticks.size()));
    put32(out, uint32_t(replay.found_ticks));
    std::vector<unsigned char> ticks = encode_ticks(replay.ticks);
    put32(out, uint32_t(ticks.size()));
    out.insert(out.end(), ticks.begin(), ticks.end());
    put32(out, uint32_t(replay.checkpoints.size()));
    for (unsigned checkpoint : replay.checkpoints)
        put32(out, checkpoint);
    put32(out, fnv1a(FNV_BASIS, out.data(), out.size()));
    return out;
}

// ---- Reading

// The bytes still to read, and whether every read so far found what it wanted.
struct Reader {
    const unsigned char *at;  // the next byte
    const unsigned char *end; // just past the last
    bool ok;                  // no read ran past the end
};

static bool has(Reader &r, size_t bytes) {
    r.ok = r.ok && size_t(r.end - r.at) >= bytes;
    return r.ok;
}

static unsigned get8(Reader &r) {
    return has(r, 1) ? *r.at++ : 0;
}

static unsigned get16(Reader &r) {
    unsigned low = get8(r);
    return low | get8(r) << 8;
}

static uint32_t get32(Reader &r) {
    uint32_t low = get16(r);
    return low | uint32_t(get16(r)) << 16;
}

static float get_float(Reader &r) {
    uint32_t bits = get32(r);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

static int32_t get_count(Reader &r) {
    uint32_t zigzag = 0;
    for (int i = 0; i < MOST_VARINT_BYTES; i++) {
        unsigned byte = get8(r);
        zigzag |= uint32_t(byte & 0x7f) << (7 * i);
        if (!(byte & 0x80))
            return int32_t(zigzag >> 1) ^ -int32_t(zigzag & 1);
    }
    r.ok = false; // longer than any count written
    return 0;
}

static bool get_settings(Reader &r, PlaySettings *s) {
    s->look_toggle = int(get8(r));
    s->bob = int(get8(r));
    s->turn = int(get16(r));
    s->cross = int(get16(r));
    s->mouse_steer = int(get8(r));
    s->glint = int(get8(r));
    return r.ok && s->look_toggle <= 1 && s->bob <= 1 && s->mouse_steer <= 1 && s->glint <= 1 &&
           s->turn >= LEAST_SPEED && s->turn <= MOST_SPEED && s->cross >= LEAST_SPEED &&
           s->cross <= MOST_SPEED;
}

static bool fail(std::string *why, const char *reason) {
    *why = reason;
    return false;
}

// A cross's place that the picture can hold: a number, not over the picture's bounds by far.
static bool sound_cross(const TickInput &input) {
    return input.cross_x >= -1.0f && input.cross_x <= 641.0f && input.cross_y >= -1.0f &&
           input.cross_y <= 481.0f;
}

// `count` ticks from the coded input in `r`, which must hold them and nothing more.
static bool decode_ticks(Reader r, size_t count, std::vector<ReplayTick> *ticks, std::string *why) {
    TickInput last = {0, 0, 0.0f, 0.0f};
    ticks->clear();
    ticks->reserve(count);
    while (r.at < r.end) {
        unsigned bits = get8(r);
        if (bits & RUN_BIT) {
            size_t run = (bits & ~RUN_BIT) + 1u;
            if (ticks->size() + run > count)
                return fail(why, "damaged: more ticks of input than it says");
            TickInput same = last;
            same.pressed = 0;
            ticks->insert(ticks->end(), run, ReplayTick{same, false, {}});
            continue;
        }
        if ((bits & ~TICK_BITS) || ticks->size() >= count)
            return fail(why, "damaged: its input is not as this version writes it");
        ReplayTick tick = {last, false, {}};
        tick.input.pressed = 0;
        if (bits & HELD_CHANGED)
            tick.input.held = get8(r);
        if (bits & PRESSED_GIVEN)
            tick.input.pressed = get8(r);
        if (bits & CROSS_STEPPED) {
            int32_t dx = get_count(r), dy = get_count(r);
            if (dx <= -LONGEST_STEP || dx >= LONGEST_STEP || dy <= -LONGEST_STEP ||
                dy >= LONGEST_STEP)
                return fail(why, "damaged: its input is not as this version writes it");
            tick.input.cross_x = last.cross_x + float(dx) * CROSS_STEP;
            tick.input.cross_y = last.cross_y + float(dy) * CROSS_STEP;
        }
        if (bits & CROSS_PLACED) {
            tick.input.cross_x = get_float(r);
            tick.input.cross_y = get_float(r);
        }
        tick.settings_changed = bits & SETTINGS_CHANGED;
        if (tick.settings_changed && !get_settings(r, &tick.settings))
            return fail(why, "damaged: its settings are out of range");
        if (!r.ok)
            return fail(why, "damaged: its input ends early");
        if ((tick.input.held | tick.input.pressed) & ~PLAY_BITS || !sound_cross(tick.input))
            return fail(why, "damaged: its input is not as this version writes it");
        ticks->push_back(tick);
        last = tick.input;
    }
    if (ticks->size() != count)
        return fail(why, "damaged: fewer ticks of input than it says");
    return true;
}

// The header's fields, checked one by one.
static bool decode_header(Reader &r, Replay *replay, std::string *why) {
    unsigned version_length = get8(r);
    if (version_length >= unsigned(GAME_VERSION_SIZE) || !has(r, version_length))
        return fail(why, "damaged: its game version is not readable");
    std::memset(replay->game_version, 0, sizeof replay->game_version);
    std::memcpy(replay->game_version, r.at, version_length);
    r.at += version_length;
    for (unsigned i = 0; i < version_length; i++)
        if (replay->game_version[i] < ' ' || replay->game_version[i] > '~')
            return fail(why, "damaged: its game version is not readable");
    uint32_t field = get32(r);
    unsigned generator = get8(r);
    replay->seed = get32(r);
    if (field > uint32_t(MAX_FIELD))
        return fail(why, "a field out of range: numbered fields run from 1 to 99999999");
    replay->field = long(field);
    if (generator < GENERATOR_GLIBC || generator > GENERATOR_MSVCRT)
        return fail(why, "its world was drawn from random numbers this version does not know");
    replay->generator = WorldGenerator(generator);
    if (field && (generator != GENERATOR_GLIBC || replay->seed != field))
        return fail(why, "damaged: its numbered field's world is not the field's own");
    if (!get_settings(r, &replay->settings))
        return fail(why, "damaged: its settings are out of range");
    return true;
}

bool decode_replay(const unsigned char *bytes, size_t size, Replay *replay, std::string *why) {
    if (size == 0)
        return fail(why, "an empty file, not a replay");
    if (size < sizeof MAGIC || std::memcmp(bytes, MAGIC, sizeof MAGIC) != 0)
        return fail(why, "not a replay file");
    if (size < size_t(FEWEST_BYTES))
        return fail(why, "damaged: it ends early");
    Reader r = {bytes + sizeof MAGIC, bytes + size - CHECKSUM_BYTES, true};
    unsigned format = get16(r);
    if (format != unsigned(REPLAY_FORMAT))
        return fail(why, format > unsigned(REPLAY_FORMAT)
                             ? "made by a newer version of the game: its format is newer"
                             : "damaged: its format is unknown");
    Reader sum = {bytes + size - CHECKSUM_BYTES, bytes + size, true};
    if (get32(sum) != fnv1a(FNV_BASIS, bytes, size - CHECKSUM_BYTES))
        return fail(why, "damaged: its checksum does not match");
    if (!decode_header(r, replay, why))
        return false;
    uint32_t start = get32(r), count = get32(r), found = get32(r), coded = get32(r);
    if (!r.ok || start < 1 || start > uint32_t(MAX_ORBIT_TICKS))
        return fail(why, "damaged: the tick play began at is out of range");
    if (count > uint32_t(MAX_REPLAY_TICKS))
        return fail(why, "it runs past one hour of play");
    if (count < 1 || found > count)
        return fail(why, "damaged: its counts of ticks disagree");
    if (!has(r, coded))
        return fail(why, "damaged: its input ends early");
    replay->start_tick = int(start);
    replay->found_ticks = int(found);
    Reader input = {r.at, r.at + coded, true};
    if (!decode_ticks(input, count, &replay->ticks, why))
        return false;
    r.at += coded;
    uint32_t checkpoints = get32(r);
    if (!r.ok || checkpoints != count / CHECKPOINT_TICKS || !has(r, 4 * size_t(checkpoints)))
        return fail(why, "damaged: its checkpoints are not one every 30 ticks");
    replay->checkpoints.resize(checkpoints);
    for (unsigned &checkpoint : replay->checkpoints)
        checkpoint = get32(r);
    if (r.at != r.end)
        return fail(why, "damaged: it holds more than a replay");
    return true;
}

// ---- Playing

void start_replay(const Replay &replay) {
    generate_world(replay.generator, replay.seed);
    start_replay_in_world(replay);
}

void start_replay_in_world(const Replay &replay) {
    reset_player();
    play_settings = replay.settings;
    TickInput idle = {0, 0, 0.0f, 0.0f};
    for (int i = 1; i < replay.start_tick; i++)
        sim_tick(idle);
}

ReplayOutcome verify_replay(const Replay &replay) {
    generate_world(replay.generator, replay.seed);
    return verify_replay_in_world(replay);
}

ReplayOutcome verify_replay_in_world(const Replay &replay) {
    ReplayOutcome outcome = {false, 0, 0};
    start_replay_in_world(replay);
    size_t count = replay.ticks.size();
    for (size_t i = 0; i < count; i++) {
        const ReplayTick &tick = replay.ticks[i];
        if (tick.settings_changed)
            play_settings = tick.settings;
        unsigned events = sim_tick(tick.input);
        size_t done = i + 1;
        if (done % CHECKPOINT_TICKS == 0 && !outcome.diverged_tick &&
            replay.checkpoints[done / CHECKPOINT_TICKS - 1] != sim_digest())
            outcome.diverged_tick = int(done);
        if (events & TICK_FOUND) {
            outcome.found = done == count && !outcome.diverged_tick;
            outcome.found_ticks = found_ticks;
            break;
        }
    }
    return outcome;
}

// ---- Files

bool read_replay_file(const char *path, Replay *replay, std::string *why) {
    std::FILE *file = std::fopen(path, "rb");
    if (!file) {
        *why = std::string("cannot be read: ") + std::strerror(errno);
        return false;
    }
    std::vector<unsigned char> bytes(MAX_REPLAY_FILE + 1);
    size_t size = std::fread(bytes.data(), 1, bytes.size(), file);
    int error = std::ferror(file) ? errno : 0;
    std::fclose(file);
    if (error) {
        *why = std::string("cannot be read: ") + std::strerror(error);
        return false;
    }
    if (size > size_t(MAX_REPLAY_FILE)) {
        *why = "too large for a replay";
        return false;
    }
    return decode_replay(bytes.data(), size, replay, why);
}

// A time of `ticks` as minutes, seconds and tenths, "0:41.3", the tenths cut down.
std::string search_time_text(int ticks) {
    int tenths = ticks / (TICKS_PER_SECOND / 10);
    char text[32];
    std::snprintf(text, sizeof text, "%d:%02d.%d", tenths / 600, tenths / 10 % 60, tenths % 10);
    return text;
}

// The replay's field as a player knows it: "field 20261209", or the clock's seed.
static std::string field_text(const Replay &replay) {
    char text[64];
    if (replay.field)
        std::snprintf(text, sizeof text, "field %ld", replay.field);
    else
        std::snprintf(text, sizeof text, "a field the clock chose (seed %u, %s)", replay.seed,
                      replay.generator == GENERATOR_MSVCRT ? "Windows" : "GNU");
    return text;
}

int verify_replay_files(int count, const char *const *paths, const char *const *names,
                        std::FILE *out) {
    int status = 0;
    static Replay replay; // a whole search's ticks, kept off the stack
    for (int i = 0; i < count; i++) {
        std::string why;
        if (!read_replay_file(paths[i], &replay, &why)) {
            std::fprintf(out, "%s: %s\n", names[i], why.c_str());
            status = 2;
            continue;
        }
        ReplayOutcome outcome = verify_replay(replay);
        std::string field = field_text(replay);
        if (outcome.found && outcome.found_ticks == replay.found_ticks) {
            std::fprintf(out, "%s: %s, found in %s (%d ticks)\n", names[i], field.c_str(),
                         search_time_text(outcome.found_ticks).c_str(), outcome.found_ticks);
            continue;
        }
        if (outcome.diverged_tick)
            std::fprintf(out, "%s: %s, the needle is not found: the search diverged at tick %d\n",
                         names[i], field.c_str(), outcome.diverged_tick);
        else
            std::fprintf(out, "%s: %s, the needle is not found\n", names[i], field.c_str());
        status = status == 2 ? 2 : 1;
    }
    return status;
}
