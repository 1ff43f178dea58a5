#include "game/Random.h"

namespace {

constexpr int kWords = RandomState::kWords;
constexpr int kShift = 397;
constexpr int kWarmUp = 1000000;
constexpr uint32_t kTwist[2] = {0u, 0x9908B0DFu};

void Renew(RandomState& r) {
    uint32_t* state = r.words;
    int k = 0;
    for (; k < kWords - kShift; ++k) {
        const uint32_t y = (state[k] & 0x80000000u) | (state[k + 1] & 0x7FFFFFFFu);
        state[k] = state[k + kShift] ^ (y >> 1) ^ kTwist[y & 1u];
    }
    for (; k < kWords - 1; ++k) {
        const uint32_t y = (state[k] & 0x80000000u) | (state[k + 1] & 0x7FFFFFFFu);
        state[k] = state[k - (kWords - kShift)] ^ (y >> 1) ^ kTwist[y & 1u];
    }
    const uint32_t y = (state[kWords - 1] & 0x80000000u) | (state[0] & 0x7FFFFFFFu);
    state[kWords - 1] = state[kShift - 1] ^ (y >> 1) ^ kTwist[y & 1u];
    r.index = 0;
}

}  // namespace

void SeedRandom(RandomState& r, uint32_t seed) {
    r.words[0] = seed;
    for (uint32_t i = 1; i < kWords; ++i) {
        r.words[i] = 1812433253u * (r.words[i - 1] ^ (r.words[i - 1] >> 30)) + i;
    }
    r.index = kWords;
    for (int i = 0; i < kWarmUp; ++i) Random(r);
}

uint32_t Random(RandomState& r) {
    // Any index outside the block counts as a used-up block.
    if (static_cast<uint32_t>(r.index) >= static_cast<uint32_t>(kWords)) {
        // An unseeded generator seeds itself first; the block is renewed after
        // that whatever position the warm-up left, so the rest of its block is skipped.
        if (r.index == kWords + 1) SeedRandom(r, 5489u);
        Renew(r);
    }
    uint32_t y = r.words[r.index++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}
