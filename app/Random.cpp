#include "app/Random.h"

namespace {

constexpr int kWords = 624;
constexpr int kShift = 397;
constexpr int kWarmUp = 1000000;

uint32_t state[kWords];
int32_t position = kWords + 1;  // 625: never seeded
// Where the generator stands in its sequence: blocks renewed so far, and the
// words reached when it was last seeded (kept outside the output's hot path).
uint64_t renewals = 0;
uint64_t seededAt = 0;
const uint32_t twist[2] = {0u, 0x9908B0DFu};

void Renew() {
    int k = 0;
    for (; k < kWords - kShift; ++k) {
        const uint32_t y = (state[k] & 0x80000000u) | (state[k + 1] & 0x7FFFFFFFu);
        state[k] = state[k + kShift] ^ (y >> 1) ^ twist[y & 1u];
    }
    for (; k < kWords - 1; ++k) {
        const uint32_t y = (state[k] & 0x80000000u) | (state[k + 1] & 0x7FFFFFFFu);
        state[k] = state[k - (kWords - kShift)] ^ (y >> 1) ^ twist[y & 1u];
    }
    const uint32_t y = (state[kWords - 1] & 0x80000000u) | (state[0] & 0x7FFFFFFFu);
    state[kWords - 1] = state[kShift - 1] ^ (y >> 1) ^ twist[y & 1u];
    position = 0;
    ++renewals;
}

}  // namespace

void SeedRandom(uint32_t seed) {
    state[0] = seed;
    for (uint32_t i = 1; i < kWords; ++i) {
        state[i] = 1812433253u * (state[i - 1] ^ (state[i - 1] >> 30)) + i;
    }
    position = kWords;
    for (int i = 0; i < kWarmUp; ++i) Random();
    seededAt = renewals * kWords + static_cast<uint64_t>(position);
}

uint32_t Random() {
    if (position >= kWords) {
        // An unseeded generator seeds itself first; the block is renewed after
        // that whatever position the warm-up left, so the rest of its block is skipped.
        if (position == kWords + 1) SeedRandom(5489u);
        Renew();
    }
    uint32_t y = state[position++];
    y ^= y >> 11;
    y ^= (y << 7) & 0x9D2C5680u;
    y ^= (y << 15) & 0xEFC60000u;
    y ^= y >> 18;
    return y;
}

uint64_t RandomDraws() { return renewals * kWords + static_cast<uint64_t>(position) - seededAt; }

void ResetRandomToUnseeded() {
    for (uint32_t& w : state) w = 0;
    position = kWords + 1;
    renewals = seededAt = 0;
}
