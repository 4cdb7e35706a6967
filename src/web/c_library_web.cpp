// The random numbers a browser's clock-chosen field is drawn from: the GNU C library's, as the
// page has always drawn them, so that a clock that seeds a world on Linux seeds the same world.
#include "rounds.h"

const WorldGenerator C_LIBRARY_GENERATOR = GENERATOR_GLIBC;
