// The gameplay's float rules, bit for bit: hundreds of bounces, paddle turns,
// new dice and throws off a full slot, against bit patterns computed once from
// the rules by tests/support/float_rules_reference.py. Any build type whose
// optimiser folds a rounding away (or contracts a product into a sum) lands
// on other bits and fails here, where a tolerance would not see it.
#include <gtest/gtest.h>

#include "game/Angles.h"
#include "game/Random.h"
#include "game/cFallen.h"
#include "game/cPaddle.h"
#include "input/Controls.h"
#include "support/float_digest.h"

TEST(FloatRules, ThreeHundredBouncesLandOnTheRulesBits) {
    cFallen die;
    die.spin = 0.03f;
    cPaddle paddle;
    StepEvents events;  // the die sits on its centre, so every step is a hit
    float vx = 0.75f, vy = 2.5f;
    Digest digest;
    float first[2] = {};
    for (int n = 0; n < 300; ++n) {
        die.x = paddle.x;
        die.y = paddle.y;
        die.vx = vx;
        die.vy = vy;
        die.cooldown = 0;
        paddle.angle = static_cast<float>(((n * 37) % 200) * kPi / 100.0 - kPi);
        die.Move(&paddle, 1, events);
        ASSERT_EQ(die.cooldown, 20) << "bounce " << n << " missed the paddle";
        vx = die.vx;
        vy = die.vy;
        if (n == 0) first[0] = vx, first[1] = vy;
        digest.Add(Bits(vx));
        digest.Add(Bits(vy));
    }
    EXPECT_EQ(first[0], 0x1.80000cp-1f);
    EXPECT_EQ(first[1], -0x1.4147aep+1f);
    EXPECT_EQ(vx, -0x1.846d5ap-1f);
    EXPECT_EQ(vy, -0x1.400018p+1f);
    EXPECT_EQ(digest.hash, 0x08CBA94Bu);
}

TEST(FloatRules, PaddleTurnsAndWrapsOnTheRulesBits) {
    cPaddle paddle;
    PlayerControls hands;
    Digest digest;
    for (int i = 0; i < 600; ++i) {
        const int phase = (i / 45) % 3;
        hands.turnLeft = phase == 0;
        hands.turnRight = phase == 1;
        paddle.Move(hands);
        digest.Add(Bits(paddle.angle));
    }
    EXPECT_EQ(paddle.angle, -0x1.800058p+0f);
    EXPECT_EQ(digest.hash, 0xFDCFD59Cu);
}

TEST(FloatRules, NewDiceAndThrowsOffAFullSlotLandOnTheRulesBits) {
    cFallen thrown;
    RandomState random;
    SeedRandom(random, 20261208u);
    Digest digest;
    for (int i = 0; i < 200; ++i) {
        const cFallen die = cFallen::Spawn(static_cast<uint32_t>(i + 1), random);  // direction first, then face
        digest.Add(Bits(die.vx));
        digest.Add(static_cast<uint32_t>(die.face));
    }
    for (int i = 0; i < 100; ++i) {
        thrown.Rebound(random);
        digest.Add(Bits(thrown.vx));
        digest.Add(Bits(thrown.vy));
    }
    EXPECT_EQ(digest.hash, 0xD1301C35u);
}
