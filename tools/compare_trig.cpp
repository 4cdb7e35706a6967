// Compares the game's own sine and cosine with the C library's over the angles the game turns
// by, and prints a digest of the game's results, to be the same on every platform.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "trig.h"

const double FIELD_SIZE = 200; // the field's side, world units, as in the mound's profile
const double DEGREES_PER_HALF_TURN = 180.0;    // degrees in pi radians
const float DEGREES_PER_RADIAN = 180.0 / M_PI; // the camera's radians into its degrees
const float QUARTER_TURN = 90.0f;              // degrees from the walking heading to the view's
const int MIN_TURN = 50;                       // slowest turning speed, percent of the usual
const int MAX_TURN = 200;                      // fastest, percent
const int TURN_STEP = 10;                      // turning speeds go in tenths, percent
const int TURN_SPEEDS = (MAX_TURN - MIN_TURN) / TURN_STEP + 1; // the speeds a player can set
const int TICKS_EACH_WAY = 12500; // ticks turned left, then as many right, at each speed
const int UNIFORM_DRAWS = 500000; // angles drawn evenly from a range
const int SMALLER_DRAWS = 200000; // the same, for the smaller kinds
const int BOB_TICKS = 200000;     // ticks of bobbing, up to 20000 or 40000 radians
const int DOUBLE_TOP = 1024;      // doubles are below 2^1024
const int FLOAT_TOP = 128;        // and floats below 2^128
const int ORBIT_TICKS = 500000;   // ticks of the title card's orbit: 4.6 hours, 10000 radians
const uint64_t FNV_OFFSET = 14695981039346656037u;    // FNV-1a's starting value
const uint64_t FNV_PRIME = 1099511628211u;            // and its multiplier
const uint64_t LCG_MULTIPLIER = 6364136223846793005u; // Knuth's 64-bit linear congruential step
const uint64_t LCG_INCREMENT = 1442695040888963407u;  // and its increment
const double UNIT_STEPS = 16777216.0;                 // 2^24 evenly spaced draws in [0, 1)

// One kind of angle: how many, how many of the results differ from the C library's, the
// largest difference in ulps, and the fingerprints of the inputs, of the game's results and of
// the library's.
struct Kind {
    const char *name;        // what the angles are
    long inputs;             // angles tried
    long results;            // results compared: a sine and a cosine for each angle
    long differ;             // results unlike the library's
    long long largest;       // largest difference, ulps
    uint64_t input_digest;   // FNV-1a over the angles' bits
    uint64_t game_digest;    // over the game's results' bits
    uint64_t library_digest; // over the library's results' bits
};

static uint64_t lcg_state = 1; // the draws' generator, the same sequence everywhere

// A float drawn evenly from [low, high), from 24 bits of the generator.
static float draw(double low, double high) {
    lcg_state = lcg_state * LCG_MULTIPLIER + LCG_INCREMENT;
    return float(low + (high - low) * (double(lcg_state >> 40) / UNIT_STEPS));
}

// A double from 2^-30 up to 2^top, either sign: random bits, random exponent.
static double draw_wide(int top) {
    lcg_state = lcg_state * LCG_MULTIPLIER + LCG_INCREMENT;
    uint64_t bits = lcg_state >> 12; // 52 bits of significand
    lcg_state = lcg_state * LCG_MULTIPLIER + LCG_INCREMENT;
    uint64_t exponent = 1023 - 30 + (lcg_state >> 33) % (top + 30); // 2^-30 .. 2^(top-1)
    uint64_t sign = (lcg_state >> 32) & 1;
    bits |= exponent << 52 | sign << 63;
    double x;
    std::memcpy(&x, &bits, sizeof x);
    return x;
}

static uint64_t fold(uint64_t digest, uint64_t bits, int bytes) {
    for (int i = 0; i < bytes; i++) {
        digest ^= (bits >> (8 * i)) & 0xff;
        digest *= FNV_PRIME;
    }
    return digest;
}

static uint64_t bits_of(double x) {
    uint64_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

static uint32_t bits_of(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return bits;
}

// Doubles and floats as integers in the order of their values, one apart for neighbours.
static long long ordinal(double x) {
    int64_t bits = int64_t(bits_of(x));
    return bits < 0 ? INT64_MIN - bits : bits;
}
static long long ordinal(float x) {
    int32_t bits = int32_t(bits_of(x));
    return bits < 0 ? INT32_MIN - bits : bits;
}

static void count(Kind &kind, long long game, long long library) {
    long long apart = game > library ? game - library : library - game;
    kind.results++;
    kind.differ += apart != 0;
    if (apart > kind.largest)
        kind.largest = apart;
}

// sin and cos of the double x, the game's and the library's.
static void try_double(Kind &kind, double x) {
    double s = trig_sin(x), c = trig_cos(x);
    double ls = std::sin(x), lc = std::cos(x);
    kind.inputs++;
    kind.input_digest = fold(kind.input_digest, bits_of(x), 8);
    kind.game_digest = fold(fold(kind.game_digest, bits_of(s), 8), bits_of(c), 8);
    kind.library_digest = fold(fold(kind.library_digest, bits_of(ls), 8), bits_of(lc), 8);
    count(kind, ordinal(s), ordinal(ls));
    count(kind, ordinal(c), ordinal(lc));
}

// sinf and cosf of the float x, the game's and the library's.
static void try_float(Kind &kind, float x) {
    float s = trig_sinf(x), c = trig_cosf(x);
    float ls = sinf(x), lc = cosf(x);
    kind.inputs++;
    kind.input_digest = fold(kind.input_digest, bits_of(x), 4);
    kind.game_digest = fold(fold(kind.game_digest, bits_of(s), 4), bits_of(c), 4);
    kind.library_digest = fold(fold(kind.library_digest, bits_of(ls), 4), bits_of(lc), 4);
    count(kind, ordinal(s), ordinal(ls));
    count(kind, ordinal(c), ordinal(lc));
}

static Kind new_kind(const char *name) {
    return {name, 0, 0, 0, 0, FNV_OFFSET, FNV_OFFSET, FNV_OFFSET};
}

// Headings as the game turns them: a float less or more a double step each tick, at every
// speed the settings allow, left for a while and then right. `use` takes each heading.
template <typename Use> static void turn_headings(Use use) {
    for (int speed = 0; speed < TURN_SPEEDS; speed++) {
        double step = 0.1 * ((MIN_TURN + speed * TURN_STEP) / 100.0);
        float heading = 0;
        for (int tick = 0; tick < 2 * TICKS_EACH_WAY; tick++) {
            if (tick < TICKS_EACH_WAY)
                heading -= step;
            else
                heading += step;
            use(heading);
        }
    }
}

// A float phase or angle stepped on by a double each tick, as the bob and the orbit are.
static void step_on(Kind &kind, double step, int ticks) {
    float angle = 0;
    for (int tick = 0; tick < ticks; tick++) {
        angle += step;
        try_double(kind, angle);
    }
}

static void floats_within_100(Kind &kind) {
    for (int i = 0; i < UNIFORM_DRAWS; i++)
        try_double(kind, draw(-100, 100));
}

static void floats_within_10000(Kind &kind) {
    for (int i = 0; i < UNIFORM_DRAWS; i++)
        try_double(kind, draw(-10000, 10000));
}

static void headings(Kind &kind) {
    turn_headings([&](float heading) { try_double(kind, heading); });
}

static void standing_bob(Kind &kind) {
    step_on(kind, 0.1, BOB_TICKS);
}

static void walking_bob(Kind &kind) {
    step_on(kind, 0.2, BOB_TICKS);
}

static void orbit(Kind &kind) {
    step_on(kind, 0.02, ORBIT_TICKS);
}

static void mound_at_whole_spots(Kind &kind) {
    for (int x = 0; x <= FIELD_SIZE; x++)
        try_double(kind, M_PI * x / FIELD_SIZE);
}

static void mound_anywhere(Kind &kind) {
    for (int i = 0; i < SMALLER_DRAWS; i++)
        try_double(kind, M_PI * draw(0, FIELD_SIZE) / FIELD_SIZE);
}

static void any_double(Kind &kind) {
    for (int i = 0; i < SMALLER_DRAWS; i++)
        try_double(kind, draw_wide(DOUBLE_TOP));
}

static void degrees(Kind &kind) {
    for (int i = 0; i < UNIFORM_DRAWS; i++) {
        float radians = draw(-3600, 3600) * M_PI / DEGREES_PER_HALF_TURN;
        try_float(kind, radians);
    }
}

static void headings_degrees(Kind &kind) {
    turn_headings([&](float heading) {
        float view = heading * DEGREES_PER_RADIAN + QUARTER_TURN;
        float radians = view * M_PI / DEGREES_PER_HALF_TURN;
        try_float(kind, radians);
    });
}

static void any_float(Kind &kind) {
    for (int i = 0; i < SMALLER_DRAWS; i++) {
        try_float(kind, float(draw_wide(FLOAT_TOP)));
    }
}

static void print(const Kind &kind) {
    std::printf("%-38s %8ld %8ld %7ld %5lld  %016llx %016llx %016llx\n", kind.name, kind.inputs,
                kind.results, kind.differ, kind.largest, (unsigned long long)kind.input_digest,
                (unsigned long long)kind.game_digest, (unsigned long long)kind.library_digest);
}

// The kinds of angle, each with its name and what tries them.
struct Source {
    const char *name;      // what the angles are
    void (*tries)(Kind &); // tries each of them
};
const Source SOURCES[] = {{"sin, cos: floats in -100..100", floats_within_100},
                          {"sin, cos: floats in -10000..10000", floats_within_10000},
                          {"sin, cos: headings turned, every speed", headings},
                          {"sin, cos: bob phase, 0.1 a tick", standing_bob},
                          {"sin, cos: bob phase, 0.2 a tick", walking_bob},
                          {"sin, cos: orbit, 0.02 a tick", orbit},
                          {"sin, cos: pi x / 200, x whole 0..200", mound_at_whole_spots},
                          {"sin, cos: pi x / 200, x floats 0..200", mound_anywhere},
                          {"sin, cos: any double, 2^-30..2^1024", any_double},
                          {"sinf, cosf: degrees in -3600..3600", degrees},
                          {"sinf, cosf: headings' view in degrees", headings_degrees},
                          {"sinf, cosf: any float, 2^-30..2^128", any_float}}; // every kind tried

int main() {
    std::printf("%-38s %8s %8s %7s %5s  %-16s %-16s %-16s\n", "angles", "inputs", "results",
                "differ", "ulps", "inputs' digest", "game's digest", "library's");
    Kind total = new_kind("all");
    for (const Source &source : SOURCES) {
        Kind kind = new_kind(source.name);
        source.tries(kind);
        print(kind);
        total.inputs += kind.inputs;
        total.results += kind.results;
        total.differ += kind.differ;
        if (kind.largest > total.largest)
            total.largest = kind.largest;
        total.input_digest = fold(total.input_digest, kind.input_digest, 8);
        total.game_digest = fold(total.game_digest, kind.game_digest, 8);
        total.library_digest = fold(total.library_digest, kind.library_digest, 8);
    }
    print(total);
    std::printf("game's digest %016llx\n", (unsigned long long)total.game_digest);
    return 0;
}
