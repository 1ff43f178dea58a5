#include "game/cPaddle.h"

#include "game/Angles.h"
#include "game/Rounding.h"
#include "graphics/cMetaObject.h"
#include "input/cInput.h"

cPaddle::cPaddle() : sprite(new cSprite("Paddle", 400, 300, 80, 20)) {}

cPaddle::~cPaddle() {
    delete sprite;
}

bool cPaddle::Move() {
    spin = input.mouse.left ? -0.05f : (input.mouse.right ? 0.05f : 0.0f);
    angle = angle + spin;
    // Two steps in this order: a negative angle is lifted by 2π and brought
    // back, so only an angle that turned past −π or π changes side.
    if (angle < 0.0f) angle = RoundToFloat(angle + kTwoPi);
    if (angle > kPi) angle = RoundToFloat(angle - kTwoPi);
    x = input.mouse.x;  // no speed limit, no clamping to the field
    y = input.mouse.y;
    sprite->angle = angle;
    sprite->SetPosition(x, y);
    return true;
}
