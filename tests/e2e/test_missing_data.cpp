// The whole game in a folder without "Graphic" and "Sound": every picture and
// every sound it asks for is missing. The messages the game defines go to
// standard error (no display can show a box here), and play goes on: dice
// fall, bounce, land and score, and rounds end.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "app/Random.h"
#include "app/WinMain.h"
#include "audio/cDSound.h"
#include "game/cSQInterval.h"
#include "game/cSQMain.h"
#include "support/game_fixture.h"
#include "graphics/Graphics.h"
#include "input/cInput.h"
#include "platform/window.h"
#include "support/scripted_player.h"
#include "support/headless_game.h"

TEST(MissingData, MessagesGoToStandardErrorAndPlayGoesOn) {
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    char folder[] = "/tmp/kaziro-nodata-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    ASSERT_EQ(chdir(folder), 0);

    std::string error;
    ASSERT_NE(StartHeadlessGame("KaziroNoData", &error), nullptr) << error;
    SeedRandom(20261208u);
    spawnCounter = 0;

    ::testing::internal::CaptureStderr();
    int rounds = 0;
    {
        cSQDefault root(NewBoard(1));
        for (int step = 0; step < 3000 && root.child; ++step) {
            GameFixture::NextInputStep();
            if (auto* board = dynamic_cast<cSQMain*>(root.child)) {
                ApplyHands(AimAtFallingDie(*board), &input.mouse);
            } else {
                input.mouse.left = !input.prevMouse.left;  // click on through the result
            }
            GameFixture::TakeControls();
            const cSequence* before = root.child;
            StepRootScene(root);
            if (root.child != before && dynamic_cast<cSQInterval*>(root.child)) ++rounds;
            DrawFrame();
            ShowFrame();
            dsound.ReleaseStopped();
        }
        EXPECT_NE(root.child, nullptr);
    }
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
