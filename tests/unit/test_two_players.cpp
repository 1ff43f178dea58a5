// Several players on one field: the game is a pure function of the seed and
// the players' records (what two machines rely on), player 2's controls
// matter, and when several paddles reach a die in one step, the lowest
// player's wins.
#include <cmath>
#include <random>
#include <vector>

#include "game/Angles.h"
#include "graphics/Graphics.h"
#include "scene/cSceneView.h"
#include "support/game_fixture.h"
#include "support/headless.h"
#include "support/scripted_player.h"

namespace {

using Records = std::vector<std::pair<PlayerControls, PlayerControls>>;

struct Outcome {
    std::vector<uint32_t> checksums;  // after every step
    std::vector<uint32_t> frames;     // a hash of every 50th frame
    int rounds = 0;
};

uint32_t FrameHash() {
    headless::Frame frame;
    if (!frame.Read()) return 0;
    uint32_t h = 0x811C9DC5u;
    for (uint32_t pixel : frame.pixels) h = (h ^ pixel) * 0x01000193u;
    return h;
}

// Plays `steps` steps of a two-player game from a fixed seed. With `script`
// the players' hands make the records (and are written to *records); without
// it *records are replayed.
Outcome Play(int steps, Records* records, bool script) {
    GameState game;
    SeedGame(game, 31337u, 2);
    CreateFirstScene(game);
    cSceneView view;
    view.Show(game, nullptr);
    StepEvents events;
    std::mt19937 hands(5u);
    Outcome run;
    for (int step = 0; step < steps && game.scene != static_cast<int32_t>(SceneKind::None); ++step) {
        if (script) {
            PlayerControls one = game.previous[0], two = game.previous[1];
            one.turnLeft = one.turnRight = one.confirm = 0;
            if (game.scene == static_cast<int32_t>(SceneKind::Board)) {
                one = MouseRecord(AimAtFallingDie(game.board), game.previous[0]);
                one.confirm = 0;
                // Player 2 sweeps the lower field and turns now and then.
                two.x = 150.0f + static_cast<float>((step * 7) % 500);
                two.y = 420.0f + static_cast<float>(hands() % 40);
                two.turnRight = (step / 40) % 3 == 0;
            } else {
                two.confirm = !game.previous[1].confirm;  // player 2 clicks on
            }
            records->emplace_back(one, two);
        }
        PlayerControls now[kMaxPlayers] = {(*records)[step].first, (*records)[step].second};
        const int32_t sceneBefore = game.scene;
        StepGame(game, now, events);
        view.Show(game, &events);
        if (game.scene != sceneBefore && game.scene == static_cast<int32_t>(SceneKind::Result)) {
            ++run.rounds;
        }
        run.checksums.push_back(StateChecksum(game));
        if (step % 50 == 0) {
            DrawFrame();
            run.frames.push_back(FrameHash());
        }
    }
    return run;
}

class TwoPlayers : public GameFixture {};

}  // namespace

TEST_F(TwoPlayers, TheGameIsTheSameOnEveryRunOfTheSameRecordsAndPlayerTwoCounts) {
    Records records;
    const Outcome first = Play(4000, &records, true);
    const Outcome again = Play(4000, &records, false);
    EXPECT_GE(first.rounds, 1) << "the script should finish a round";
    EXPECT_EQ(first.checksums, again.checksums);
    EXPECT_EQ(first.frames, again.frames);
    EXPECT_NE(first.frames.front(), 0u);

    // Player 2 standing still from step 600 on makes it another game.
    for (size_t i = 600; i < records.size(); ++i) records[i].second = NeutralControls();
    const Outcome without = Play(4000, &records, false);
    EXPECT_EQ(std::vector<uint32_t>(without.checksums.begin(), without.checksums.begin() + 600),
              std::vector<uint32_t>(first.checksums.begin(), first.checksums.begin() + 600));
    EXPECT_NE(without.checksums, first.checksums);
}

TEST(SeveralPlayers, PaddlesOnADieInOneStepTheLowestPlayersBounceWins) {
    cPaddle paddles[3];
    for (cPaddle& p : paddles) {
        p.x = 300.0f;
        p.y = 205.0f;
    }
    paddles[0].angle = 0.0f;                          // straight up off player 1's
    paddles[1].angle = static_cast<float>(kPi / 4);   // right off player 2's
    paddles[2].angle = static_cast<float>(-kPi / 4);  // left off player 3's
    auto fallingDie = [] {
        cFallen die;
        die.x = 300.0f;
        die.y = 200.0f;
        die.vy = 3.0f - 0.01f;  // straight down at 3 after gravity
        return die;
    };
    StepEvents events;
    cFallen die = fallingDie();
    die.Move(paddles, 3, events);
    EXPECT_NEAR(die.vx, 0.0f, 1e-5);
    EXPECT_NEAR(die.vy, -3.0f, 1e-5);
    EXPECT_EQ(die.cooldown, 20);

    // Out of player 1's reach, player 2's paddle bounces it, not player 3's.
    paddles[0].x = 600.0f;
    cFallen other = fallingDie();
    other.Move(paddles, 3, events);
    EXPECT_NEAR(other.vx, 3.0f, 1e-5);
    EXPECT_NEAR(other.vy, 0.0f, 1e-5);
}
