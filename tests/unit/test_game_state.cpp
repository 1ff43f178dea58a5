// The game as a value: its checksum reads every byte of it, and the sync
// test (each step taken twice from the same saved state) holds over long
// scripted games at every difficulty, for one, two and four players, with
// pauses, restarts and rounds clicked through; a step that keeps something
// outside the state is caught.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "game/SyncCheck.h"
#include "support/game_fixture.h"
#include "support/scripted_player.h"

namespace {

// A scripted game: aimed play by player 1, random hands for the others,
// a pause now and then, a restart at the next difficulty every 1,500 steps,
// clicks through the result.
struct Script {
    explicit Script(uint32_t seed) : random(seed) {}
    void Records(const GameState& game, int step, PlayerControls records[kMaxPlayers]) {
        for (int p = 0; p < kMaxPlayers; ++p) records[p] = game.previous[p];
        if (game.scene == static_cast<int32_t>(SceneKind::Board)) {
            records[0] = MouseRecord(AimAtFallingDie(game.board), game.previous[0]);
            for (int p = 1; p < game.players; ++p) {
                records[p].x = static_cast<float>(random() % 900) - 50.0f;
                records[p].y = static_cast<float>(random() % 700) - 50.0f;
                records[p].turnLeft = random() % 3 == 0;
                records[p].turnRight = random() % 3 == 0;
            }
            if (step % 1500 == 1499) records[step % game.players].digits = KeypadDigitBit(1 + (step / 1500) % 9);
        } else {
            records[0].confirm = step % 7 == 0;
        }
        records[0].pause = step % 700 >= 650 && step % 700 < 652;  // paused for 40 steps
        if (step % 700 == 692) records[0].pause = 1;
    }
    std::mt19937 random;
};

}  // namespace

TEST(GameState, TheChecksumChangesWhenAnyByteOfTheStateChanges) {
    auto game = std::make_unique<GameState>(BoardGame(9, 7u, 2));
    Script script(1u);
    PlayerControls records[kMaxPlayers];
    StepEvents events;
    for (int step = 0; step < 1400; ++step) {  // dice landed and in the air
        script.Records(*game, step, records);
        StepGame(*game, records, events);
    }
    ASSERT_GT(game->board.diceCount, 5);
    const uint32_t checksum = StateChecksum(*game);
    unsigned char* bytes = reinterpret_cast<unsigned char*>(game.get());
    for (size_t i = 0; i < sizeof(GameState); ++i) {
        bytes[i] ^= 0x10;
        ASSERT_NE(StateChecksum(*game), checksum) << "byte " << i << " is not read";
        bytes[i] ^= 0x10;
    }
    EXPECT_EQ(StateChecksum(*game), checksum);
}

TEST(GameState, EveryStepTakenTwiceFromTheSameStateGivesTheSameGame) {
    for (int players : {1, 2, 4}) {
        for (int32_t d = 1; d <= 9; ++d) {
            auto game = std::make_unique<GameState>(BoardGame(d, 1000u + d, players));
            Script script(static_cast<uint32_t>(d * 10 + players));
            cSyncCheck check;
            PlayerControls records[kMaxPlayers];
            StepEvents events;
            int scenes = 0, pauses = 0;
            for (int step = 0; step < 4000; ++step) {
                script.Records(*game, step, records);
                ASSERT_TRUE(check.Step(*game, records, events))
                    << players << " players, difficulty " << d << ", step " << step;
                for (const GameEvent& e : events.list) {
                    scenes += e.kind == GameEventKind::Scene;
                    pauses += e.kind == GameEventKind::Pause;
                }
                if (game->scene == static_cast<int32_t>(SceneKind::None)) break;
            }
            EXPECT_GE(scenes, 2) << players << " players, difficulty " << d;
            EXPECT_GE(pauses, 4);
        }
    }
}

TEST(GameState, TheSyncTestCatchesAStepThatKeepsSomethingOutsideTheState) {
    // This step keeps a counter of its own, as a field left out of the state
    // would be kept: every 300th call it restarts the board.
    int calls = 0;
    cSyncCheck check(0, [&calls](GameState& state, const PlayerControls records[], StepEvents& events) {
        PlayerControls mine[kMaxPlayers];
        std::memcpy(mine, records, sizeof mine);
        if (++calls % 300 == 0) mine[0].digits = KeypadDigitBit(2);
        StepGame(state, mine, events);
    });
    auto game = std::make_unique<GameState>(BoardGame(1));
    PlayerControls records[kMaxPlayers];
    StepEvents events;
    int step = 0;
    while (step < 1000 && check.Step(*game, records, events)) ++step;
    EXPECT_EQ(step, 149);  // calls 299 and 300 are its two runs: only the second restarts
}

TEST(GameState, TheSyncTestLooksBackAndNamesTheFieldsThatDiffer) {
    // This step moves player 1's cursor by a counter of its own that goes up
    // once every two calls, as a frame counter kept outside the state would:
    // taking a step twice in a row sees the same count both times, so only
    // going back and taking earlier steps again finds it.
    int calls = 0;
    const auto offState = [&calls](GameState& state, const PlayerControls records[], StepEvents& events) {
        PlayerControls mine[kMaxPlayers];
        std::memcpy(mine, records, sizeof mine);
        mine[0].x += static_cast<float>(((++calls + 1) / 2) % 7);
        StepGame(state, mine, events);
    };
    PlayerControls records[kMaxPlayers];
    StepEvents events;
    for (const int depth : {0, 8}) {
        SCOPED_TRACE(depth);
        calls = 0;
        cSyncCheck check(depth, offState);
        auto game = std::make_unique<GameState>(BoardGame(1));
        int step = 0;
        while (step < 200 && check.Step(*game, records, events)) ++step;
        if (depth == 0) {
            EXPECT_EQ(step, 200) << "twice in a row cannot see it";
            continue;
        }
        EXPECT_LT(step, 10);
        EXPECT_NE(check.Difference().find("after going back"), std::string::npos) << check.Difference();
        EXPECT_NE(check.Difference().find("board.paddles[0].x"), std::string::npos) << check.Difference();
        EXPECT_NE(check.Difference().find("previous[0].x"), std::string::npos) << check.Difference();
        EXPECT_EQ(check.Difference().find("board.dice"), std::string::npos) << "only what differs";
    }
}

