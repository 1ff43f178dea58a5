// A fingerprint of the rules' arithmetic: the game's own sines, cosines,
// arctangents and squares, rounded to float as the rules round them, over
// a few thousand bounces, throws and new dice. Two builds whose C libraries
// or compilers would compute one of those numbers differently (a desktop
// and a browser, say) have different fingerprints, and two machines compare
// them when they greet: games that would go apart are never begun.
#pragma once

#include <cstdint>

uint32_t ArithmeticFingerprint();
