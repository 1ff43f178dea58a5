// Several players on one field: the game is a pure function of the seed and
// the players' records (what two machines rely on), player 2's controls
// matter, and when several paddles reach a die in one step, the lowest
// player's wins. Pads that come and go in the real loop; four players'
// records from the mouse and three pads.
#include <cmath>
#include <random>
#include <vector>

#include "game/Angles.h"
#include "graphics/Graphics.h"
#include "graphics/cMetaObject.h"
#include "input/LocalPlayers.h"
#include "platform/text.h"
#include "scene/cSceneView.h"
#include "support/fake_pads.h"
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

// Whether a label on the field says `utf8`.
bool FieldSays(const char* utf8) {
    for (c2DMetaObject* object : graphics.drawList2D) {
        auto* label = dynamic_cast<cFont*>(object);
        if (label && label->utf8 && std::string(label->text) == utf8) return true;
    }
    return false;
}

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
    cPaddle paddles[kMaxPlayers];
    for (cPaddle& p : paddles) {
        p.x = 300.0f;
        p.y = 205.0f;
    }
    paddles[0].angle = 0.0f;                          // straight up off player 1's
    paddles[1].angle = static_cast<float>(kPi / 4);   // right off player 2's
    paddles[2].angle = static_cast<float>(-kPi / 4);  // left off player 3's
    paddles[3].angle = static_cast<float>(kPi / 2);   // on down off player 4's
    auto fallingDie = [] {
        cFallen die;
        die.x = 300.0f;
        die.y = 200.0f;
        die.vy = 3.0f - 0.01f;  // straight down at 3 after gravity
        return die;
    };
    StepEvents events;
    cFallen die = fallingDie();
    die.Move(paddles, kMaxPlayers, events);
    EXPECT_NEAR(die.vx, 0.0f, 1e-5);
    EXPECT_NEAR(die.vy, -3.0f, 1e-5);
    EXPECT_EQ(die.cooldown, 20);

    // Out of player 1's reach, player 2's paddle bounces it, not player 3's or 4's.
    paddles[0].x = 600.0f;
    cFallen other = fallingDie();
    other.Move(paddles, kMaxPlayers, events);
    EXPECT_NEAR(other.vx, 3.0f, 1e-5);
    EXPECT_NEAR(other.vy, 0.0f, 1e-5);
}

// --players 2 with no pad: the window waits, naming player 2, and starts
// when a pad arrives. Pulled out with the stick tilted and R1 held, the pad
// leaves player 2 at rest at once and the game paused through player 2's
// record, naming the player; any pad resumes it. P resumes it as well, and
// then it stays resumed.
TEST_F(TwoPlayers, APadThatLeavesMidGamePausesItUntilAPadComesBack) {
    FakeDevices hands;
    hands.focusWindow = window;
    hands.pads.resize(3);
    for (FakePadData& pad : hands.pads) pad.Rest();
    hands.attached = 0;
    cPlay play;
    input.Init(window, &hands);
    AppOptions two;
    two.players = 2;
    play.Seed(11u, 2);
    ASSERT_TRUE(play.Start(two));
    play.ShowFirstScene();
    const GameState& game = play.Game();
    const auto steps = [&play](int n) {
        int status = 0;
        for (int s = 0; s < n; ++s) ASSERT_EQ(RunLogicStep(play, &status), StepEnd::Going);
    };
    const char* wanted = "プレイヤー2のパッドをつないでください";
    const char* left = "プレイヤー2のパッドが抜けました";
    steps(5);
    EXPECT_EQ(game.spawnCounter, 0) << "no step while the game waits";
    EXPECT_TRUE(FieldSays(wanted));
    hands.Arrive(1);
    hands.pads[1].state.x = kAxisMax;
    hands.pads[1].state.buttons[PAD_R1] = 0x80;
    steps(10);
    EXPECT_FALSE(FieldSays(wanted));
    EXPECT_EQ(game.previous[1].x, 480.0f);
    hands.Leave(1);
    steps(1);
    EXPECT_EQ(game.previous[1].x, 480.0f) << "no drift";
    EXPECT_EQ(game.previous[1].turnRight, 0) << "no turn";
    EXPECT_EQ(game.previous[1].pause, 1);
    steps(20);
    EXPECT_EQ(game.paused, 1);
    EXPECT_TRUE(FieldSays(left));
    hands.Arrive(2);  // another pad will do
    steps(1);
    EXPECT_EQ(game.paused, 0);
    EXPECT_FALSE(FieldSays(left));

    hands.Leave(2);
    steps(4);
    hands.Press(DIK_P);
    steps(1);
    hands.Release(DIK_P);
    hands.Arrive(0);
    steps(3);
    EXPECT_EQ(game.paused, 0) << "resumed with P, the pad coming back leaves it so";
    input.Shutdown();
}

// Four players: the mouse, then three pads in the order they arrived,
// whatever slots they took; four records in one step.
TEST(SeveralPlayers, FourPlayersRecordsInOneStepInTheOrderThePadsArrived) {
    FakeDevices hands;
    hands.pads.resize(3);
    for (FakePadData& pad : hands.pads) pad.Rest();
    hands.attached = 0;
    hands.cursorX = 100;
    cInput in;
    in.Init(nullptr, &hands);
    cLocalPlayers local;
    local.Start(4, true);
    for (int id : {2, 0, 1}) hands.Arrive(id);
    hands.pads[2].state.x = 0;                   // player 2: left
    hands.pads[0].state.y = kAxisMax;            // player 3: down
    hands.pads[1].state.buttons[PAD_L1] = 0x80;  // player 4: turns
    in.Refresh();
    PlayerControls records[kMaxPlayers];
    local.Build(in, false, 1, records);
    EXPECT_EQ(records[0].x, 100.0f);
    EXPECT_EQ(records[1].x, 392.0f);
    EXPECT_EQ(records[2].y, 308.0f);
    EXPECT_TRUE(records[3].turnLeft && !records[1].turnLeft && !records[2].turnLeft);
    in.Shutdown();
}
