// The check that rollback stands on: a step taken twice from the same saved
// state on the same records must give the same state and tell the same
// events. Anything a step reads or writes outside the state value (a
// forgotten field kept elsewhere, a global) makes the two runs differ.
#pragma once

#include <functional>
#include <memory>

#include "game/GameState.h"

// A step of the game; StepGame unless a test hands in another.
using GameStep =
    std::function<void(GameState& state, const PlayerControls records[kMaxPlayers], StepEvents& events)>;

class cSyncCheck {
public:
    explicit cSyncCheck(GameStep step = StepGame);

    // Saves the state, steps the copy, steps the state again on the same
    // records and compares the two. Leaves the state and events of the run
    // on `state`. False when the two runs differ.
    bool Step(GameState& state, const PlayerControls records[kMaxPlayers], StepEvents& events);

private:
    GameStep step_;
    std::unique_ptr<GameState> saved_;
    StepEvents again_;
};
