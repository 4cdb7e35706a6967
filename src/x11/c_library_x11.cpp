// The C library's random numbers on Linux: the GNU C library's.
#include "rounds.h"

const WorldGenerator C_LIBRARY_GENERATOR = GENERATOR_GLIBC;
