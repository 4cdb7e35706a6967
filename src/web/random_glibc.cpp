// The C library's random numbers in the browser drawn as the GNU C library draws them, so that
// a clock that seeds a world on Linux seeds the same world in a browser.
#include <cstdlib>

#include "field_random.h"

extern "C" void srand(unsigned seed) {
    seed_field_random(seed);
}

extern "C" int rand() {
    return field_random();
}
