// A scripted player for headless runs: it puts the paddle under the lowest
// die that is still falling untouched and tilts it so that the die leaves
// horizontally towards the emptier of the two top slots (3π/4 sends a falling
// die left, π/4 right). Deterministic: the same board gives the same hands.
#pragma once

#include <cmath>

#include "game/Angles.h"
#include "game/cSQMain.h"
#include "input/Controls.h"
#include "input/cInput.h"

struct PlayerHands {
    bool left = false;
    bool right = false;
    bool move = false;  // whether x and y below hold a new cursor position
    float x = 0.0f;
    float y = 0.0f;
};

inline PlayerHands AimAtFallingDie(const cSQMain& board, int player = 0) {
    PlayerHands hands;
    const cFallen* target = nullptr;
    for (int i = 0; i < board.diceCount; ++i) {
        const cFallen* die = &board.dice[i];
        // Untouched so far: falling, never bounced, still above the paddle's line.
        if (die->landed || die->cooldown != 0 || die->vy <= 0.0f || std::fabs(die->vx) > 0.5f ||
            die->y > 300.0f) {
            continue;
        }
        if (!target || die->y > target->y) target = die;
    }
    if (!target) return hands;
    const double wanted = board.sums[0] <= board.sums[1] ? 3 * kPi / 4 : kPi / 4;
    hands.right = board.paddles[player].angle < wanted - 0.03;
    hands.left = board.paddles[player].angle > wanted + 0.03;
    hands.move = true;
    hands.x = target->x;
    hands.y = 330.0f;
    return hands;
}

// Puts the hands on a mouse record: the buttons, and the cursor when it moves.
inline void ApplyHands(const PlayerHands& hands, MouseState* mouse) {
    mouse->left = hands.left;
    mouse->right = hands.right;
    if (hands.move) {
        mouse->x = hands.x;
        mouse->y = hands.y;
    }
}

// The record a one-player game makes of those hands on the mouse: the cursor
// (kept where it was when the hands do not move it), the buttons turning, the
// left one also continuing.
inline PlayerControls MouseRecord(const PlayerHands& hands, const PlayerControls& before) {
    PlayerControls record;
    record.x = hands.move ? hands.x : before.x;
    record.y = hands.move ? hands.y : before.y;
    record.turnLeft = hands.left;
    record.turnRight = hands.right;
    record.confirm = hands.left;
    return record;
}
