// A player's paddle: an 80 × 20 bar whose centre follows that player's
// cursor and which turns while a turn button is held (the left mouse button:
// counter-clockwise on screen; the right one: clockwise). Dice bounce off it
// as off a mirror at its angle.
#pragma once

class cSprite;
struct PlayerControls;

class cPaddle {
public:
    // Horizontal at the centre of the field until the first step moves it.
    // Player 1's paddle shows the texture "Paddle"; player 2's another one.
    explicit cPaddle(const char* textureName = "Paddle");
    // Takes its sprite out of the draw list and deletes it.
    ~cPaddle();
    cPaddle(const cPaddle&) = delete;
    cPaddle& operator=(const cPaddle&) = delete;

    // One logic step on its player's controls: turn by the held button, keep
    // the angle within −π..π, jump to the cursor. Always true.
    bool Move(const PlayerControls& controls);

    float x = 400.0f;  // centre, field pixels
    float y = 300.0f;
    cSprite* sprite = nullptr;
    float angle = 0.0f;  // radians, clockwise on screen
    float spin = 0.0f;   // the turn of the current step: −0.05, 0 or +0.05
};
