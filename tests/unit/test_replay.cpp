// Replays: a game recorded as it is played replays to the same checksums and
// the same frames, whatever the devices do meanwhile; a file that is not a
// whole replay of this format is refused with one line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "app/Play.h"
#include "app/WinMain.h"
#include "graphics/Graphics.h"
#include "support/game_fixture.h"
#include "support/headless.h"
#include "support/scripted_devices.h"

namespace {

uint32_t FrameHash() {
    DrawFrame();
    headless::Frame frame;
    if (!frame.Read()) return 0;
    uint32_t h = 0x811C9DC5u;
    for (uint32_t pixel : frame.pixels) h = (h ^ pixel) * 0x01000193u;
    return h;
}

}  // namespace

TEST(Replay, ARecordedGameReplaysToTheSameChecksumsAndFrames) {
    static ScriptedDevices hands;
    std::string error;
    auto play = std::make_unique<cPlay>();
    ASSERT_NE(StartHeadlessGame(*play, "KaziroReplayTest", &error, &hands), nullptr) << error;
    const std::string file = "/tmp/kaziro-replay-" + std::to_string(getpid());
    ClearMessageQueue();

    // Recorded: aimed play, a restart, a pause, clicks through the result.
    play = std::make_unique<cPlay>();
    play->Seed(20261208u, 1);
    ASSERT_TRUE(play->Start(AppOptions{}));
    ASSERT_TRUE(play->StartRecording(file, 20261208u, 1, &error)) << error;
    play->ShowFirstScene();
    std::vector<uint32_t> frames;
    std::mt19937 script(3u);
    int results = 0;
    for (int step = 0; step < 1800; ++step) {
        const GameState& game = play->Game();
        for (uint8_t& k : hands.keys) k = 0;
        if (game.scene == static_cast<int32_t>(SceneKind::Board)) {
            hands.Apply(AimAtFallingDie(game.board));
        } else {
            input.rawMouse.left = step % 4 == 0;
        }
        if (step == 50) hands.keys[DIK_NUMPAD1] = 0x80;
        if (step == 900 || step == 960) hands.keys[DIK_P] = 0x80;
        int status = 0;
        ASSERT_EQ(RunLogicStep(*play, &status), StepEnd::Going);
        frames.push_back(step % 8 == 0 ? FrameHash() : 0);
        results += game.scene == static_cast<int32_t>(SceneKind::Result);
    }
    EXPECT_GT(results, 0) << "the round should end within the recording";
    ASSERT_TRUE(play->Finish());
    ASSERT_EQ(access((file + ".part").c_str(), F_OK), -1);

    // Replayed, with other hands on the devices all along.
    play = std::make_unique<cPlay>();
    Replay replay;
    ASSERT_TRUE(LoadReplay(file, &replay, &error)) << error;
    EXPECT_EQ(replay.Steps(), 1800u);
    EXPECT_EQ(replay.checksums.size(), 1800u / 60);
    play->StartPlayback(std::move(replay));
    play->Seed(20261208u, 1);
    ASSERT_TRUE(play->Start(AppOptions{}));
    play->ShowFirstScene();
    int replayed = 0;
    int quit = -1;
    while (!QuitMessageQueued(&quit) && replayed < 3000) {
        hands.cursorX = static_cast<int>(script() % 800);
        input.rawMouse.left = script() % 2;
        hands.keys[DIK_NUMPAD5] = (script() % 2) ? 0x80 : 0;
        int status = 0;
        ASSERT_EQ(RunLogicStep(*play, &status), StepEnd::Going) << "step " << replayed;
        if (replayed % 8 == 0) {
            ASSERT_EQ(FrameHash(), frames[static_cast<size_t>(replayed)]) << "frame " << replayed;
        }
        ++replayed;
    }
    EXPECT_EQ(replayed, 1800);  // and then the quit, with status 0
    EXPECT_EQ(quit, 0);

    // A recording whose game has gone another way ends the playback where
    // its checksum no longer matches: after step 360, the sixth checksum.
    ClearMessageQueue();
    play = std::make_unique<cPlay>();
    ASSERT_TRUE(LoadReplay(file, &replay, &error)) << error;
    replay.checksums[5] ^= 1;
    play->StartPlayback(std::move(replay));
    play->Seed(20261208u, 1);
    ASSERT_TRUE(play->Start(AppOptions{}));
    play->ShowFirstScene();
    testing::internal::CaptureStderr();
    int step = 0, status = 0;
    while (step < 400 && RunLogicStep(*play, &status) == StepEnd::Going) ++step;
    EXPECT_NE(testing::internal::GetCapturedStderr().find("no longer matches the recording at step 359"),
              std::string::npos);
    EXPECT_EQ(step, 359);
    play.reset();
    ClearMessageQueue();
    std::remove(file.c_str());
}

TEST(Replay, FilesThatAreNotAWholeReplayAreRefusedWithOneLine) {
    PlayerControls records[2];
    records[0].x = 12.5f;
    records[1].confirm = 1;
    records[1].digits = RowDigitBit(9);
    std::vector<uint8_t> good = ReplayHeader(77u, 2, "1.0.0");
    for (uint32_t step = 0; step < 130; ++step) AppendReplayStep(&good, records, 2, step, step * 3);
    const std::vector<uint8_t> end = ReplayTrailer(130, 0xABCDu);
    good.insert(good.end(), end.begin(), end.end());
    Replay r;
    std::string error;
    ASSERT_TRUE(ParseReplay(good.data(), good.size(), &r, &error)) << error;
    EXPECT_EQ(r.players, 2);
    EXPECT_EQ(r.seed, 77u);
    EXPECT_EQ(r.Steps(), 130u);
    EXPECT_EQ(r.checksums, (std::vector<uint32_t>{59 * 3, 119 * 3}));
    EXPECT_EQ(r.finalChecksum, 0xABCDu);
    EXPECT_EQ(r.records[1].digits, RowDigitBit(9));
    EXPECT_EQ(r.records[258].x, 12.5f);

    struct Bad {
        const char* what;
        std::vector<uint8_t> bytes;
        const char* says;
    };
    auto changed = [&](size_t at, uint8_t value) {
        std::vector<uint8_t> b = good;
        b[at] = value;
        return b;
    };
    const std::vector<Bad> bad = {
        {"empty", {}, "not a kaziro replay"},
        {"foreign", std::vector<uint8_t>(good.begin() + 1, good.end()), "not a kaziro replay"},
        {"header cut", std::vector<uint8_t>(good.begin(), good.begin() + 20), "cut short"},
        {"cut short", std::vector<uint8_t>(good.begin(), good.end() - 40), "cut short"},
        {"newer", changed(8, 2), "newer kaziro"},
        {"five players", changed(10, 5), "damaged header"},
        {"a step too many", changed(good.size() - 8, 131), "does not match"},
        {"a step too few", changed(good.size() - 8, 129), "does not match"},
        {"a coordinate that is not a number", changed(32 + 12 + 7, 0x7F), "damaged at step 0"},
        {"a button that means nothing", changed(32 + 12 * 20 + 8, 0x40), "damaged at step 10"},
    };
    // No piece of a whole replay is one.
    for (size_t n = 0; n < good.size(); ++n) {
        Replay cut;
        ASSERT_FALSE(ParseReplay(good.data(), n, &cut, &error)) << "cut to " << n << " bytes";
    }
    for (const Bad& b : bad) {
        Replay untouched;
        error.clear();
        EXPECT_FALSE(ParseReplay(b.bytes.data(), b.bytes.size(), &untouched, &error)) << b.what;
        EXPECT_NE(error.find(b.says), std::string::npos) << b.what << ": " << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
    }
}
