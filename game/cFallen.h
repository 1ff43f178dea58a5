// One die: spawned at the top centre, it falls under gravity while it spins,
// bounces off a paddle as off a mirror (turning to its next face each time),
// and lands in a slot when its centre crosses a slot line. A plain value,
// part of the board's state; its picture is the scene view's, found by id.
#pragma once

#include <cstdint>

#include "game/Random.h"
#include "game/StepEvents.h"

struct cPaddle;

struct cFallen {
    // A new die at (W / 2, 0) drifting sideways; draws its direction and then
    // its face from the generator.
    static cFallen Spawn(uint32_t id, RandomState& random);

    // One logic step against the board's paddles, the lowest player's first:
    // when several reach the die in one step, that one bounces it. A bounce
    // is told to `events`.
    void Move(const cPaddle paddles[], int count, StepEvents& events);
    // Whether the die's centre is within reach of the paddle's centre.
    bool HitsPaddle(const cPaddle& paddle) const;
    // Throws the die off a full slot: speed 8, never upward, through the paddles.
    void Rebound(RandomState& random);

    uint32_t id = 0;  // unique within a game: names the die's picture
    float x = 0.0f;
    float y = 0.0f;
    float vx = 0.0f;  // pixels per step
    float vy = 0.0f;  // pixels per step, positive downward
    float angle = 0.0f;
    float spin = 0.0f;     // change of angle per step
    int32_t cooldown = 0;  // steps before a paddle can hit the die again
    int32_t slot = -1;     // the slot the die rests in, −1 while it moves
    int32_t face = 0;      // 0..5; the die's value is face + 1
    bool rebounded = false;
    bool landed = false;
    uint8_t unused[2] = {};
    // Where the die's picture stands and how it is turned, as the step last
    // put it: the truncated position while it moves, its place in the stack
    // once it rests.
    int32_t shownX = 0;
    int32_t shownY = 0;
    float shownAngle = 0.0f;

private:
    // Mirrors the velocity across the paddle and turns to the next face.
    void Bounce(const cPaddle& paddle, StepEvents& events);
};
static_assert(sizeof(cFallen) == 14 * 4, "no padding");
