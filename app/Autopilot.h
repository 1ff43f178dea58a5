// The computer as a player: it puts its paddle under the lowest die that is
// still falling untouched and tilts it so that the die leaves horizontally
// towards the emptier of the two top slots (3π/4 sends a falling die left,
// π/4 right); with no such die it wanders about the field, and it clicks on
// through the result. --autopilot lets it play this machine's player, for
// demonstrations and for measuring two machines at play.
#pragma once

#include <cstdint>
#include <random>

#include "game/GameState.h"

// Where the aim puts the cursor and which turn button it holds.
struct PlayerHands {
    bool left = false;
    bool right = false;
    bool move = false;  // whether x and y below hold a new cursor position
    float x = 0.0f;
    float y = 0.0f;
};

// The aim of one step on `board` for the paddle of `player`. Deterministic:
// the same board gives the same hands.
PlayerHands AimAtFallingDie(const cSQMain& board, int player = 0);

// The record made of those hands on a mouse: the cursor (kept where it was
// when the hands do not move it), the buttons turning, the left continuing.
PlayerControls MouseRecord(const PlayerHands& hands, const PlayerControls& before);

class cAutopilot {
public:
    explicit cAutopilot(uint32_t seed) : random_(seed) {}
    // This step's record for `player` of the game as it stands.
    PlayerControls Record(const GameState& game, int player);

private:
    std::mt19937 random_;
    PlayerControls last_;
    float wanderX_ = 400.0f;
    float wanderY_ = 330.0f;
};
