// The board and result scenes: layout, landing and scoring, the end of a
// round, the difficulty keys and the result click.
#include <algorithm>
#include <cmath>
#include <memory>

#include "game/cFallen.h"
#include "game/cPaddle.h"
#include "game/cSQInterval.h"
#include "game/cSQMain.h"
#include "graphics/cMetaObject.h"
#include "platform/text.h"
#include "support/game_fixture.h"

namespace {

class Board : public GameFixture {
protected:
    void SetUp() override {
        GameFixture::SetUp();
        spawnCounter = 0;
        SeedRandom(99u);
    }

    // A die placed just inside a slot line, falling no further this step.
    static cFallen* DieAt(cSQMain& board, float x, float y, int32_t face) {
        auto* die = new cFallen();
        die->x = x;
        die->y = y;
        die->vx = 0.0f;
        die->vy = -0.01f;  // gravity cancels it out in the next step
        die->face = face;
        board.dice.push_back(die);
        return die;
    }

    static std::string Text(const cFont* label) { return label->text; }
};

}  // namespace

TEST_F(Board, LayoutFollowsTheDifficulty) {
    const uint32_t heights[] = {600, 300, 200, 150, 120, 100, 85, 75, 66};
    for (int32_t d = 1; d <= 9; ++d) {
        const size_t before = graphics.drawList2D.size();
        {
            cSQMain board(d);
            const int32_t h = static_cast<int32_t>(heights[d - 1]);
            for (int32_t r = 0; r < d; ++r) {
                const float y = static_cast<float>(r * h + h / 2);
                EXPECT_EQ(board.panels[2 * r]->GetPosition()[0], 100.0f);
                EXPECT_EQ(board.panels[2 * r + 1]->GetPosition()[0], 700.0f);
                EXPECT_EQ(board.panels[2 * r]->GetPosition()[1], y);
                EXPECT_EQ(board.panels[2 * r]->size[0], 40.0f);
                EXPECT_EQ(board.panels[2 * r]->size[1], static_cast<float>(h));
                EXPECT_EQ(board.labels[2 * r]->GetPosition()[0], 68.0f);
                EXPECT_EQ(board.labels[2 * r + 1]->GetPosition()[0], 739.0f);
                EXPECT_EQ(board.labels[2 * r + 1]->GetPosition()[1], y);
                EXPECT_EQ(Text(board.labels[2 * r]), "0");
            }
            if (2 * d < cSQMain::kMaxSlots) {
                EXPECT_EQ(board.panels[2 * d], nullptr);
            }
            EXPECT_EQ(board.score, 100);
            EXPECT_EQ(Text(board.scoreLabel), "100");
            EXPECT_EQ(board.scoreLabel->GetPosition()[0], 750.0f);
            EXPECT_EQ(board.scoreLabel->GetPosition()[1], 32.0f);
            // Drawn in creation order: slots and labels row by row, paddle, score.
            std::vector<c2DMetaObject*> expected;
            for (int32_t r = 0; r < d; ++r) {
                expected.insert(expected.end(), {board.panels[2 * r], board.panels[2 * r + 1],
                                                 board.labels[2 * r], board.labels[2 * r + 1]});
            }
            expected.push_back(board.paddle->sprite);
            expected.push_back(board.scoreLabel);
            std::vector<c2DMetaObject*> drawn(graphics.drawList2D.begin(),
                                              graphics.drawList2D.end());
            drawn.erase(drawn.begin(), drawn.begin() + static_cast<long>(before));
            EXPECT_EQ(drawn, expected) << "difficulty " << d;
        }
        EXPECT_EQ(graphics.drawList2D.size(), before);  // everything taken out again
    }
}

TEST_F(Board, SlotLinesAndRows) {
    cSQMain one(1);
    for (float y : {0.0f, 123.4f, 599.9f}) EXPECT_EQ(one.SlotAt(99.9f, y), 0);
    EXPECT_EQ(one.SlotAt(100.0f, 300.0f), -1);  // exactly on a line
    EXPECT_EQ(one.SlotAt(700.0f, 300.0f), -1);
    EXPECT_EQ(one.SlotAt(700.1f, 300.0f), 1);
    EXPECT_EQ(one.SlotAt(400.0f, 300.0f), -1);
    EXPECT_EQ(one.SlotAt(50.0f, -599.0f), 0);   // truncated toward zero: still row 0
    EXPECT_EQ(one.SlotAt(50.0f, -600.0f), -1);  // a whole row above the top
    EXPECT_EQ(one.SlotAt(50.0f, 600.5f), -1);   // past the bottom edge
    EXPECT_EQ(one.SlotAt(50.0f, NAN), -1);
    EXPECT_EQ(one.SlotAt(50.0f, 1e12f), -1);

    cSQMain seven(7);  // rows of 85 cover 0..594
    EXPECT_EQ(seven.SlotAt(50.0f, 594.0f), 12);
    EXPECT_EQ(seven.SlotAt(750.0f, 594.9f), 13);
    EXPECT_EQ(seven.SlotAt(50.0f, 595.0f), -1);
    cSQMain nine(9);  // rows of 66 cover 0..593
    EXPECT_EQ(nine.SlotAt(750.0f, 593.0f), 17);
    EXPECT_EQ(nine.SlotAt(750.0f, 594.0f), -1);
}

TEST_F(Board, LandingScoresByTheNewSumAndStacksTheDice) {
    cSQMain board(2);  // rows of 300
    ClearInput();
    // Slot 0 (left, row 0): 3, then 5 (8 so far, +10 each), then 5 takes it to 13 (−100).
    cFallen* a = DieAt(board, 99.5f, 120.0f, 2);
    EXPECT_EQ(board.Update(), &board);
    EXPECT_EQ(board.sums[0], 3);
    EXPECT_EQ(board.counts[0], 1);
    EXPECT_EQ(board.score, 110);
    EXPECT_TRUE(a->landed);
    EXPECT_EQ(a->slot, 0);
    EXPECT_EQ(a->vx, 0.0f);
    EXPECT_EQ(a->sprite->GetPosition()[0], 99.0f);
    EXPECT_EQ(a->sprite->GetPosition()[1], 40.0f);  // first die: 40 below the row's top
    EXPECT_EQ(Text(board.labels[0]), "3");
    EXPECT_EQ(Text(board.scoreLabel), "110");

    cFallen* b = DieAt(board, 50.0f, 200.0f, 4);
    board.Update();
    EXPECT_EQ(board.sums[0], 8);
    EXPECT_EQ(board.score, 120);
    EXPECT_EQ(b->sprite->GetPosition()[1], 76.0f);  // 36 lower for the second
    EXPECT_EQ(b->y, 200.0f + -0.01f);  // its own y keeps the crossing value

    DieAt(board, 10.0f, 5.0f, 4);
    board.Update();
    EXPECT_EQ(board.sums[0], 13);
    EXPECT_EQ(board.score, 20);
    EXPECT_EQ(Text(board.labels[0]), "13");

    // Slot 3 (right, row 1): 4 + 6 = exactly 10: +10 then +100.
    DieAt(board, 701.0f, 450.0f, 3);
    DieAt(board, 750.0f, 599.0f, 5);
    board.Update();
    EXPECT_EQ(board.sums[3], 10);
    EXPECT_EQ(board.counts[3], 2);
    EXPECT_EQ(board.score, 130);
    EXPECT_EQ(Text(board.labels[3]), "10");
    EXPECT_EQ(Text(board.labels[1]), "0");
}

TEST_F(Board, DieReachingAFullSlotIsThrownOffAndCostsTenTwice) {
    cSQMain board(1);
    ClearInput(400.0f, 100.0f);
    board.sums[1] = 12;
    cFallen* die = DieAt(board, 701.0f, 500.0f, 0);
    board.Update();
    EXPECT_EQ(board.score, 90);
    EXPECT_EQ(board.sums[1], 12);
    EXPECT_EQ(board.counts[1], 0);
    EXPECT_TRUE(die->rebounded);
    EXPECT_EQ(die->slot, -1);
    // It can only fall out at the bottom now, and costs another 10 there.
    size_t steps = 0;
    while (!board.dice.empty() && steps < 200) {
        spawnCounter = 1;  // no new die while this one falls
        board.Update();
        ++steps;
    }
    EXPECT_TRUE(board.dice.empty());
    EXPECT_EQ(board.score, 80);
    EXPECT_EQ(board.sums[1], 12);
}

TEST_F(Board, DieThatNobodyTouchesFallsOutAtTheBottomAfterAbout347Steps) {
    cSQMain board(3);
    ClearInput(-500.0f, -500.0f);  // the paddle far away
    spawnCounter = 1;  // keep the spawn rhythm from adding a die during the fall
    auto* die = new cFallen();
    board.dice.push_back(die);
    int steps = 0;
    while (!board.dice.empty() && steps < 1000) {
        EXPECT_GE(board.dice.front()->x, 400.0f - 0.5f * (steps + 1));
        board.Update();
        ++steps;
        if (spawnCounter == 99) spawnCounter = 1;
    }
    EXPECT_GE(steps, 346);
    EXPECT_LE(steps, 348);
    EXPECT_EQ(board.score, 90);
    for (int s = 0; s < 6; ++s) EXPECT_EQ(board.sums[s], 0);
}

TEST_F(Board, DieCrossingALineBelowTheLastRowTouchesNoSlot) {
    cSQMain board(7);
    ClearInput(-500.0f, -500.0f);
    DieAt(board, 99.0f, 596.0f, 5);
    board.Update();
    for (int s = 0; s < cSQMain::kMaxSlots; ++s) EXPECT_EQ(board.sums[s], 0) << s;
    ASSERT_EQ(board.dice.size(), 1u);
    EXPECT_FALSE(board.dice.front()->landed);
    EXPECT_EQ(board.score, 100);
}

TEST_F(Board, SpawnsOnTheProgramWideRhythmEveryHundredSteps) {
    cSQMain board(1);
    ClearInput(-500.0f, -500.0f);
    spawnCounter = 0;
    for (int i = 0; i < 99; ++i) board.Update();
    EXPECT_TRUE(board.dice.empty());
    board.Update();
    ASSERT_EQ(board.dice.size(), 1u);
    EXPECT_EQ(spawnCounter, 0);
    EXPECT_EQ(board.dice.back()->x, 400.0f);
    EXPECT_EQ(graphics.drawList2D.back(), board.dice.back()->sprite);  // dice drawn last
}

TEST_F(Board, RoundEndsOnTheFirstStepWithEverySlotFullAndPassesThatStepsScore) {
    cSQMain board(1);
    ClearInput(-500.0f, -500.0f);
    board.sums[0] = 14;
    board.sums[1] = 7;
    DieAt(board, 750.0f, 300.0f, 1);  // 7 + 2 = 9: not yet
    EXPECT_EQ(board.Update(), &board);
    DieAt(board, 750.0f, 300.0f, 0);  // 9 + 1 = 10
    cSequence* next = board.Update();
    auto* result = dynamic_cast<cSQInterval*>(next);
    ASSERT_NE(result, nullptr);
    EXPECT_EQ(result->difficulty, 1);
    EXPECT_EQ(result->score, 100 + 10 + 100);
    delete result;
}

TEST_F(Board, KeypadRestartsOncePerPressLowestDigitFirstWithTheSpawnRhythmRunningOn) {
    auto board = std::make_unique<cSQMain>(4);
    ClearInput();
    spawnCounter = 57;
    input.keys[DIK_NUMPAD9] = 0x80;
    input.keys[DIK_2] = 0x80;  // the number row's 2: earlier in the order, it wins
    TakeControls();
    cSequence* next = board->Update();
    ASSERT_NE(next, board.get());
    auto* restarted = dynamic_cast<cSQMain*>(next);
    ASSERT_NE(restarted, nullptr);
    EXPECT_EQ(restarted->difficulty, 2);
    EXPECT_EQ(restarted->score, 100);
    EXPECT_EQ(spawnCounter, 57);  // the restart step did nothing else
    board.reset();
    // Still held in the next step: no second restart. The rhythm carries on.
    for (int i = 0; i < 42; ++i) {
        NextInputStep();
        TakeControls();
        EXPECT_EQ(restarted->Update(), restarted);
    }
    EXPECT_TRUE(restarted->dice.empty());
    NextInputStep();
    restarted->Update();
    EXPECT_EQ(restarted->dice.size(), 1u);  // 43 steps, not 100
    // The same digit as the current difficulty restarts the round too, here
    // from the keypad.
    input.keys[DIK_2] = input.keys[DIK_NUMPAD9] = 0;
    TakeControls();
    NextInputStep();
    input.keys[DIK_NUMPAD2] = 0x80;
    TakeControls();
    cSequence* again = restarted->Update();
    ASSERT_NE(again, restarted);
    EXPECT_EQ(dynamic_cast<cSQMain*>(again)->difficulty, 2);
    delete restarted;
    // Each digit key has its own edge: with the number row's 5 held, every
    // press of the keypad's 5 restarts the board.
    std::unique_ptr<cSequence> current(again);
    input.keys[DIK_NUMPAD2] = 0;
    input.keys[DIK_5] = 0x80;
    NextInputStep();
    TakeControls();
    current.reset(current->Update());
    for (int press = 0; press < 2; ++press) {
        NextInputStep();
        input.keys[DIK_NUMPAD5] = 0;
        TakeControls();
        ASSERT_EQ(current->Update(), current.get());
        NextInputStep();
        input.keys[DIK_NUMPAD5] = 0x80;
        TakeControls();
        cSequence* next5 = current->Update();
        ASSERT_NE(next5, current.get()) << "press " << press;
        current.reset(next5);
        EXPECT_EQ(dynamic_cast<cSQMain*>(current.get())->difficulty, 5);
    }
}

TEST_F(Board, ResultSceneShowsDifficultyAndScoreAndWaitsForAFreshClick) {
    cSQInterval result(3, 1250);
    std::string expected;
    ASSERT_TRUE(Utf8ToSjis("難易度3　：　1250点", &expected));
    EXPECT_EQ(std::string(result.label->text), expected);
    EXPECT_EQ(result.label->GetPosition()[0], 300.0f);
    EXPECT_EQ(result.label->GetPosition()[1], 300.0f);

    // Held through the end of the round: not a click.
    ClearInput();
    input.mouse.left = 1;
    TakeControls();
    NextInputStep();
    EXPECT_EQ(result.Update(), &result);
    // Right and middle buttons and the difficulty digits do nothing here.
    input.mouse = MouseState{};
    TakeControls();
    NextInputStep();
    input.mouse.right = 1;
    input.mouse.middle = 1;
    input.keys[DIK_NUMPAD1] = 0x80;
    TakeControls();
    EXPECT_EQ(result.Update(), &result);
    // A fresh left click starts the next difficulty with a fresh score.
    NextInputStep();
    input.mouse.left = 1;
    TakeControls();
    std::unique_ptr<cSequence> next(result.Update());
    auto* board = dynamic_cast<cSQMain*>(next.get());
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(board->difficulty, 4);
    EXPECT_EQ(board->score, 100);

    cSQInterval last(9, -40);
    ASSERT_TRUE(Utf8ToSjis("難易度9　：　-40点", &expected));
    EXPECT_EQ(std::string(last.label->text), expected);
    EXPECT_EQ(last.Update(), nullptr);  // the click after difficulty 9 ends the game

    cSQInterval widest(8, -2147483647 - 1);
    EXPECT_EQ(std::strlen(widest.label->text), 26u);
    std::unique_ptr<cSequence> nine(widest.Update());
    ASSERT_NE(dynamic_cast<cSQMain*>(nine.get()), nullptr);
    EXPECT_EQ(dynamic_cast<cSQMain*>(nine.get())->difficulty, 9);
}
