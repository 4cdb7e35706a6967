// Prints the fingerprint of each numbered field named on the command line, "field N: DIGEST" a
// line, so that the worlds the game makes on two platforms can be compared.
#include <cstdio>
#include <cstdlib>

#include "world.h"

int main(int argc, char **argv) {
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
