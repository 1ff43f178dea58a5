// A player's paddle: an 80 x 20 bar whose centre follows that player's
// cursor and which turns while a turn button is held (the left mouse button:
// counter-clockwise on screen; the right one: clockwise). Dice bounce off it
// as off a mirror at its angle. A plain value, part of the board's state;
// its picture is the scene view's.
#pragma once

#include "input/Controls.h"

struct cPaddle {
    // One logic step on its player's controls: turn by the held button, keep
    // the angle within −π..π, jump to the cursor. Always true.
    bool Move(const PlayerControls& controls);

    // Horizontal at the centre of the field until the first step moves it.
    float x = 400.0f;  // centre, field pixels
    float y = 300.0f;
    float angle = 0.0f;  // radians, clockwise on screen
    float spin = 0.0f;   // the turn of the current step: −0.05, 0 or +0.05
};
static_assert(sizeof(cPaddle) == 16, "no padding");
