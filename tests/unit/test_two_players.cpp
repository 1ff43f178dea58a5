// Two players on one field: the game is a pure function of the seed and the
// players' records (what two machines rely on), player 2's controls matter,
// and when both paddles reach a die in one step, player 1's wins.
#include <cmath>
#include <random>
#include <vector>

#include "app/Random.h"
#include "game/Angles.h"
#include "game/StateChecksum.h"
#include "game/cFallen.h"
#include "game/cPaddle.h"
#include "game/cSQInterval.h"
#include "game/cSQMain.h"
#include "graphics/cTextureManager.h"
#include "input/Controls.h"
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
    cStateHash h;
    for (uint32_t pixel : frame.pixels) h.Add(pixel);
    return h.value;
}

// Plays `steps` steps of a two-player game from a fixed seed. With `script`
// the players' hands make the records (and are written to *records); without
// it *records are replayed.
Outcome Play(int steps, Records* records, bool script) {
    SeedRandom(31337u);
    spawnCounter = 0;
    controls.Reset(2);
    std::mt19937 hands(5u);
    Outcome run;
    cSQDefault root(NewBoard(1));
    for (int step = 0; step < steps && root.child; ++step) {
        if (script) {
            PlayerControls one, two = controls.Of(1);
            if (auto* board = dynamic_cast<cSQMain*>(root.child)) {
                const PlayerHands aim = AimAtFallingDie(*board);
                one.x = aim.move ? aim.x : controls.Of(0).x;
                one.y = aim.move ? aim.y : controls.Of(0).y;
                one.turnLeft = aim.left;
                one.turnRight = aim.right;
                // Player 2 sweeps the lower field and turns now and then.
                two.x = 150.0f + static_cast<float>((step * 7) % 500);
                two.y = 420.0f + static_cast<float>(hands() % 40);
                two.turnRight = (step / 40) % 3 == 0;
            } else {
                two.confirm = !controls.Of(1).confirm;  // player 2 clicks on
            }
            records->emplace_back(one, two);
        }
        const PlayerControls now[2] = {(*records)[step].first, (*records)[step].second};
        controls.Advance(now, 2);
        const cSequence* before = root.child;
        StepRootScene(root);
        if (root.child != before && dynamic_cast<cSQInterval*>(root.child)) ++run.rounds;
        run.checksums.push_back(StateChecksum(root.child));
        if (step % 50 == 0) {
            DrawFrame();
            run.frames.push_back(FrameHash());
        }
    }
    return run;
}

class TwoPlayers : public GameFixture {
protected:
    void TearDown() override {
        controls.Reset(1);
        GameFixture::TearDown();
    }
};

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

TEST_F(TwoPlayers, BothPaddlesOnADieInOneStepPlayerOnesBounceWins) {
    textureManager.RegisterTexture("Paddle", "Graphic/Bar.png");
    textureManager.RegisterTexture("Paddle2", "Graphic/Bar2.png");
    for (int n = 1; n <= 6; ++n) {
        const std::string name = "Dice" + std::to_string(n);
        textureManager.RegisterTexture(name.c_str(), ("Graphic/die" + std::to_string(n) + ".png").c_str());
    }
    cFallen die;
    die.x = 300.0f;
    die.y = 200.0f;
    die.vx = 0.0f;
    die.vy = 3.0f - 0.01f;  // straight down at 3 after gravity
    cPaddle one;
    cPaddle two("Paddle2");
    one.x = two.x = 300.0f;
    one.y = two.y = 205.0f;
    one.angle = 0.0f;                          // straight up off player 1's
    two.angle = static_cast<float>(kPi / 4);  // it would go right off player 2's
    die.Move(one, &two);
    EXPECT_NEAR(die.vx, 0.0f, 1e-5);
    EXPECT_NEAR(die.vy, -3.0f, 1e-5);
    EXPECT_EQ(die.cooldown, 20);

    // Out of player 1's reach, player 2's paddle bounces it.
    cFallen other;
    other.x = 300.0f;
    other.y = 200.0f;
    other.vx = 0.0f;
    other.vy = 3.0f - 0.01f;
    one.x = 600.0f;
    other.Move(one, &two);
    EXPECT_NEAR(other.vx, 3.0f, 1e-5);
    EXPECT_NEAR(other.vy, 0.0f, 1e-5);
}
