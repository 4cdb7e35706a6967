// The world: the strand mound and its colours, the target and the clouds, drawn from a C
// library's seeded random numbers as the game carries them, a numbered field's the GNU one's.
#include "world.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

#include "field_random.h"
#include "trig.h"

const int TIP_SPREAD = 20;                 // tip offsets are whole numbers -10..+9 on each axis
const float TIP_SHIFT = 10.0f;             // centres the tip offsets around the base
const float TARGET_LIFT = 5.0f;            // the target floats this high above the mound's surface
const float STRING_TOP = 800.0f;           // height where the clouds' strings end
const float STRING_DROP = 4.0f;            // strings are tied this far below a cloud's centre
const int SPOTS = 200;                     // whole-unit places along each side where strands stand
const uint32_t MSVCRT_MULTIPLIER = 214013; // the Windows runtime's rand(): a linear
const uint32_t MSVCRT_INCREMENT = 2531011; // congruence mod 2^32, its bits 16..30 drawn

static double spot_sine[SPOTS];      // sin(pi x / 200) at each whole x, for the mound's profile
static int (*draw)() = field_random; // where the world's random numbers come from now
static uint32_t msvcrt_state;        // the Windows runtime's generator's state

Vec3 target_a, target_b;
Cloud clouds[CLOUDS];
Vec3 strand_vertices[STRAND_VERTICES];
float strand_colours[STRAND_VERTICES][3];

// One random number, reduced modulo n: a whole number 0..n-1 as a float.
static float r(int n) {
    return float(draw() % n);
}

// A point displaced by a random whole offset of -10..+9 on each axis, drawn x, y, z.
static Vec3 scatter(Vec3 from) {
    Vec3 to;
    to.x = from.x + r(TIP_SPREAD) - TIP_SHIFT;
    to.y = from.y + r(TIP_SPREAD) - TIP_SHIFT;
    to.z = from.z + r(TIP_SPREAD) - TIP_SHIFT;
    return to;
}

// The mound's profile at a whole-unit spot: the same value as mound_profile(x, z), with
// the sines looked up rather than worked out for each of the strands.
static float profile_at_spot(int x, int z) {
    double sx = spot_sine[x];
    double sz = spot_sine[z];
    return float(sx * sx * sz * sz);
}

// Each strand rises from a base somewhere inside the mound to a tip near it.
static void generate_strands() {
    for (int x = 0; x < SPOTS; x++)
        spot_sine[x] = trig_sin(M_PI * x / FIELD_SIZE);
    for (int k = 0; k < STRANDS; k++) {
        Vec3 &base = strand_vertices[2 * k];
        base.x = r(SPOTS);
        base.z = r(SPOTS);
        float depth = r(100); // how far up the mound's height over that spot, 0..99
        base.y = depth * profile_at_spot(base.x, base.z);
        strand_vertices[2 * k + 1] = scatter(base);
    }
}

// Pale yellow to brown: green is red divided by 1.2..1.399, with a little blue.
static void generate_colours() {
    for (int i = 0; i < STRAND_VERTICES; i++) {
        float red = r(800) / 1000.0f + 0.2f;
        float green = red / (r(200) / 1000.0f + 1.2f);
        float blue = r(200) / 1000.0f;
        strand_colours[i][0] = red;
        strand_colours[i][1] = green;
        strand_colours[i][2] = blue;
    }
}

static void generate_target() {
    target_a.x = r(200);
    target_a.z = r(200);
    target_a.y = MOUND_HEIGHT * mound_profile(target_a.x, target_a.z) + TARGET_LIFT;
    target_b = scatter(target_a);
}

// A vertical quad standing on the diagonal (x0, z0)-(x1, z1), hung on a string from the sky.
static void generate_clouds() {
    for (Cloud &cloud : clouds) {
        float x0 = 3.0f * r(200) - 200.0f;
        float y0 = r(100) + 180.0f;
        float z0 = 3.0f * r(200) - 200.0f;
        float x1 = x0 + 80.0f + r(100);
        float z1 = z0 + 80.0f + r(100);
        float y1 = y0 - 40.0f - r(80);
        cloud.corner0 = {x0, y0, z0};
        cloud.corner1 = {x1, y0, z1};
        cloud.corner2 = {x1, y1, z1};
        cloud.corner3 = {x0, y1, z0};
        cloud.string_low = {(x0 + x1) / 2, (y0 + y1) / 2 - STRING_DROP, (z0 + z1) / 2};
        cloud.string_high = {(x0 + x1) / 2, STRING_TOP, (z0 + z1) / 2};
    }
}

// The strands, their colours, the target and the clouds, in that order, from the numbers seeded.
static void generate_from_seeded() {
    generate_strands();
    generate_colours();
    generate_target();
    generate_clouds();
}

// The Windows runtime's rand(), 0..32767.
static int msvcrt_random() {
    msvcrt_state = msvcrt_state * MSVCRT_MULTIPLIER + MSVCRT_INCREMENT;
    return int(msvcrt_state >> 16 & 0x7fff);
}

void seed_world_random(WorldGenerator generator, unsigned seed) {
    if (generator == GENERATOR_MSVCRT) {
        msvcrt_state = seed;
        draw = msvcrt_random;
    } else {
        seed_field_random(seed);
        draw = field_random;
    }
}

int world_random() {
    return draw();
}

void generate_world(WorldGenerator generator, unsigned seed) {
    seed_world_random(generator, seed);
    generate_from_seeded();
}

float mound_profile(float x, float z) {
    double sx = trig_sin(M_PI * x / FIELD_SIZE);
    double sz = trig_sin(M_PI * z / FIELD_SIZE);
    return float(sx * sx * sz * sz);
}

void generate_numbered_world(long field) {
    generate_world(GENERATOR_GLIBC, unsigned(field));
}

// Folds `size` bytes at `data` into the FNV-1a hash `hash`.
static unsigned long long fold(unsigned long long hash, const void *data, size_t size) {
    const unsigned long long PRIME = 1099511628211ull; // FNV's 64-bit prime
    const unsigned char *byte = static_cast<const unsigned char *>(data);
    for (size_t i = 0; i < size; i++)
        hash = (hash ^ byte[i]) * PRIME;
    return hash;
}

unsigned long long world_digest() {
    unsigned long long hash = 14695981039346656037ull; // FNV's 64-bit offset basis
    hash = fold(hash, strand_vertices, sizeof strand_vertices);
    hash = fold(hash, strand_colours, sizeof strand_colours);
    hash = fold(hash, &target_a, sizeof target_a);
    hash = fold(hash, &target_b, sizeof target_b);
    return fold(hash, clouds, sizeof clouds);
}
