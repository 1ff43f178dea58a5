// One die: spawned at the top centre, it falls under gravity while it spins,
// bounces off the paddle as off a mirror (turning to its next face each
// time), and lands in a slot when its centre crosses a slot line.
#pragma once

#include <cstdint>

class cPaddle;
class cSprite;

class cFallen {
public:
    // A new die at (W / 2, 0) drifting sideways; draws its direction and then
    // its face from the program-wide generator.
    cFallen();
    // Takes its sprite out of the draw list and deletes it.
    ~cFallen();
    cFallen(const cFallen&) = delete;
    cFallen& operator=(const cFallen&) = delete;

    // One logic step against the board's paddle, and player 2's when there is one.
    void Move(const cPaddle& paddle, const cPaddle* second = nullptr);
    // Whether the die's centre is within reach of the paddle's centre.
    bool HitsPaddle(const cPaddle& paddle) const;
    // Throws the die off a full slot: speed 8, never upward, through the paddle.
    void Rebound();
    // Gives the sprite a new texture of the current face.
    void SetFaceTexture();

    cSprite* sprite = nullptr;  // 32 × 32, owned
    float x = 0.0f;
    float y = 0.0f;
    float vx = 0.0f;  // pixels per step
    float vy = 0.0f;  // pixels per step, positive downward
    float angle = 0.0f;
    float spin = 0.0f;  // change of angle per step
    int32_t cooldown = 0;  // steps before the paddle can hit the die again
    int32_t slot = -1;     // the slot the die rests in, −1 while it moves
    int32_t face = 0;      // 0..5; the die's value is face + 1
    bool rebounded = false;
    bool landed = false;

private:
    // Mirrors the velocity across the paddle, turns to the next face, plays its sound.
    void Bounce(const cPaddle& paddle);
};
