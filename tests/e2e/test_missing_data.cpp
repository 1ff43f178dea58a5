// The whole game in a folder without "Graphic" and "Sound": every picture and
// every sound it asks for is missing. The messages the game defines go to
// standard error (no display can show a box here), and play goes on: dice
// fall, bounce, land and score, and rounds end.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/Play.h"
#include "app/WinMain.h"
#include "audio/cDSound.h"
#include "graphics/Graphics.h"
#include "input/cInput.h"
#include "platform/window.h"
#include "support/headless_game.h"
#include "support/scripted_devices.h"

TEST(MissingData, MessagesGoToStandardErrorAndPlayGoesOn) {
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    char folder[] = "/tmp/kaziro-nodata-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    ASSERT_EQ(chdir(folder), 0);

    std::string error;
    ScriptedDevices hands;
    auto play = std::make_unique<cPlay>();
    ASSERT_NE(StartHeadlessGame(*play, "KaziroNoData", &error, &hands), nullptr) << error;
    play->Seed(20261208u, 1);

    ::testing::internal::CaptureStderr();
    int rounds = 0;
    play->ShowFirstScene();
    GameState& game = play->Game();
    for (int step = 0; step < 3000 && game.scene != static_cast<int32_t>(SceneKind::None); ++step) {
        if (game.scene == static_cast<int32_t>(SceneKind::Board)) {
            hands.Apply(AimAtFallingDie(game.board));
        } else {
            input.rawMouse.left = !input.mouse.left;  // click on through the result
        }
        const int32_t before = game.scene;
        int status = 0;
        ASSERT_EQ(RunLogicStep(*play, &status), StepEnd::Going);
        if (game.scene != before && game.scene == static_cast<int32_t>(SceneKind::Result)) ++rounds;
    }
    EXPECT_NE(game.scene, static_cast<int32_t>(SceneKind::None));
    play.reset();
    const std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(chdir(here), 0);
    rmdir(folder);

    EXPECT_GE(rounds, 1);
    // "画像データの読み込みに失敗" captioned with the path, for each picture.
    for (const char* path : {"Graphic/Panel.png", "Graphic/Bar.png", "Graphic/die1.png"}) {
        EXPECT_NE(err.find(std::string("kaziro: ") + path + ": 画像データの読み込みに失敗"),
                  std::string::npos) << path;
    }
    // "%sファイルの読み込みに失敗しました" captioned "エラー", for the sounds played.
    EXPECT_NE(err.find("kaziro: エラー: Sound/Set.wavファイルの読み込みに失敗しました"),
              std::string::npos);
    EXPECT_NE(err.find("kaziro: エラー: Sound/Pad"), std::string::npos);
    EXPECT_EQ(err.find("テクスチャ生成に失敗"), std::string::npos);  // every name was registered
}
