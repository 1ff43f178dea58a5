// The program-wide random number generator: MT19937 with its standard
// seeding, twist and tempering, whose every seeding discards the first
// 1,000,000 outputs.
#pragma once

#include <cstdint>

// Seeds the generator and runs the warm-up.
void SeedRandom(uint32_t seed);
// The next 32-bit output. A never-seeded generator first seeds itself with 5489.
uint32_t Random();
// How many outputs the generator has given since it was last seeded (its
// warm-up not counted): where it stands in its sequence.
uint64_t RandomDraws();
// Returns the generator to its never-seeded start state (tests only).
void ResetRandomToUnseeded();
