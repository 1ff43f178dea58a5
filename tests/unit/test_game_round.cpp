// A whole round at difficulty 1, played by a scripted player with a fixed
// seed on the game's state alone. Every change of the score is checked
// against the scoring table as it happens, through what the step says
// happened, and the round must reach its result scene.
#include <gtest/gtest.h>

#include "game/GameState.h"
#include "support/scripted_player.h"

TEST(Round, ScriptedPlayerFinishesARoundAndEveryScoreChangeFollowsTheTable) {
    GameState game;
    SeedGame(game, 20261208u, 1);
    CreateFirstScene(game);
    PlayerControls records[kMaxPlayers];
    StepEvents events;
    int steps = 0, landings = 0, lost = 0;
    int32_t score = 0;
    for (steps = 1; steps <= 20000; ++steps) {
        records[0] = MouseRecord(AimAtFallingDie(game.board), records[0]);
        const int32_t scoreBefore = game.board.score;
        StepGame(game, records, events);

        // What the table says this step was worth.
        int32_t expected = 0;
        for (const GameEvent& e : events.list) {
            if (e.kind == GameEventKind::Land) {
                ++landings;
                expected += e.value < 10 ? 10 : (e.value == 10 ? 100 : -100);
            } else if (e.kind == GameEventKind::ThrowOff) {
                expected -= 10;
            } else if (e.kind == GameEventKind::FallOut) {
                expected -= 10;
                ++lost;
            }
        }
        if (game.scene == static_cast<int32_t>(SceneKind::Result)) {
            score = game.result.score;
            EXPECT_EQ(score - scoreBefore, expected) << "step " << steps;
            EXPECT_EQ(game.result.difficulty, 1);
            break;
        }
        ASSERT_EQ(game.board.score - scoreBefore, expected) << "step " << steps;
    }
    ASSERT_EQ(game.scene, static_cast<int32_t>(SceneKind::Result)) << "the round did not end";
    EXPECT_GT(landings, 2);
    // The same seed and script always give this round.
    EXPECT_EQ(steps, 1471);
    EXPECT_EQ(game.board.sums[0], 14);
    EXPECT_EQ(game.board.sums[1], 11);
    EXPECT_EQ(score, -80) << "landings " << landings << " lost " << lost;
}
