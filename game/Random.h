// The game's random number generator: MT19937 with its standard seeding,
// twist and tempering, whose every seeding discards the first 1,000,000
// outputs. Its state is a plain value, part of the game's state, so a saved
// game carries the generator exactly where it stood.
#pragma once

#include <cstdint>

struct RandomState {
    static constexpr int kWords = 624;
    uint32_t words[kWords] = {};
    // The next word to give out; 624: the block is used up; 625: never seeded.
    int32_t index = kWords + 1;
};
static_assert(sizeof(RandomState) == (RandomState::kWords + 1) * 4, "no padding");

// Seeds the generator and runs the warm-up.
void SeedRandom(RandomState& random, uint32_t seed);
// The next 32-bit output. A never-seeded generator first seeds itself with 5489.
uint32_t Random(RandomState& random);
