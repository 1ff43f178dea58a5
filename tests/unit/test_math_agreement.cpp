// The rules' arithmetic in every build: sin, cos, atan2 and pow, computed in
// double precision and rounded to float as the rules do, over a million
// inputs each from the ranges the rules feed them. The digests of the bit
// patterns are the ones the desktop build (glibc) computes; the browser build
// (emscripten's libc, run under node by web/CMakeLists.txt) runs this same
// file, so both passing means a replay or a two-machine game computes the same
// numbers on both. A digest that differs names the function, and the first
// inputs whose results differ from the desktop's are printed with it.
#include <gtest/gtest.h>

#include "game/Fingerprint.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "game/Angles.h"
#include "game/Rounding.h"
#include "support/float_digest.h"

namespace {

constexpr int kInputs = 1000000;

// The inputs: a fixed xorshift sequence mapped onto a range by double
// arithmetic that every IEEE machine computes alike.
struct Inputs {
    uint32_t state = 0x9E3779B9u;
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    float In(double low, double high) {
        return RoundToFloat(low + (high - low) * (static_cast<double>(Next()) / 4294967296.0));
    }
};

// The angles cos and sin are asked about: the hundred directions of a new or
// thrown die (r·π/100), then the bounce's turn 2·(P − A) for a paddle angle P
// and a flight direction A, each within −π..π.
float TurnInput(Inputs& in, int i) {
    if (i < 100) return RoundToFloat(static_cast<double>(i) * kPi / 100.0);
    const float paddle = in.In(-kPi, kPi);
    const float flight = in.In(-kPi, kPi);
    return RoundToFloat(2.0 * (static_cast<double>(paddle) - static_cast<double>(flight)));
}

// The digest of f's results over kInputs inputs.
template <typename Input, typename Function>
uint32_t DigestOf(Input input, Function f) {
    Inputs in;
    Digest digest;
    for (int i = 0; i < kInputs; ++i) digest.Add(Bits(f(input(in, i))));
    return digest.hash;
}

struct Pair {
    float a, b;
};

}  // namespace

TEST(MathAgreement, TheRulesFunctionsGiveTheDesktopsBitsOverAMillionInputsEach) {
    const uint32_t cosine = DigestOf(TurnInput, [](float a) {
        return RoundToFloat(std::cos(static_cast<double>(a)));
    });
    const uint32_t sine = DigestOf(TurnInput, [](float a) {
        return RoundToFloat(std::sin(static_cast<double>(a)));
    });
    // atan2 of a die's velocity: components of up to a few pixels a step, a
    // few exactly on an axis.
    const uint32_t arc = DigestOf(
        [](Inputs& in, int i) {
            Pair v{in.In(-16.0, 16.0), in.In(-16.0, 16.0)};
            if (i % 1000 == 0) v.a = 0.0f;
            if (i % 1000 == 1) v.b = 0.0f;
            return v;
        },
        [](Pair v) {
            return RoundToFloat(std::atan2(static_cast<double>(v.a), static_cast<double>(v.b)));
        });
    // pow(d, 2) of a die's distance from a paddle, on either side.
    const uint32_t square = DigestOf([](Inputs& in, int) { return in.In(-900.0, 900.0); },
                                     [](float d) {
                                         return RoundToFloat(std::pow(static_cast<double>(d), 2.0));
                                     });
    std::printf("math digests: cos %08X sin %08X atan2 %08X pow %08X\n", cosine, sine, arc, square);
    EXPECT_EQ(cosine, 0x7F02D30Fu) << "cos";
    EXPECT_EQ(sine, 0x0473803Du) << "sin";
    EXPECT_EQ(arc, 0x844905EAu) << "atan2";
    EXPECT_EQ(square, 0x5109D4F8u) << "pow";
    // The fingerprint two machines compare when they greet: the same in every build.
    EXPECT_EQ(ArithmeticFingerprint(), 0xF9A8512Bu);
}
