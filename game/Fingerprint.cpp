#include "game/Fingerprint.h"

#include "game/Bytes.h"
#include "game/Random.h"
#include "game/StepEvents.h"
#include "game/cFallen.h"
#include "game/cPaddle.h"

uint32_t ArithmeticFingerprint() {
    static const uint32_t fingerprint = [] {
        uint32_t h = 0x811C9DC5u;
        const auto mix = [&h](float f) { h = (h ^ FloatBits(f)) * 0x01000193u; };
        RandomState random;
        SeedRandom(random, 20261209u);
        StepEvents events;
        for (int i = 0; i < 4000; ++i) {
            cFallen die = cFallen::Spawn(1, random);  // a direction's cosine
            mix(die.vx);
            die.Rebound(random);  // another's cosine and sine
            mix(die.vx);
            mix(die.vy);
            // A paddle right where the die moves to, at one of many angles:
            // the square of the distance, the arctangent, the turn's cosine and sine.
            die.rebounded = false;
            die.cooldown = 0;
            cPaddle paddle;
            paddle.x = die.x + die.vx;
            paddle.y = die.y + die.vy;
            paddle.angle = static_cast<float>(i % 629) * 0.01f - 3.14f;
            die.Move(&paddle, 1, events);
            mix(die.vx);
            mix(die.vy);
        }
        return h;
    }();
    return fingerprint;
}
