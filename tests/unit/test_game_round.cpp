// A whole round at difficulty 1, played headless by a scripted player with a
// fixed seed. Every change of the score is checked against
// the scoring table as it happens, and the round must reach its result scene.
// The player is the one in support/scripted_player.h.
#include <cmath>
#include <map>
#include <memory>

#include "game/Angles.h"
#include "game/cFallen.h"
#include "game/cPaddle.h"
#include "game/cSQInterval.h"
#include "game/cSQMain.h"
#include "support/game_fixture.h"
#include "support/scripted_player.h"

namespace {

// Sets the cursor and the buttons for the next step, and makes the record
// from them as a one-player game does.
void ScriptStep(const cSQMain& board) {
    ApplyHands(AimAtFallingDie(board), &input.mouse);
    GameFixture::TakeControls();
}

struct Outcome {
    int32_t score = 0;
    int32_t sums[2] = {};
    int steps = 0;
    int landings = 0;
    int lost = 0;
};

class Round : public GameFixture {};

}  // namespace

TEST_F(Round, ScriptedPlayerFinishesARoundAndEveryScoreChangeFollowsTheTable) {
    SeedRandom(20261208u);
    spawnCounter = 0;
    ClearInput();
    auto board = std::make_unique<cSQMain>(1);
    Outcome out;
    std::unique_ptr<cSequence> result;
    for (out.steps = 1; out.steps <= 20000; ++out.steps) {
        NextInputStep();
        ScriptStep(*board);
        const int32_t scoreBefore = board->score;
        const int32_t sumsBefore[2] = {board->sums[0], board->sums[1]};
        std::map<const cFallen*, bool> reboundedBefore;
        for (const cFallen* die : board->dice) reboundedBefore[die] = die->rebounded;
        const size_t diceBefore = board->dice.size();

        cSequence* next = board->Update();

        // What the table says this step was worth.
        int32_t expected = 0;
        for (int s = 0; s < 2; ++s) {
            if (board->sums[s] == sumsBefore[s]) continue;
            ++out.landings;
            // One landing per slot per step in this script (dice arrive apart).
            const int32_t now = board->sums[s];
            expected += now < 10 ? 10 : (now == 10 ? 100 : -100);
            EXPECT_LE(now - sumsBefore[s], 6);
            EXPECT_LT(sumsBefore[s], 10) << "a full slot took a die";
        }
        size_t stillThere = 0;
        for (const cFallen* die : board->dice) {
            auto it = reboundedBefore.find(die);
            if (it == reboundedBefore.end()) continue;  // spawned this step
            ++stillThere;
            if (die->rebounded && !it->second) expected -= 10;  // thrown off a full slot
        }
        const size_t removed = diceBefore - stillThere;
        out.lost += static_cast<int>(removed);
        expected -= 10 * static_cast<int32_t>(removed);
        if (next != board.get()) {
            auto* interval = dynamic_cast<cSQInterval*>(next);
            ASSERT_NE(interval, nullptr);
            result.reset(next);
            out.score = interval->score;
            EXPECT_EQ(interval->score - scoreBefore, expected) << "step " << out.steps;
            EXPECT_EQ(interval->difficulty, 1);
            break;
        }
        ASSERT_EQ(board->score - scoreBefore, expected) << "step " << out.steps;
    }
    ASSERT_NE(result, nullptr) << "the round did not end";
    out.sums[0] = board->sums[0];
    out.sums[1] = board->sums[1];
    EXPECT_GE(out.sums[0], 10);
    EXPECT_GE(out.sums[1], 10);
    EXPECT_LE(out.sums[0], 15);
    EXPECT_LE(out.sums[1], 15);
    EXPECT_GT(out.landings, 2);
    EXPECT_EQ(board->score, out.score);
    EXPECT_EQ(out.steps, 1471);
    EXPECT_EQ(out.sums[0], 14);
    EXPECT_EQ(out.sums[1], 11);
    // The replay itself: the same seed and script always give this round.
    EXPECT_EQ(out.score, -80) << "steps " << out.steps << " sums " << out.sums[0] << ","
                            << out.sums[1] << " landings " << out.landings << " lost "
                            << out.lost;
}
