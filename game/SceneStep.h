// The chain of scenes as the game's state holds it: the root, and below it at
// most one game scene, the board or the result. Each step the scene below the
// root runs its Update, which answers with itself, a new scene that takes its
// place in that same step, or the end of the chain. The step after the chain
// has ended, the root finds nothing below it and the program quits.
#pragma once

#include <cstdint>

#include "game/Random.h"
#include "game/StepEvents.h"
#include "input/Controls.h"

enum class SceneKind : int32_t {
    None = 0,    // the chain has ended
    Board = 1,   // cSQMain
    Result = 2,  // cSQInterval
};

// A scene's answer to one step.
struct SceneAnswer {
    enum Kind { Stay, NewBoard, NewResult, End } kind = Stay;
    int32_t difficulty = 0;  // of the new board, or of the round that ended
    int32_t score = 0;       // of the round that ended

    static SceneAnswer Board(int32_t d) { return {NewBoard, d, 0}; }
    static SceneAnswer Result(int32_t d, int32_t s) { return {NewResult, d, s}; }
};

// What a scene's step reads and writes besides its own data: this step's
// records, and the parts of the game's state that every board shares.
struct StepContext {
    const cControls& controls;
    RandomState& random;
    int32_t& spawnCounter;  // the spawn rhythm runs on across boards and rounds
    uint32_t& nextDieId;
    StepEvents& events;
};
