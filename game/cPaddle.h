// The player's paddle: an 80 × 20 bar whose centre follows the cursor and
// which turns while a mouse button is held (left: counter-clockwise on
// screen, right: clockwise). Dice bounce off it as off a mirror at its angle.
#pragma once

class cSprite;

class cPaddle {
public:
    // Horizontal at the centre of the field until the first step moves it.
    cPaddle();
    // Takes its sprite out of the draw list and deletes it.
    ~cPaddle();
    cPaddle(const cPaddle&) = delete;
    cPaddle& operator=(const cPaddle&) = delete;

    // One logic step: turn by the held button, keep the angle within −π..π,
    // jump to the cursor. Always true.
    bool Move();

    float x = 400.0f;  // centre, field pixels
    float y = 300.0f;
    cSprite* sprite = nullptr;
    float angle = 0.0f;  // radians, clockwise on screen
    float spin = 0.0f;   // the turn of the current step: −0.05, 0 or +0.05
};
