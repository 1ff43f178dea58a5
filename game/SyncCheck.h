// The check that rollback stands on: a step taken twice from the same saved
// state on the same records must give the same state and tell the same
// events; and going back a few steps to a saved state and taking them again
// on their records must give every state again, as rollback does all the
// time. Anything a step reads or writes outside the state value (a forgotten
// field kept elsewhere, a global) makes the runs differ.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/GameState.h"

// How far the check looks back every step by default, and at most.
constexpr int kSyncDepth = 8;
constexpr int kMaxSyncDepth = 64;

class cSyncCheck {
public:
    // depth: steps gone back and taken again every step (0: none).
    explicit cSyncCheck(int depth = kSyncDepth, GameStep step = StepGame);

    // Saves the state, steps the copy, steps the state again on the same
    // records and compares the two; then goes back `depth` steps and takes
    // them again, comparing each state with the one the game had. Leaves the
    // state and events of the run on `state`. False when two runs differ;
    // Difference() then says where.
    bool Step(GameState& state, const PlayerControls records[kMaxPlayers], StepEvents& events);
    // What differed, by the names of the state's fields.
    const std::string& Difference() const { return difference_; }

private:
    struct Past {
        std::unique_ptr<GameState> before;  // the state before the step
        PlayerControls records[kMaxPlayers];
    };
    bool LookBack(const GameState& now);

    int depth_;
    GameStep step_;
    std::unique_ptr<GameState> saved_;
    StepEvents again_;
    std::vector<Past> past_;  // the last `depth` steps, by step number
    uint32_t steps_ = 0;      // steps taken so far
    std::string difference_;
};

// The fields in which two states differ, by name ("board.dice[3].vy",
// "random.words[12]"); empty when they are the same.
std::vector<std::string> DifferingFields(const GameState& a, const GameState& b);
