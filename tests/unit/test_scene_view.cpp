// The scene view: the display objects follow the game's state, made in the
// order the scenes have always made them, so that frames are drawn as before.
// Several players' paddles are told apart without colour.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Graphics.h"
#include "graphics/cMetaObject.h"
#include "platform/text.h"
#include "scene/cSceneView.h"
#include "support/game_fixture.h"
#include "support/headless.h"

namespace {

class SceneView : public GameFixture {
protected:
    // The objects the view added to the draw list, in drawing order.
    std::vector<c2DMetaObject*> Drawn() const {
        return std::vector<c2DMetaObject*>(graphics.drawList2D.begin() + static_cast<long>(before),
                                           graphics.drawList2D.end());
    }
    static cSprite* Sprite(c2DMetaObject* o) { return dynamic_cast<cSprite*>(o); }
    static cFont* Label(c2DMetaObject* o) { return dynamic_cast<cFont*>(o); }
    static float X(c2DMetaObject* o) { return o->GetPosition()[0]; }
    static float Y(c2DMetaObject* o) { return o->GetPosition()[1]; }

    size_t before = graphics.drawList2D.size();
};

}  // namespace

TEST_F(SceneView, BoardLayoutFollowsTheDifficultyInTheOrderItWasAlwaysMade) {
    const uint32_t heights[] = {600, 300, 200, 150, 120, 100, 85, 75, 66};
    for (int32_t d = 1; d <= 9; ++d) {
        {
            GameState game = BoardGame(d);
            cSceneView view;
            view.Show(game, nullptr);
            const std::vector<c2DMetaObject*> drawn = Drawn();
            // Slots and counters row by row, the paddle, the score.
            ASSERT_EQ(drawn.size(), static_cast<size_t>(4 * d + 2));
            const int32_t h = static_cast<int32_t>(heights[d - 1]);
            for (int32_t r = 0; r < d; ++r) {
                const float y = static_cast<float>(r * h + h / 2);
                c2DMetaObject* const* row = &drawn[static_cast<size_t>(4 * r)];
                ASSERT_TRUE(Sprite(row[0]) && Sprite(row[1]) && Label(row[2]) && Label(row[3]));
                EXPECT_EQ(X(row[0]), 100.0f);
                EXPECT_EQ(X(row[1]), 700.0f);
                EXPECT_EQ(Y(row[0]), y);
                EXPECT_EQ(row[0]->size[0], 40.0f);
                EXPECT_EQ(row[0]->size[1], static_cast<float>(h));
                EXPECT_EQ(X(row[2]), 68.0f);
                EXPECT_EQ(X(row[3]), 739.0f);
                EXPECT_EQ(Y(row[3]), y);
                EXPECT_STREQ(Label(row[2])->text, "0");
            }
            cSprite* paddle = Sprite(drawn[static_cast<size_t>(4 * d)]);
            ASSERT_NE(paddle, nullptr);
            EXPECT_EQ(X(paddle), 400.0f);
            EXPECT_EQ(paddle->size[0], 80.0f);
            cFont* score = Label(drawn.back());
            ASSERT_NE(score, nullptr);
            EXPECT_STREQ(score->text, "100");
            EXPECT_EQ(X(score), 750.0f);
            EXPECT_EQ(Y(score), 32.0f);
        }
        EXPECT_EQ(graphics.drawList2D.size(), before);  // everything taken out again
    }
}

TEST_F(SceneView, ThePictureFollowsTheStepsAndANewSceneReplacesTheOld) {
    GameState game = BoardGame(2);
    cSceneView view;
    view.Show(game, nullptr);
    StepEvents events;
    PlayerControls records[kMaxPlayers];
    records[0] = At(300.0f, 450.0f);

    // A die lands in slot 0: its picture goes to the stack, the counter and
    // the score say so. A new die is drawn over everything.
    DieAt(game, 99.5f, 120.0f, 2);
    game.spawnCounter = 99;
    view.Show(game, nullptr);  // the placed die gets its picture
    StepGame(game, records, events);
    view.Show(game, &events);
    std::vector<c2DMetaObject*> drawn = Drawn();
    ASSERT_EQ(drawn.size(), 4u * 2 + 2 + 2);
    EXPECT_STREQ(Label(drawn[2])->text, "3");
    EXPECT_STREQ(Label(drawn[9])->text, "110");
    cSprite* paddle = Sprite(drawn[8]);
    EXPECT_EQ(X(paddle), 300.0f);
    EXPECT_EQ(Y(paddle), 450.0f);
    cSprite* landed = Sprite(drawn[10]);
    EXPECT_EQ(X(landed), 99.0f);
    EXPECT_EQ(Y(landed), 40.0f);
    EXPECT_EQ(landed->angle, 0.0f);
    cSprite* spawned = Sprite(drawn[11]);
    EXPECT_EQ(X(spawned), 400.0f);
    EXPECT_EQ(Y(spawned), 0.0f);
    ASSERT_NE(spawned->texture, nullptr);

    // A bounce gives the die the picture of its next face: the centre pip of
    // an odd face comes or goes.
    cFallen& die = game.board.dice[1];
    die.x = 400.0f;
    die.y = 200.0f;
    die.vx = die.vy = 0.0f;
    die.spin = 0.0f;
    auto centre = [&] {
        view.Show(game, nullptr);
        DrawFrame();
        headless::Frame frame;
        EXPECT_TRUE(frame.Read());
        return frame.At(die.shownX, die.shownY);
    };
    game.board.dice[1].shownX = 400;
    game.board.dice[1].shownY = 200;
    const uint32_t before = centre();
    records[0] = At(400.0f, 220.0f);
    StepGame(game, records, events);
    view.Show(game, &events);
    ASSERT_EQ(events.list.size(), 1u);
    ASSERT_EQ(events.list[0].kind, GameEventKind::Bounce);
    EXPECT_GT(headless::ChannelDistance(centre(), before), 100);
    records[0] = At(-500.0f, -500.0f);

    // The round ends: only the result line is left, with its text.
    game.board.sums[0] = game.board.sums[2] = game.board.sums[3] = 10;
    game.board.sums[1] = 9;
    DieAt(game, 750.0f, 100.0f, 0);
    game.board.score = 1240;
    view.Show(game, nullptr);
    StepGame(game, records, events);
    view.Show(game, &events);
    ASSERT_EQ(game.scene, static_cast<int32_t>(SceneKind::Result));
    drawn = Drawn();
    ASSERT_EQ(drawn.size(), 1u);
    EXPECT_STREQ(Label(drawn[0])->text, "難易度2　：　1340点");  // the source text: no translation here
    EXPECT_EQ(X(drawn[0]), 300.0f);
    EXPECT_EQ(Y(drawn[0]), 300.0f);

    // Paused: the notice over the field; a restored state without it takes it off.
    const GameState atResult = game;
    records[0].pause = 1;
    StepGame(game, records, events);
    view.Show(game, &events);
    EXPECT_EQ(Drawn().size(), 3u);  // the line, the shade, the notice
    view.Show(atResult, nullptr);
    EXPECT_EQ(Drawn().size(), 1u);

    // The widest result line fits whole.
    game = atResult;
    game.result = cSQInterval{8, -2147483647 - 1};
    view.Show(game, nullptr);
    EXPECT_STREQ(Label(Drawn()[0])->text, "難易度8　：　-2147483648点");
}

// Four players: each paddle has a lightness of its own and its player's
// number on a light disc, so that even a grey picture tells them apart.
// Alone, the paddle is the plain orange one.
TEST_F(SceneView, EachPlayersPaddleCarriesItsNumberAndALightnessOfItsOwn) {
    const int xs[kMaxPlayers] = {220, 340, 460, 580}, y = 450;
    GameState game = BoardGame(1, 99u, 4);
    for (int p = 0; p < kMaxPlayers; ++p) game.board.paddles[p] = cPaddle{float(xs[p]), float(y)};
    auto view = std::make_unique<cSceneView>();
    view->Show(game, nullptr);
    DrawFrame();
    headless::Frame f;
    ASSERT_TRUE(f.Read());
    const auto grey = [&f](int x, int y) {
        const uint32_t c = f.At(x, y);
        return static_cast<int>(299 * ((c >> 16) & 0xFF) + 587 * ((c >> 8) & 0xFF) + 114 * (c & 0xFF)) / 1000;
    };
    for (int p = 0; p < kMaxPlayers; ++p) {
        EXPECT_GT(grey(xs[p] - 6, y), 200) << "the disc of player " << p + 1;
        for (int q = p + 1; q < kMaxPlayers; ++q) {
            EXPECT_GT(std::abs(grey(xs[p] - 26, y + 2) - grey(xs[q] - 26, y + 2)), 20)
                << "bodies of players " << p + 1 << " and " << q + 1;
            int marks = 0;  // the mean grey difference of the 15 x 15 pixels at the centres
            for (int d = 0; d < 225; ++d) marks += std::abs(grey(xs[p] + d % 15 - 7, y + d / 15 - 7) -
                                                            grey(xs[q] + d % 15 - 7, y + d / 15 - 7));
            EXPECT_GT(marks / 225, 15) << "marks of players " << p + 1 << " and " << q + 1;
        }
    }
    view.reset();
    GameState alone = BoardGame(1);
    alone.board.paddles[0] = cPaddle{float(xs[1]), float(y)};
    view = std::make_unique<cSceneView>();
    view->Show(alone, nullptr);
    DrawFrame();
    ASSERT_TRUE(f.Read());
    const uint32_t centre = f.At(xs[1], y);
    EXPECT_GT(static_cast<int>((centre >> 16) & 0xFF) - static_cast<int>(centre & 0xFF), 100)
        << "orange where several players' paddles have their disc";
}
