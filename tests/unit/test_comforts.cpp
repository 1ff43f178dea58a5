// What a player gets beside the game, through the real step: the window
// losing the focus pauses the game; F1 shows the help over the field with the
// game paused and any key takes it away and resumes; the end of a round keeps
// its score as a best and says so under the result; M shows the mute sign.
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <string>

#include "app/Play.h"
#include "app/Scores.h"
#include "app/WinMain.h"
#include "graphics/Graphics.h"
#include "graphics/cMetaObject.h"
#include "support/game_fixture.h"
#include "support/headless_game.h"
#include "support/scripted_devices.h"

namespace {

// Whether a label on the field says `utf8`.
bool FieldSays(const std::string& utf8) {
    for (c2DMetaObject* object : graphics.drawList2D) {
        auto* label = dynamic_cast<cFont*>(object);
        if (label && label->utf8 && utf8 == label->text) return true;
    }
    return false;
}

}  // namespace

TEST(Comforts, FocusHelpScoresAndTheMuteSignThroughTheRealStep) {
    char home[] = "/tmp/kaziro-comforts-XXXXXX";
    ASSERT_NE(mkdtemp(home), nullptr);
    setenv("XDG_DATA_HOME", home, 1);
    static ScriptedDevices hands;
    std::string error;
    auto play = std::make_unique<cPlay>();
    ASSERT_NE(StartHeadlessGame(*play, "KaziroComforts", &error, &hands), nullptr) << error;
    play->Seed(1u, 1);
    ASSERT_TRUE(play->Start(AppOptions{}));
    play->ShowFirstScene();
    GameState& game = play->Game();
    auto step = [&](int n = 1) {
        for (int i = 0; i < n; ++i) {
            int status = 0;
            ASSERT_EQ(RunLogicStep(*play, &status), StepEnd::Going);
            for (uint8_t& k : hands.keys) k = 0;
        }
    };
    const std::string paused = "一時停止中　Ｐで再開　Ｆ１でヘルプ";
    step(2);

    // The focus goes: paused at once, with the notice; it stays paused when
    // the focus comes back, until P.
    hands.focus = false;
    step();
    EXPECT_EQ(game.paused, 1);
    EXPECT_TRUE(FieldSays(paused));
    hands.focus = true;
    step(3);
    EXPECT_EQ(game.paused, 1);
    hands.keys[DIK_P] = 0x80;
    step(2);
    EXPECT_EQ(game.paused, 0);

    // F1: the help, the game paused under it without its notice; any key
    // takes it away and the game goes on.
    hands.keys[DIK_F1] = 0x80;
    step();
    EXPECT_EQ(game.paused, 1);
    EXPECT_TRUE(FieldSays("Kaziro　サイコロを跳ね返すパズル"));
    EXPECT_FALSE(FieldSays(paused));
    step(5);
    hands.keys[DIK_A] = 0x80;
    step();
    EXPECT_EQ(game.paused, 0);
    EXPECT_FALSE(FieldSays("Kaziro　サイコロを跳ね返すパズル"));

    // A round ends: a first score at difficulty 1 is a best, kept in the
    // player's data folder and said under the result, with the hint.
    game.board.sums[0] = 9;
    game.board.sums[1] = 10;
    DieAt(game, 50.0f, 0.0f, 0);
    hands.cursorX = hands.cursorY = -300;  // the paddle far away
    step();
    ASSERT_EQ(game.scene, static_cast<int32_t>(SceneKind::Result));
    EXPECT_TRUE(FieldSays("自己ベスト更新"));
    EXPECT_TRUE(FieldSays("クリックで次へ"));
    const Scores kept = LoadScores();
    ASSERT_TRUE(kept.HasBest(1));
    EXPECT_EQ(kept.Best(1), game.result.score);

    // M: the sign in the corner while the sound is off.
    hands.keys[DIK_M] = 0x80;
    step();
    EXPECT_TRUE(FieldSays("\xE2\x99\xAA\xC3\x97"));
    step();
    hands.keys[DIK_M] = 0x80;
    step();
    EXPECT_FALSE(FieldSays("\xE2\x99\xAA\xC3\x97"));

    play.reset();
    ClearMessageQueue();
    std::string remove = std::string("rm -rf ") + home;
    EXPECT_EQ(system(remove.c_str()), 0);
}
