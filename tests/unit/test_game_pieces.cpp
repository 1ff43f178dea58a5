// The paddle and the falling die: movement, the mirror bounce, faces,
// cool-down and the throw off a full slot.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "game/Angles.h"
#include "game/cFallen.h"
#include "game/cPaddle.h"
#include "input/Controls.h"

namespace {

// One step of a die against one paddle; what happened.
StepEvents Move(cFallen& die, const cPaddle& paddle) {
    StepEvents events;
    die.Move(&paddle, 1, events);
    return events;
}

cFallen Die() {
    cFallen die;
    die.id = 1;
    die.spin = 0.03f;
    return die;
}

}  // namespace

TEST(Pieces, PaddleStartsHorizontalAtTheCentreThenFollowsTheCursorUnclamped) {
    cPaddle paddle;
    EXPECT_EQ(paddle.x, 400.0f);
    EXPECT_EQ(paddle.y, 300.0f);
    EXPECT_EQ(paddle.angle, 0.0f);
    PlayerControls hands;
    hands.x = -35.0f;  // outside the window
    hands.y = 912.0f;
    EXPECT_TRUE(paddle.Move(hands));
    EXPECT_EQ(paddle.x, -35.0f);
    EXPECT_EQ(paddle.y, 912.0f);
    EXPECT_EQ(paddle.angle, 0.0f);
}

TEST(Pieces, PaddleTurnsWithTheButtonsLeftWinningAndWrapsWithinPi) {
    cPaddle paddle;
    PlayerControls hands;
    hands.turnLeft = 1;
    hands.turnRight = 1;  // both held: the left one wins
    paddle.Move(hands);
    // Lifted by 2π and brought back: −0.05 up to the rounding of the round trip.
    EXPECT_NEAR(paddle.angle, -0.05, 1e-6);
    EXPECT_EQ(paddle.spin, -0.05f);

    cPaddle turning;
    hands.turnLeft = 0;
    for (int i = 0; i < 63; ++i) turning.Move(hands);
    // 63 × 0.05 = 3.15 passed π and wrapped to just above −π.
    EXPECT_GT(turning.angle, -kPi);
    EXPECT_LT(turning.angle, -3.13);

    // Whatever the buttons do, a step never leaves the angle outside −π..π.
    for (int i = 0; i < 500; ++i) {
        hands.turnLeft = (i / 70) % 2;
        hands.turnRight = 1;
        turning.Move(hands);
        ASSERT_LE(turning.angle, kPi);
        ASSERT_GE(turning.angle, -kPi);
    }
    hands.turnLeft = hands.turnRight = 0;
    const float still = turning.angle;
    turning.Move(hands);
    EXPECT_EQ(turning.angle, still);  // released: it stays where it is
}

TEST(Pieces, NewDieDrawsDirectionThenFaceAndFallsFromTheTopCentre) {
    RandomState random;
    SeedRandom(random, 2024u);
    const uint32_t direction = Random(random);
    const uint32_t face = Random(random);
    SeedRandom(random, 2024u);
    cFallen die = cFallen::Spawn(7, random);
    EXPECT_EQ(die.id, 7u);
    EXPECT_EQ(die.face, static_cast<int32_t>(face % 6u));
    const float a = static_cast<float>((direction % 100u) * kPi / 100.0);
    EXPECT_EQ(die.vx, static_cast<float>(static_cast<float>(std::cos(a)) * 0.5));
    EXPECT_LE(std::fabs(die.vx), 0.5f);
    EXPECT_EQ(die.x, 400.0f);
    EXPECT_EQ(die.y, 0.0f);
    EXPECT_EQ(die.spin, 0.03f);
    EXPECT_EQ(die.slot, -1);
    EXPECT_FALSE(die.landed);
    EXPECT_EQ(die.shownX, 400);
    EXPECT_EQ(die.shownY, 0);

    cPaddle paddle;
    paddle.x = paddle.y = -1000.0f;
    Move(die, paddle);
    EXPECT_EQ(die.x, 400.0f + die.vx);
    EXPECT_EQ(die.y, 0.0f);
    Move(die, paddle);
    EXPECT_EQ(die.x, (400.0f + die.vx) + die.vx);
    EXPECT_EQ(die.y, 0.01f);
    EXPECT_EQ(die.angle, 0.03f + 0.03f);
    // Its picture stands at the truncated position, turned with it.
    EXPECT_EQ(die.shownX, static_cast<int32_t>(die.x));
    EXPECT_EQ(die.shownAngle, die.angle);
}

TEST(Pieces, BounceMirrorsTheVelocityAcrossThePaddle) {
    struct Case {
        float paddleAngle;
        float expectVx;
        float expectVy;
    };
    // Straight down off a horizontal paddle leaves straight up; off a paddle at
    // π/4 (upper left to lower right) it leaves straight to the right.
    for (const Case& c : {Case{0.0f, 0.0f, -3.0f}, Case{static_cast<float>(kPi / 4), 3.0f, 0.0f}}) {
        cFallen die = Die();
        die.face = 5;
        die.x = 300.0f;
        die.y = 200.0f;
        die.vy = 3.0f - 0.01f;  // gravity brings it to 3 before the bounce
        cPaddle paddle;
        paddle.x = 300.0f;
        paddle.y = 210.0f;
        paddle.angle = c.paddleAngle;
        const float spin = die.spin;
        const StepEvents events = Move(die, paddle);
        EXPECT_NEAR(die.vx, c.expectVx, 1e-5) << c.paddleAngle;
        EXPECT_NEAR(die.vy, c.expectVy, 1e-5) << c.paddleAngle;
        EXPECT_FLOAT_EQ(std::hypot(die.vx, die.vy), 3.0f);  // same speed
        EXPECT_EQ(die.face, 0);  // a six that is hit shows one
        EXPECT_EQ(die.spin, -spin);
        EXPECT_EQ(die.cooldown, 20);
        // Told with the new face, whose picture and sound (Pad0) follow.
        ASSERT_EQ(events.list.size(), 1u);
        EXPECT_EQ(events.list[0].kind, GameEventKind::Bounce);
        EXPECT_EQ(events.list[0].die, 1u);
        EXPECT_EQ(events.list[0].value, 0);
    }
}

TEST(Pieces, PaddleCannotHitTheSameDieAgainForTwentySteps) {
    cFallen die = Die();
    die.x = 500.0f;
    die.y = 100.0f;
    const int32_t firstFace = die.face;
    cPaddle paddle;
    std::vector<int> hitSteps;
    for (int step = 0; step < 45; ++step) {
        // The paddle keeps the die in reach all along.
        paddle.x = die.x;
        paddle.y = die.y + 5.0f;
        const int32_t before = die.face;
        Move(die, paddle);
        if (die.face != before) hitSteps.push_back(step);
    }
    EXPECT_EQ(hitSteps, (std::vector<int>{0, 20, 40}));
    EXPECT_EQ(die.face, (firstFace + 3) % 6);  // k hits show ((initial + k) mod 6) + 1
}

TEST(Pieces, HitTestIsACircleAroundThePaddleCentre) {
    cFallen die = Die();
    cPaddle paddle;
    die.x = 100.0f;
    die.y = 100.0f;
    paddle.angle = 1.0f;  // the angle plays no part
    paddle.x = 100.0f + 34.0f;
    paddle.y = 100.0f;
    EXPECT_TRUE(die.HitsPaddle(paddle));   // 34² = 1156
    paddle.x = 100.0f + 35.0f;
    EXPECT_FALSE(die.HitsPaddle(paddle));  // 35² = 1225
    paddle.x = 120.0f;
    paddle.y = 120.0f;                     // 400 + 400
    EXPECT_TRUE(die.HitsPaddle(paddle));
}

TEST(Pieces, RestingDieNeitherMovesNorBounces) {
    cFallen die = Die();
    die.slot = 3;
    die.landed = true;
    die.x = 95.0f;
    die.y = 250.0f;
    die.angle = 1.0f;
    die.cooldown = 7;
    const int32_t face = die.face;
    cPaddle paddle;
    paddle.x = 95.0f;
    paddle.y = 250.0f;
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(Move(die, paddle).list.empty());
    EXPECT_EQ(die.x, 95.0f);
    EXPECT_EQ(die.y, 250.0f);
    EXPECT_EQ(die.angle, 0.0f);
    EXPECT_EQ(die.cooldown, 7);
    EXPECT_EQ(die.face, face);
}

TEST(Pieces, ThrownOffDieLeavesAtSpeedEightNeverUpwardThroughThePaddle) {
    for (uint32_t seed = 1; seed <= 40; ++seed) {
        RandomState random;
        SeedRandom(random, seed);
        cFallen die = Die();
        die.slot = 0;
        die.landed = true;
        die.x = 99.0f;
        die.y = 300.0f;
        die.Rebound(random);
        EXPECT_TRUE(die.rebounded);
        EXPECT_TRUE(die.landed);
        EXPECT_EQ(die.slot, -1);
        EXPECT_EQ(die.spin, 0.3f);
        EXPECT_GE(die.vy, 0.0f);
        EXPECT_NEAR(std::hypot(die.vx, die.vy), 8.0f, 1e-5);
        cPaddle paddle;
        paddle.x = die.x + die.vx;
        paddle.y = die.y + die.vy;
        const int32_t face = die.face;
        Move(die, paddle);
        EXPECT_EQ(die.face, face);  // the paddle does not touch it
        EXPECT_EQ(die.angle, 0.3f);
    }
}
