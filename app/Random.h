// The program-wide random number generator: MT19937 with its standard
// seeding, twist and tempering, whose every seeding discards the first
// 1,000,000 outputs.
#pragma once

#include <cstdint>

// Seeds the generator and runs the warm-up.
void SeedRandom(uint32_t seed);
// The next 32-bit output. A never-seeded generator first seeds itself with 5489.
uint32_t Random();
// Where the generator stands in its sequence since it was last seeded (its
// warm-up not counted): the words given out or skipped since.
uint64_t RandomDraws();
// Returns the generator to its never-seeded start state (tests only).
void ResetRandomToUnseeded();
