#include "game/cFallen.h"

#include <cmath>
#include <cstdio>

#include "app/Random.h"
#include "audio/cDSound.h"
#include "game/Angles.h"
#include "game/Rounding.h"
#include "game/cPaddle.h"
#include "graphics/Graphics.h"
#include "graphics/cMetaObject.h"
#include "graphics/cTextureManager.h"
#include "platform/render.h"

namespace {

constexpr float kGravity = 0.01f;
constexpr float kStartSpin = 0.03f;
constexpr float kReboundSpin = 0.3f;
constexpr double kReboundSpeed = 8.0;
constexpr double kDriftSpeed = 0.5;
constexpr int32_t kHitCooldown = 20;
constexpr double kReach = 1200.0;  // squared distance within which the paddle hits

// r·π/100 for a draw r, rounded to float: the directions a die can take.
float DirectionOf(uint32_t draw) {
    return RoundToFloat(static_cast<double>(draw % 100u) * kPi / 100.0);
}

float RoundedCos(float a) { return RoundToFloat(std::cos(static_cast<double>(a))); }
float RoundedSin(float a) { return RoundToFloat(std::sin(static_cast<double>(a))); }

}  // namespace

cFallen::cFallen() {
    x = static_cast<float>(graphics.screenWidth >> 1);
    spin = kStartSpin;
    const float a = DirectionOf(Random());  // direction first, face second
    vx = RoundToFloat(static_cast<double>(RoundedCos(a)) * kDriftSpeed);
    face = static_cast<int32_t>(Random() % 6u);
    sprite = new cSprite("Dice1", static_cast<int32_t>(x), static_cast<int32_t>(y), 32, 32);
    SetFaceTexture();
}

cFallen::~cFallen() {
    delete sprite;
}

void cFallen::SetFaceTexture() {
    char name[32];
    std::snprintf(name, sizeof name, "Dice%d", static_cast<int>(face + 1));
    ReleaseTexture(sprite->texture);
    sprite->texture = textureManager.CreateTexture(name);
}

bool cFallen::HitsPaddle(const cPaddle& paddle) const {
    const float dx = paddle.x - x;
    const float dy = paddle.y - y;
    const float dx2 = RoundToFloat(std::pow(static_cast<double>(dx), 2.0));
    const float dy2 = RoundToFloat(std::pow(static_cast<double>(dy), 2.0));
    return static_cast<double>(dx2) + static_cast<double>(dy2) < kReach;
}

void cFallen::Move(const cPaddle& paddle, const cPaddle* second) {
    if (slot != -1) {  // resting in a slot: no movement, no paddle
        angle = 0.0f;
        return;
    }
    x = x + vx;  // the position moves with the velocity of the previous step
    y = y + vy;
    vy = vy + kGravity;
    angle = angle + spin;
    if (cooldown != 0) --cooldown;
    sprite->angle = angle;
    sprite->SetPosition(static_cast<int32_t>(x), static_cast<int32_t>(y));
    if (rebounded) return;  // thrown off a slot: passes through the paddle

    if (cooldown != 0) return;
    // Player 1's paddle is asked first: a bounce off it starts the cool-down,
    // so when both paddles reach the die in one step, player 1's wins.
    if (HitsPaddle(paddle)) {
        Bounce(paddle);
    } else if (second && HitsPaddle(*second)) {
        Bounce(*second);
    }
}

void cFallen::Bounce(const cPaddle& paddle) {
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
    SetFaceTexture();
    spin = -spin;
    char sound[32];
    std::snprintf(sound, sizeof sound, "Sound/Pad%d.wav", static_cast<int>(face));
    dsound.Play(sound);
}

void cFallen::Rebound() {
    rebounded = true;
    spin = kReboundSpin;
    const float a = DirectionOf(Random());
    vx = RoundToFloat(static_cast<double>(RoundedCos(a)) * kReboundSpeed);
    vy = RoundToFloat(static_cast<double>(RoundedSin(a)) * kReboundSpeed);
    slot = -1;  // moves again; `landed` stays set so it never lands again
}
