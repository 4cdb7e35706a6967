// The world: the strand mound and its colours, the target and the clouds, made at start-up and
// made again for each new field.
#pragma once

const long MAX_FIELD = 99999999; // numbered fields run 1..MAX_FIELD; a date YYYYMMDD fits

// Fills the strands, their colours, the target and the clouds from the seeded rand().
void generate_world();

// The same from field number `field` (1..MAX_FIELD): the same world on every platform.
void generate_numbered_world(long field);

// A fingerprint of the world as it is now: the strands' places and colours, the target and the
// clouds, byte for byte (64-bit FNV-1a); the same world gives the same number everywhere.
unsigned long long world_digest();
