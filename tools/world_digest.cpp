// Prints the fingerprint of each numbered field named on the command line, "field N: DIGEST" a
// line, so that the worlds the game makes on two platforms can be compared; with --c-library
// SEED, the fingerprints of the C library's own rand() from that seed and of the game's copy
// of it for this platform, which must be the same.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "rounds.h"
#include "world.h"

const int DRAWS = 1000000; // numbers drawn from each generator

// The FNV-1a fingerprint of DRAWS numbers of `draw`.
static unsigned long long digest_of(int (*draw)()) {
    unsigned long long hash = 14695981039346656037ull; // FNV's 64-bit offset basis
    for (int i = 0; i < DRAWS; i++)
        hash = (hash ^ unsigned(draw())) * 1099511628211ull; // FNV's 64-bit prime
    return hash;
}

// The game's copy of the C library's numbers, as a world draws them.
static int games_own() {
    return world_random();
}

int main(int argc, char **argv) {
    if (argc == 3 && !std::strcmp(argv[1], "--c-library")) {
        unsigned seed = unsigned(std::strtoul(argv[2], nullptr, 10));
        std::srand(seed);
        std::printf("c library: %016llx\n", digest_of(std::rand));
        seed_world_random(C_LIBRARY_GENERATOR, seed);
        std::printf("game's own: %016llx\n", digest_of(games_own));
        return 0;
    }
    for (int i = 1; i < argc; i++) {
        long field = std::atol(argv[i]);
        if (field < 1 || field > MAX_FIELD) {
            std::fprintf(stderr, "world_digest: no field numbered '%s'\n", argv[i]);
            return 2;
        }
        generate_numbered_world(field);
        std::printf("field %ld: %016llx\n", field, world_digest());
    }
    return 0;
}
