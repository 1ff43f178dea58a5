// The result scene between two rounds: one line with the difficulty and the
// score; a fresh click (a player's continue button) starts the next
// difficulty, or ends the game after difficulty 9.
#pragma once

#include <cstdint>

#include "scene/cSequence.h"

class cFont;

class cSQInterval : public cSequence {
public:
    cSQInterval(int32_t difficulty, int32_t score);
    ~cSQInterval() override;

    // Itself until a left click that begins in this step; then the next board,
    // or null after difficulty 9 (or when the board cannot be allocated).
    cSequence* Update() override;

    cFont* label = nullptr;
    int32_t score = 0;
    int32_t difficulty = 1;
};

// A new result scene, or null when it cannot be allocated.
cSequence* NewResult(int32_t difficulty, int32_t score);
