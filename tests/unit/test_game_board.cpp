// The board and result scenes on the game's state: slot lines and rows,
// landing and scoring, dice thrown off or lost, the spawn rhythm, the end of
// a round, the difficulty keys and the result click.
#include <gtest/gtest.h>

#include <cmath>

#include "support/game_fixture.h"

namespace {

cSQMain Board(int32_t d) {
    cSQMain board;
    board.Start(d, 1);
    return board;
}

int Count(const StepEvents& events, GameEventKind kind) {
    int n = 0;
    for (const GameEvent& e : events.list) n += e.kind == kind ? 1 : 0;
    return n;
}

constexpr auto kBoard = static_cast<int32_t>(SceneKind::Board);
constexpr auto kResult = static_cast<int32_t>(SceneKind::Result);

}  // namespace

TEST(Board, SlotLinesAndRows) {
    const cSQMain one = Board(1);
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

    const cSQMain seven = Board(7);  // rows of 85 cover 0..594
    EXPECT_EQ(seven.SlotAt(50.0f, 594.0f), 12);
    EXPECT_EQ(seven.SlotAt(750.0f, 594.9f), 13);
    EXPECT_EQ(seven.SlotAt(50.0f, 595.0f), -1);
    const cSQMain nine = Board(9);  // rows of 66 cover 0..593
    EXPECT_EQ(nine.SlotAt(750.0f, 593.0f), 17);
    EXPECT_EQ(nine.SlotAt(750.0f, 594.0f), -1);
}

TEST(Board, LandingScoresByTheNewSumAndStacksTheDice) {
    GameState game = BoardGame(2);  // rows of 300
    cSQMain& board = game.board;
    // Slot 0 (left, row 0): 3, then 5 (8 so far, +10 each), then 5 takes it to 13 (−100).
    const uint32_t a = DieAt(game, 99.5f, 120.0f, 2).id;
    StepEvents events = StepOnce(game);
    EXPECT_EQ(game.scene, kBoard);
    EXPECT_EQ(board.sums[0], 3);
    EXPECT_EQ(board.counts[0], 1);
    EXPECT_EQ(board.score, 110);
    ASSERT_EQ(events.list.size(), 1u);
    EXPECT_EQ(events.list[0].kind, GameEventKind::Land);
    EXPECT_EQ(events.list[0].die, a);
    EXPECT_EQ(events.list[0].value, 3);  // the slot's new sum: its sound goes by it
    const cFallen& first = board.dice[0];
    EXPECT_TRUE(first.landed);
    EXPECT_EQ(first.slot, 0);
    EXPECT_EQ(first.vx, 0.0f);
    EXPECT_EQ(first.shownX, 99);
    EXPECT_EQ(first.shownY, 40);  // first die: 40 below the row's top
    EXPECT_EQ(first.shownAngle, 0.0f);

    DieAt(game, 50.0f, 200.0f, 4);
    StepOnce(game);
    EXPECT_EQ(board.sums[0], 8);
    EXPECT_EQ(board.score, 120);
    EXPECT_EQ(board.dice[1].shownY, 76);  // 36 lower for the second
    EXPECT_EQ(board.dice[1].y, 200.0f + -0.01f);  // its own y keeps the crossing value

    DieAt(game, 10.0f, 5.0f, 4);
    StepOnce(game);
    EXPECT_EQ(board.sums[0], 13);
    EXPECT_EQ(board.score, 20);

    // Slot 3 (right, row 1): 4 + 6 = exactly 10 in one step: +10 then +100,
    // each landing told with the sum it made.
    DieAt(game, 701.0f, 450.0f, 3);
    DieAt(game, 750.0f, 599.0f, 5);
    events = StepOnce(game);
    EXPECT_EQ(board.sums[3], 10);
    EXPECT_EQ(board.counts[3], 2);
    EXPECT_EQ(board.score, 130);
    EXPECT_EQ(board.sums[1], 0);
    ASSERT_EQ(events.list.size(), 2u);
    EXPECT_EQ(events.list[0].value, 4);
    EXPECT_EQ(events.list[1].value, 10);
}

TEST(Board, DieReachingAFullSlotIsThrownOffAndCostsTenTwice) {
    // Full is 10 or more: a slot at exactly 10 takes no more dice either.
    for (const int32_t full : {10, 12}) {
        SCOPED_TRACE(full);
        GameState game = BoardGame(1);
        game.board.sums[1] = full;
        const uint32_t id = DieAt(game, 701.0f, 500.0f, 0).id;
        const StepEvents events = StepOnce(game, At(400.0f, 100.0f));
        EXPECT_EQ(game.board.score, 90);
        EXPECT_EQ(game.board.sums[1], full);
        EXPECT_EQ(game.board.counts[1], 0);
        EXPECT_TRUE(game.board.dice[0].rebounded);
        EXPECT_EQ(game.board.dice[0].slot, -1);
        ASSERT_EQ(Count(events, GameEventKind::ThrowOff), 1);
        EXPECT_EQ(events.list[0].die, id);
        // It can only fall out at the bottom now, and costs another 10 there.
        int fellOut = 0;
        for (int steps = 0; game.board.diceCount > 0 && steps < 200; ++steps) {
            game.spawnCounter = 1;  // no new die while this one falls
            fellOut += Count(StepOnce(game, At(400.0f, 100.0f)), GameEventKind::FallOut);
        }
        EXPECT_EQ(game.board.diceCount, 0);
        EXPECT_EQ(fellOut, 1);
        EXPECT_EQ(game.board.score, 80);
        EXPECT_EQ(game.board.sums[1], full);
    }
}

TEST(Board, DieThatNobodyTouchesFallsOutAtTheBottomAfterAbout347Steps) {
    GameState game = BoardGame(3);
    game.spawnCounter = 1;  // keep the spawn rhythm from adding a die during the fall
    game.board.dice[0] = cFallen::Spawn(game.nextDieId++, game.random);
    game.board.diceCount = 1;
    int steps = 0;
    while (game.board.diceCount > 0 && steps < 1000) {
        EXPECT_GE(game.board.dice[0].x, 400.0f - 0.5f * (steps + 1));
        StepOnce(game, At(-500.0f, -500.0f));  // the paddle far away
        ++steps;
        if (game.spawnCounter == 99) game.spawnCounter = 1;
    }
    EXPECT_GE(steps, 346);
    EXPECT_LE(steps, 348);
    EXPECT_EQ(game.board.score, 90);
    for (int s = 0; s < 6; ++s) EXPECT_EQ(game.board.sums[s], 0);
}

TEST(Board, DieCrossingALineBelowTheLastRowTouchesNoSlot) {
    GameState game = BoardGame(7);
    DieAt(game, 99.0f, 596.0f, 5);
    StepOnce(game, At(-500.0f, -500.0f));
    for (int s = 0; s < cSQMain::kMaxSlots; ++s) EXPECT_EQ(game.board.sums[s], 0) << s;
    ASSERT_EQ(game.board.diceCount, 1);
    EXPECT_FALSE(game.board.dice[0].landed);
    EXPECT_EQ(game.board.score, 100);
}

TEST(Board, SpawnsOnTheRhythmEveryHundredStepsAndKeepsRoomForEveryDie) {
    GameState game = BoardGame(1);
    for (int i = 0; i < 99; ++i) StepOnce(game, At(-500.0f, -500.0f));
    EXPECT_EQ(game.board.diceCount, 0);
    const StepEvents events = StepOnce(game, At(-500.0f, -500.0f));
    ASSERT_EQ(game.board.diceCount, 1);
    EXPECT_EQ(game.spawnCounter, 0);
    EXPECT_EQ(game.board.dice[0].x, 400.0f);
    ASSERT_EQ(events.list.size(), 1u);
    EXPECT_EQ(events.list[0].kind, GameEventKind::Spawn);
    EXPECT_EQ(events.list[0].die, game.board.dice[0].id);

    // A board with no room left spawns nothing, and the rhythm goes on.
    game.board.diceCount = cSQMain::kMaxDice;
    for (cFallen& die : game.board.dice) die.slot = 0;  // all resting
    game.spawnCounter = 99;
    EXPECT_EQ(Count(StepOnce(game, At(-500.0f, -500.0f)), GameEventKind::Spawn), 0);
    EXPECT_EQ(game.board.diceCount, cSQMain::kMaxDice);
    EXPECT_EQ(game.spawnCounter, 0);
}

TEST(Board, RoundEndsOnTheFirstStepWithEverySlotFullAndPassesThatStepsScore) {
    GameState game = BoardGame(1);
    game.board.sums[0] = 14;
    game.board.sums[1] = 7;
    DieAt(game, 750.0f, 300.0f, 1);  // 7 + 2 = 9: not yet
    StepOnce(game, At(-500.0f, -500.0f));
    EXPECT_EQ(game.scene, kBoard);
    DieAt(game, 750.0f, 300.0f, 0);  // 9 + 1 = 10
    const StepEvents events = StepOnce(game, At(-500.0f, -500.0f));
    ASSERT_EQ(game.scene, kResult);
    EXPECT_EQ(game.result.difficulty, 1);
    EXPECT_EQ(game.result.score, 100 + 10 + 100);
    EXPECT_EQ(events.list.back().kind, GameEventKind::Scene);  // told last
}

TEST(Board, KeypadRestartsOncePerPressLowestDigitFirstWithTheSpawnRhythmRunningOn) {
    GameState game = BoardGame(4);
    game.spawnCounter = 57;
    PlayerControls keys;
    keys.digits = KeypadDigitBit(9) | RowDigitBit(2);  // the row's 2: earlier in the order, it wins
    const StepEvents restart = StepOnce(game, keys);
    EXPECT_EQ(game.scene, kBoard);
    EXPECT_EQ(game.board.difficulty, 2);
    EXPECT_EQ(game.board.score, 100);
    EXPECT_EQ(game.spawnCounter, 57);  // the restart step did nothing else
    ASSERT_EQ(restart.list.size(), 1u);
    EXPECT_EQ(restart.list[0].kind, GameEventKind::Scene);
    // Still held in the next step: no second restart. The rhythm carries on.
    for (int i = 0; i < 42; ++i) {
        EXPECT_TRUE(StepOnce(game, keys).list.empty());
    }
    EXPECT_EQ(game.board.diceCount, 0);
    StepOnce(game, keys);
    EXPECT_EQ(game.board.diceCount, 1);  // 43 steps, not 100
    // The same digit as the current difficulty restarts the round too, here
    // from the keypad.
    StepOnce(game);
    keys.digits = KeypadDigitBit(2);
    StepOnce(game, keys);
    EXPECT_EQ(game.board.difficulty, 2);
    EXPECT_EQ(game.board.diceCount, 0);
    // Each digit key has its own edge: with the number row's 5 held, every
    // press of the keypad's 5 restarts the board.
    keys.digits = RowDigitBit(5);
    StepOnce(game, keys);
    EXPECT_EQ(game.board.difficulty, 5);
    for (int press = 0; press < 2; ++press) {
        keys.digits = RowDigitBit(5);
        StepOnce(game, keys);
        game.board.score = 7;  // marked: a restart makes it 100 again
        keys.digits = RowDigitBit(5) | KeypadDigitBit(5);
        StepOnce(game, keys);
        EXPECT_EQ(game.board.score, 100) << "press " << press;
    }
}

TEST(Board, ResultWaitsForAFreshClickThenStartsTheNextDifficultyOrEnds) {
    GameState game = BoardGame(3);
    game.scene = kResult;
    game.result = cSQInterval{3, 1250};
    // Held through the end of the round: not a click.
    PlayerControls held;
    held.confirm = 1;
    game.previous[0] = held;
    StepOnce(game, held);
    EXPECT_EQ(game.scene, kResult);
    // Right and middle buttons and the difficulty digits do nothing here.
    StepOnce(game);
    PlayerControls other;
    other.turnRight = 1;
    other.digits = KeypadDigitBit(1);
    StepOnce(game, other);
    EXPECT_EQ(game.scene, kResult);
    // A fresh click starts the next difficulty with a fresh score.
    StepOnce(game);
    StepOnce(game, held);
    EXPECT_EQ(game.scene, kBoard);
    EXPECT_EQ(game.board.difficulty, 4);
    EXPECT_EQ(game.board.score, 100);

    // The click after difficulty 9 ends the chain; the step after, the root
    // finds nothing and the game is over.
    game.scene = kResult;
    game.result = cSQInterval{9, -40};
    StepOnce(game);
    const StepEvents end = StepOnce(game, held);
    EXPECT_EQ(game.scene, static_cast<int32_t>(SceneKind::None));
    EXPECT_FALSE(end.chainEnded);
    // A pause pressed in that step (P, or the window losing the focus) cannot
    // keep the game open on an empty field.
    GameState over = game;
    PlayerControls pause;
    pause.pause = 1;
    EXPECT_TRUE(StepOnce(over, pause).chainEnded);
    EXPECT_TRUE(StepOnce(game).chainEnded);

    game.scene = kResult;
    game.result = cSQInterval{8, -2147483647 - 1};
    StepOnce(game);
    StepOnce(game, held);
    EXPECT_EQ(game.board.difficulty, 9);
}
