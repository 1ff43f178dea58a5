// The result scene between two rounds: one line with the difficulty and the
// score; a fresh click (a player's continue button) starts the next
// difficulty, or ends the game after difficulty 9. A plain value, part of the
// game's state; its picture is the scene view's.
#pragma once

#include <cstdint>

#include "game/SceneStep.h"

struct cSQInterval {
    // Itself until a click that begins in this step; then the next board, or
    // the end of the chain after difficulty 9.
    SceneAnswer Update(const cControls& controls) const;

    int32_t difficulty = 1;
    int32_t score = 0;
};
static_assert(sizeof(cSQInterval) == 8, "no padding");
