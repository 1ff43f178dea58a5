// Gameplay tests. The rules are tested on the game's state alone: a game set
// up at a board, stepped on records the test makes. Tests of what the player
// sees and hears use GameFixture: a headless game window with its device and
// sound player, and message boxes recorded instead of shown.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "game/GameState.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "support/headless_game.h"

// A game at a fresh board of difficulty d, its generator seeded, the spawn
// rhythm at 0.
inline GameState BoardGame(int32_t d, uint32_t seed = 99u, int players = 1) {
    GameState game;
    SeedGame(game, seed, players);
    game.board.Start(d, players);
    game.scene = static_cast<int32_t>(SceneKind::Board);
    return game;
}

// A record with the cursor at (x, y) and nothing held.
inline PlayerControls At(float x, float y) {
    PlayerControls record;
    record.x = x;
    record.y = y;
    return record;
}

// One step with player 1's record (the others at rest); what happened.
inline StepEvents StepOnce(GameState& game, const PlayerControls& one = PlayerControls{}) {
    PlayerControls records[kMaxPlayers];
    records[0] = one;
    StepEvents events;
    StepGame(game, records, events);
    return events;
}

// A die placed at (x, y) with face f, falling no further in the next step.
inline cFallen& DieAt(GameState& game, float x, float y, int32_t face) {
    cFallen& die = game.board.dice[game.board.diceCount];
    die = cFallen{};
    die.id = game.nextDieId++;
    die.x = x;
    die.y = y;
    die.vy = -0.01f;  // gravity cancels it out in the next step
    die.face = face;
    ++game.board.diceCount;
    return die;
}

class GameFixture : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        if (window) return;
        std::string error;
        cPlay setUp;  // each test plays a game of its own
        window = StartHeadlessGame(setUp, "KaziroGameTest", &error);
        ASSERT_NE(window, nullptr) << error;
    }

    void SetUp() override {
        boxes.clear();
        ForgetMessageBoxKeys();
        SetMessageBoxHandler([this](const std::string& text, const std::string& caption,
                                    MessageBoxStyle) { boxes.push_back(caption + ": " + text); });
    }

    void TearDown() override {
        SetMessageBoxHandler(nullptr);
        EXPECT_TRUE(boxes.empty()) << "unexpected message box: " << boxes.front();
    }

    static inline WindowHandle window = nullptr;
    std::vector<std::string> boxes;
};
