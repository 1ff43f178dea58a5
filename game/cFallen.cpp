#include "game/cFallen.h"

#include <cmath>

#include "game/Angles.h"
#include "game/Field.h"
#include "game/Rounding.h"
#include "game/cPaddle.h"

namespace {

constexpr float kGravity = 0.01f;
constexpr float kStartSpin = 0.03f;
constexpr float kReboundSpin = 0.3f;
constexpr double kReboundSpeed = 8.0;
constexpr double kDriftSpeed = 0.5;
constexpr int32_t kHitCooldown = 20;
constexpr double kReach = 1200.0;  // squared distance within which a paddle hits

// r·π/100 for a draw r, rounded to float: the directions a die can take.
float DirectionOf(uint32_t draw) {
    return RoundToFloat(static_cast<double>(draw % 100u) * kPi / 100.0);
}

float RoundedCos(float a) { return RoundToFloat(std::cos(static_cast<double>(a))); }
float RoundedSin(float a) { return RoundToFloat(std::sin(static_cast<double>(a))); }

}  // namespace

cFallen cFallen::Spawn(uint32_t id, RandomState& random) {
    cFallen die;
    die.id = id;
    die.x = static_cast<float>(kFieldWidth >> 1);
    die.spin = kStartSpin;
    const float a = DirectionOf(Random(random));  // direction first, face second
    die.vx = RoundToFloat(static_cast<double>(RoundedCos(a)) * kDriftSpeed);
    die.face = static_cast<int32_t>(Random(random) % 6u);
    die.shownX = static_cast<int32_t>(die.x);
    die.shownY = static_cast<int32_t>(die.y);
    return die;
}

bool cFallen::HitsPaddle(const cPaddle& paddle) const {
    const float dx = paddle.x - x;
    const float dy = paddle.y - y;
    const float dx2 = RoundToFloat(std::pow(static_cast<double>(dx), 2.0));
    const float dy2 = RoundToFloat(std::pow(static_cast<double>(dy), 2.0));
    return static_cast<double>(dx2) + static_cast<double>(dy2) < kReach;
}

void cFallen::Move(const cPaddle paddles[], int count, StepEvents& events) {
    if (slot != -1) {  // resting in a slot: no movement, no paddle
        angle = 0.0f;
        return;
    }
    x = x + vx;  // the position moves with the velocity of the previous step
    y = y + vy;
    vy = vy + kGravity;
    angle = angle + spin;
    if (cooldown != 0) --cooldown;
    shownAngle = angle;
    shownX = static_cast<int32_t>(x);
    shownY = static_cast<int32_t>(y);
    if (rebounded) return;  // thrown off a slot: passes through the paddles

    if (cooldown != 0) return;
    // The paddles are asked in player order: a bounce starts the cool-down,
    // so when several reach the die in one step, the lowest player's wins.
    for (int p = 0; p < count; ++p) {
        if (HitsPaddle(paddles[p])) {
            Bounce(paddles[p], events);
            return;
        }
    }
}

void cFallen::Bounce(const cPaddle& paddle, StepEvents& events) {
    // Mirror the velocity across the paddle's line: turn it by T = 2·(P − A),
    // so the direction A becomes 2·P − A at the same speed.
    const float a = RoundToFloat(std::atan2(static_cast<double>(vy), static_cast<double>(vx)));
    const float t =
        RoundToFloat(2.0 * (static_cast<double>(paddle.angle) - static_cast<double>(a)));
    const double cT = RoundedCos(t);
    const double sT = RoundedSin(t);
    const double oldVx = vx;
    const double oldVy = vy;
    vx = RoundToFloat(cT * oldVx - sT * oldVy);
    vy = RoundToFloat(sT * oldVx + cT * oldVy);
    cooldown = kHitCooldown;
    face = (face + 1) % 6;
    spin = -spin;
    events.Add(GameEventKind::Bounce, id, face);  // its new face's picture and sound
}

void cFallen::Rebound(RandomState& random) {
    rebounded = true;
    spin = kReboundSpin;
    const float a = DirectionOf(Random(random));
    vx = RoundToFloat(static_cast<double>(RoundedCos(a)) * kReboundSpeed);
    vy = RoundToFloat(static_cast<double>(RoundedSin(a)) * kReboundSpeed);
    slot = -1;  // moves again; `landed` stays set so it never lands again
}
