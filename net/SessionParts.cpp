#include "net/SessionParts.h"

#include <algorithm>
#include <random>

#include "net/cRollback.h"
#include <cstdio>

#include "game/Fingerprint.h"
#include "platform/clock.h"

uint64_t NewToken() {
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device();
}

uint32_t NewSeed() { return static_cast<uint32_t>(NewToken()) ^ timeGetTime(); }

uint32_t ChooseDelay(int mine, uint8_t theirWish, uint32_t fallback) {
    uint32_t delay = fallback;
    if (mine >= 0) {
        delay = static_cast<uint32_t>(mine);
    } else if (theirWish != kNoDelayWish) {
        delay = theirWish;
    }
    return std::min(delay, kMaxDelay);
}

uint32_t DelayForRoundTrip(uint32_t roundTripMs) {
    // The way there is half the round trip; a record must arrive before the
    // step it is for, so the delay covers it with a quarter step to spare.
    const uint32_t oneWay = (roundTripMs + 1) / 2 + 4;
    const uint32_t delay = (oneWay + 15) / 16;
    return std::clamp<uint32_t>(delay, 1, kMaxDelay);
}

uint32_t PredictionWindowFor(uint32_t roundTripMs) {
    const uint32_t oneWay = (std::min<uint32_t>(roundTripMs, 10000) / 2 + 15) / 16;
    return std::clamp<uint32_t>(oneWay + 6, cRollback::kDefaultPrediction, cRollback::kPredictionCeiling);
}

uint32_t RoundTrips::Median() const {
    if (samples_.empty()) return 0;
    std::vector<uint32_t> sorted = samples_;
    std::sort(sorted.begin(), sorted.end());
    return sorted[sorted.size() / 2];
}

std::string OtherVersionText(const std::string& theirVersion) {
    return "the other machine runs kaziro " + theirVersion + ", this one " + KAZIRO_VERSION +
           ": both machines must run the same version";
}

std::string OtherArithmeticText(uint32_t theirFingerprint) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "the other machine computes the game's numbers differently (arithmetic fingerprint "
                  "%08X there, %08X here): the two games would go apart, so they are not begun; both "
                  "machines need builds that agree (the same kind of build of kaziro %s)",
                  static_cast<unsigned>(theirFingerprint), static_cast<unsigned>(ArithmeticFingerprint()),
                  KAZIRO_VERSION);
    return text;
}
