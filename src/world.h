// The world: the strand mound and its colours, the target and the clouds, made at start-up and
// made again for each new field, from a numbered field's own random numbers or from a C
// library's, seeded by the clock.
#pragma once

struct Vec3 {
    float x, y, z; // world units; x and z span the ground, y is up
};

struct Cloud {
    Vec3 corner0;     // upper corner one (x0, y0, z0)
    Vec3 corner1;     // upper corner two (x1, y0, z1)
    Vec3 corner2;     // lower corner two (x1, y1, z1)
    Vec3 corner3;     // lower corner one (x0, y1, z0)
    Vec3 string_low;  // where the string is tied, 4 below the quad's centre
    Vec3 string_high; // the string's upper end, at height 800
};

// The random numbers a world is drawn from: each C library's rand() algorithm, carried by the
// game itself, so that any platform can make the world another made.
enum WorldGenerator {
    GENERATOR_GLIBC = 1,  // the GNU C library's (Linux, and the browser's page); numbered
                          // fields', seeded by the number
    GENERATOR_MSVCRT = 2, // the Windows runtime's
};

const long MAX_FIELD = 99999999;   // numbered fields run 1..MAX_FIELD; a date YYYYMMDD fits
const float FIELD_SIZE = 200.0f;   // the field spans 0..200 in x and z
const float MOUND_HEIGHT = 100.0f; // height of the mound at the field's centre

extern Vec3 target_a, target_b; // the two ends of the target segment

const int CLOUDS = 20;       // clouds hanging over the field
extern Cloud clouds[CLOUDS]; // the clouds in the sky

const int STRANDS = 50000;                       // line strands making up the mound
const int STRAND_VERTICES = 2 * STRANDS;         // base and tip of each strand
extern Vec3 strand_vertices[STRAND_VERTICES];    // strand k runs from vertex 2k to 2k+1
extern float strand_colours[STRAND_VERTICES][3]; // r, g, b in 0..1, one per vertex

// Starts `generator`'s numbers from `seed`, as that C library's srand(seed) does; world_random
// then draws the next, as its rand() does.
void seed_world_random(WorldGenerator generator, unsigned seed);
int world_random();

// Fills the strands, their colours, the target and the clouds from `generator`'s numbers
// seeded with `seed`, as that C library's srand(seed) and rand() give them.
void generate_world(WorldGenerator generator, unsigned seed);

// The same from field number `field` (1..MAX_FIELD): the same world on every platform.
void generate_numbered_world(long field);

// A fingerprint of the world as it is now: the strands' places and colours, the target and the
// clouds, byte for byte (64-bit FNV-1a); the same world gives the same number everywhere.
unsigned long long world_digest();

// The mound's shape: sin^2(pi x/200) * sin^2(pi z/200), 0 on the field's edges, 1 at its centre.
float mound_profile(float x, float z);
