#include "app/Autopilot.h"

#include <cmath>

#include "game/Angles.h"

PlayerHands AimAtFallingDie(const cSQMain& board, int player) {
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

PlayerControls MouseRecord(const PlayerHands& hands, const PlayerControls& before) {
    PlayerControls record;
    record.x = hands.move ? hands.x : before.x;
    record.y = hands.move ? hands.y : before.y;
    record.turnLeft = hands.left;
    record.turnRight = hands.right;
    record.confirm = hands.left;
    return record;
}

PlayerControls cAutopilot::Record(const GameState& game, int player) {
    PlayerControls record = last_;
    record.turnLeft = record.turnRight = record.confirm = record.pause = 0;
    record.digits = 0;
    if (game.scene == static_cast<int32_t>(SceneKind::Board)) {
        const PlayerHands hands = AimAtFallingDie(game.board, player);
        if (hands.move) {
            record = MouseRecord(hands, last_);
        } else {
            // Nothing to aim at: drift towards a point of the field, now and
            // then a new one, turning a little.
            if (random_() % 60 == 0) {
                wanderX_ = 120.0f + static_cast<float>(random_() % 560);
                wanderY_ = 200.0f + static_cast<float>(random_() % 350);
            }
            record.x += (wanderX_ - record.x) * 0.1f;
            record.y += (wanderY_ - record.y) * 0.1f;
            record.turnRight = random_() % 4 == 0;
        }
    } else if (game.scene == static_cast<int32_t>(SceneKind::Result)) {
        record.confirm = !last_.confirm && random_() % 30 == 0;  // clicks on after a while
    }
    last_ = record;
    return record;
}
