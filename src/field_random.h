// The random numbers numbered fields are drawn from: the GNU C library's rand() algorithm,
// carried by the game itself, so that a field's number makes the same world on every platform.
#pragma once

// Starts the sequence from `seed`, as the GNU C library's srand does; 0 counts as 1.
void seed_field_random(unsigned seed);

// The next number of the sequence, 0..2^31-1, as the GNU C library's rand() gives it; from
// seed 1 when the sequence was never seeded.
int field_random();
