// No audio device: the game runs silent and every sound and music call stays safe.

#include <gtest/gtest.h>

#include <SDL.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "audio/Music.h"
#include "audio/cDSound.h"
#include "platform/audio.h"
#include "platform/message_box.h"

namespace {

TEST(NoAudioDevice, EverySoundCallIsSafeAndSilent) {
    // An audio driver that does not exist stands for a machine without sound.
    CloseAudioOutput();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    setenv("SDL_AUDIODRIVER", "kaziro_no_such_driver", 1);

    std::vector<std::string> boxes;
    MessageBoxHandler old = SetMessageBoxHandler(
        [&](const std::string& text, const std::string&, MessageBoxStyle) { boxes.push_back(text); });

    cDSound player;
    EXPECT_LT(player.Init(nullptr), 0);
    EXPECT_FALSE(player.device);
    EXPECT_EQ(player.Play("Sound/Set.wav"), -1);
    for (const auto& slot : player.slots) EXPECT_FALSE(slot);
    player.ReleaseStopped();
    EXPECT_EQ(player.Play("Sound/Missing.wav"), -1);
    EXPECT_EQ(boxes.size(), 1u) << "a missing file is still reported";
    EXPECT_FALSE(ChannelPlaying(0));
    StopChannel(0);

    testing::internal::CaptureStderr();
    PlayMusic("Sound/Set.wav");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(musicPlaying);
    EXPECT_EQ(musicPath, "Sound/Set.wav");
    EXPECT_NE(err.find("kaziro: music: Sound/Set.wav"), std::string::npos) << err;
    StopMusic();
    player.Shutdown();

    SetMessageBoxHandler(old);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

}  // namespace
