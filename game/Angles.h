// The angle constants of the gameplay: the single-precision π widened to
// double, as the bounce and the paddle's wrap use it.
#pragma once

constexpr double kPi = 3.1415927410125732;
constexpr double kTwoPi = 6.2831854820251465;
