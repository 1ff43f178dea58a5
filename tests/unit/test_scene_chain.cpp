// The chain of scenes through the real main loop: a scene replaced in a step
// leaves only its successor's objects in that step's frame, and the click
// that ends the chain after difficulty 9 quits the program on the following
// step with status 0.
#include <gtest/gtest.h>

#include "app/Play.h"
#include "app/WinMain.h"
#include "graphics/Graphics.h"
#include "graphics/cMetaObject.h"
#include "input/cInput.h"
#include "support/game_fixture.h"

namespace {

class SceneChain : public GameFixture {
protected:
    void SetUp() override {
        GameFixture::SetUp();
        ClearMessageQueue();
        AppOptions one;
        ASSERT_TRUE(play->Start(one));
        input.rawMouse = MouseState{};
    }
    void TearDown() override {
        play.reset();
        ClearMessageQueue();
        GameFixture::TearDown();
    }
    std::unique_ptr<cPlay> play = std::make_unique<cPlay>();
    // Runs the real loop; every step also calls `before` first.
    int Run(int* steps, const std::function<void(int)>& before) {
        uint32_t now = 17;
        stepClock = 0;
        const LoopClock clock{[&now] { return now; }, [&now](uint32_t ms) { now += ms; }};
        return RunMainLoop(clock, [&](int* status) {
            before(*steps);
            ++*steps;
            return RunLogicStep(*play, status);
        });
    }
};

}  // namespace

TEST_F(SceneChain, TheLastClickEndsTheChainAndTheNextStepQuitsWithStatusZero) {
    const size_t listed = graphics.drawList2D.size();
    play->Seed(5u, 1);
    play->ShowFirstScene();
    GameState& game = play->Game();
    int steps = 0;
    std::vector<size_t> objects;  // on the field when each step begins
    const int status = Run(&steps, [&](int step) {
        objects.push_back(graphics.drawList2D.size() - listed);
        if (step == 0) {
            // A die about to fill the last slot: the round ends in this step.
            game.board.sums[0] = 9;
            game.board.sums[1] = 10;
            DieAt(game, 50.0f, 0.0f, 0);
        }
        if (step == 1) {
            game.result.difficulty = 9;  // the last difficulty's result
            input.rawMouse.left = 1;     // clicked in this step
        }
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(steps, 3);  // the click's step, then one more that found no scene
    // The board; then only the result line and its notes (the best score and
    // the hint), the board gone in the step that replaced it; then nothing.
    EXPECT_EQ(objects, (std::vector<size_t>{4 * 1 + 2, 1 + 2, 0}));
}
