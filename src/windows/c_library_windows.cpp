// The C library's random numbers on Windows: the Windows runtime's.
#include "rounds.h"

const WorldGenerator C_LIBRARY_GENERATOR = GENERATOR_MSVCRT;
