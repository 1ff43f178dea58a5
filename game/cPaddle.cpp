#include "game/cPaddle.h"

#include "game/Angles.h"
#include "game/Rounding.h"

bool cPaddle::Move(const PlayerControls& controls) {
    spin = controls.turnLeft ? -0.05f : (controls.turnRight ? 0.05f : 0.0f);
    angle = angle + spin;
    // Two steps in this order: a negative angle is lifted by 2π and brought
    // back, so only an angle that turned past −π or π changes side.
    if (angle < 0.0f) angle = RoundToFloat(angle + kTwoPi);
    if (angle > kPi) angle = RoundToFloat(angle - kTwoPi);
    x = controls.x;  // no speed limit, no clamping to the field
    y = controls.y;
    return true;
}
