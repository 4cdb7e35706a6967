// The GNU C library's random numbers, drawn as it draws them: the additive feedback generator
// x[i] = x[i-3] + x[i-31], seeded by a multiplicative one, its first 310 outputs dropped.
#include "field_random.h"

#include <cstdint>

const int LAG_LONG = 31;                 // the generator's longer lag, words of state
const int LAG_SHORT = 3;                 // and its shorter one
const int DISCARDED = 10 * LAG_LONG;     // outputs thrown away after seeding
const int32_t SEED_MULTIPLIER = 16807;   // the seeding generator: x * 16807 mod 2^31 - 1
const int32_t SEED_MODULUS = 2147483647; // 2^31 - 1

static int32_t state[LAG_LONG]; // the last 31 words drawn, oldest at `oldest`
static int oldest;              // where the word 31 draws back sits in `state`
static bool seeded;             // seeded at all; unseeded, the sequence starts from seed 1

// The next word: the sum of the words 31 and 3 draws back, wrapping at 2^32.
static int32_t next_word() {
    int32_t word = int32_t(uint32_t(state[oldest]) +
                           uint32_t(state[(oldest + LAG_LONG - LAG_SHORT) % LAG_LONG]));
    state[oldest] = word;
    oldest = (oldest + 1) % LAG_LONG;
    return word;
}

void seed_field_random(unsigned seed) {
    state[0] = seed ? int32_t(seed) : 1;
    for (int i = 1; i < LAG_LONG; i++) {
        int64_t word = int64_t(SEED_MULTIPLIER) * state[i - 1] % SEED_MODULUS;
        state[i] = int32_t(word < 0 ? word + SEED_MODULUS : word);
    }
    oldest = LAG_SHORT;
    seeded = true;
    for (int i = 0; i < DISCARDED; i++)
        next_word();
}

int field_random() {
    if (!seeded)
        seed_field_random(1);
    return int(uint32_t(next_word()) >> 1);
}
