// `cDSound` slots on SDL's dummy audio driver: allocation, release, missing
// and bad files, and the message for a file that cannot be opened.

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_mixer.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "audio/cDSound.h"
#include "platform/audio.h"
#include "platform/message_box.h"
#include "platform/text.h"
#include "support/wave_bytes.h"

namespace {


// A 16-bit mono PCM WAV of the given number of frames (a quiet ramp).
Bytes Wave(uint32_t frames, uint16_t tag = 1, uint16_t channels = 1, uint32_t dataClaim = 0) {
    Bytes b;
    const uint32_t bytes = frames * 2 * channels;
    PutId(b, "RIFF");
    Put32(b, 36 + bytes);
    PutId(b, "WAVE");
    PutId(b, "fmt ");
    Put32(b, 16);
    Put16(b, tag);
    Put16(b, channels);
    Put32(b, 44100);
    Put32(b, 44100 * 2 * channels);
    Put16(b, static_cast<uint16_t>(2 * channels));
    Put16(b, 16);
    PutId(b, "data");
    Put32(b, dataClaim ? dataClaim : bytes);
    for (uint32_t i = 0; i < frames * channels; ++i) Put16(b, static_cast<uint16_t>(i & 0xFF));
    return b;
}

std::string WriteTemp(const std::string& name, const Bytes& bytes) {
    const std::string path =
        ::testing::TempDir() + std::to_string(static_cast<long>(getpid())) + "_" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    EXPECT_NE(f, nullptr) << path;
    if (f) {
        if (!bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    return path;
}

struct Box {
    std::string text, caption;
    MessageBoxStyle style;
};

class SoundTest : public ::testing::Test {
protected:
    void SetUp() override {
        ForgetMessageBoxKeys();
        old_ = SetMessageBoxHandler([this](const std::string& text, const std::string& caption,
                                           MessageBoxStyle style) {
            boxes.push_back({text, caption, style});
        });
        ASSERT_EQ(player.Init(nullptr), 0) << "the dummy audio driver opens";
    }
    void TearDown() override {
        player.Shutdown();
        SetMessageBoxHandler(old_);
    }
    int Busy() const {
        int n = 0;
        for (const auto& slot : player.slots) n += slot ? 1 : 0;
        return n;
    }

    cDSound player;
    std::vector<Box> boxes;
    MessageBoxHandler old_;
};

TEST_F(SoundTest, SameFileTwiceTakesTwoSlotsAndBothPlay) {
    EXPECT_EQ(player.Play("Sound/Set.wav"), 0);
    EXPECT_EQ(player.Play("Sound/Set.wav"), 1);
    EXPECT_TRUE(ChannelPlaying(0));
    EXPECT_TRUE(ChannelPlaying(1));
    player.ReleaseStopped();  // both still playing: both keep their slots
    EXPECT_EQ(Busy(), 2);
    EXPECT_TRUE(boxes.empty());
}

TEST_F(SoundTest, EleventhRequestIsDroppedAndTheLowestFreedSlotIsReused) {
    for (int i = 0; i < kSoundSlots; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "Sound/Pad%d.wav", i % 6);
        ASSERT_EQ(player.Play(name), i);
    }
    EXPECT_EQ(player.Play("Sound/Save.wav"), -1);
    EXPECT_EQ(Busy(), kSoundSlots);

    // Slots 7 and 3 end: each keeps its slot until the release pass.
    StopChannel(7);
    StopChannel(3);
    EXPECT_TRUE(player.slots[3] && player.slots[7]);
    EXPECT_EQ(player.Play("Sound/Save.wav"), -1);
    player.ReleaseStopped();
    EXPECT_FALSE(player.slots[3]);
    EXPECT_FALSE(player.slots[7]);
    EXPECT_EQ(Busy(), kSoundSlots - 2);
    EXPECT_EQ(player.Play("Sound/Miss.wav"), 3);
    EXPECT_EQ(player.Play("Sound/Miss.wav"), 7);
    EXPECT_EQ(player.Play("Sound/Miss.wav"), -1);
}

TEST_F(SoundTest, ASoundThatEndsKeepsItsSlotUntilTheReleasePass) {
    const std::string path = WriteTemp("kaziro_short.wav", Wave(441));  // 10 ms
    ASSERT_EQ(player.Play(path.c_str()), 0);
    // The dummy driver mixes in real time: wait, bounded, for the end.
    for (int waited = 0; waited < 3000 && ChannelPlaying(0); waited += 5) SDL_Delay(5);
    ASSERT_FALSE(ChannelPlaying(0)) << "a 10 ms sound ends";
    EXPECT_TRUE(player.slots[0]);
    player.ReleaseStopped();
    EXPECT_FALSE(player.slots[0]);
    std::remove(path.c_str());
}

TEST_F(SoundTest, MissingFileShowsItsBoxOnceThenALineOnStandardError) {
    EXPECT_EQ(player.Play("Sound/Nothing.wav"), -1);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(player.Play("Sound/Nothing.wav"), -1);
    const std::string err = ::testing::internal::GetCapturedStderr();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(err, "kaziro: " + boxes[0].caption + ": " + boxes[0].text + "\n");
    EXPECT_EQ(boxes[0].text, "Sound/Nothing.wav\xE3\x83\x95\xE3\x82\xA1\xE3\x82\xA4\xE3\x83\xAB"
                             "\xE3\x81\xAE\xE8\xAA\xAD\xE3\x81\xBF\xE8\xBE\xBC\xE3\x81\xBF\xE3\x81"
                             "\xAB\xE5\xA4\xB1\xE6\x95\x97\xE3\x81\x97\xE3\x81\xBE\xE3\x81\x97\xE3"
                             "\x81\x9F");  // …ファイルの読み込みに失敗しました
    EXPECT_EQ(boxes[0].caption, "\xE3\x82\xA8\xE3\x83\xA9\xE3\x83\xBC");  // エラー
    EXPECT_EQ(boxes[0].style, MessageBoxStyle::Error);  // this box alone carries the error icon
    EXPECT_EQ(Busy(), 0);
    EXPECT_EQ(player.Play("Sound/Set.wav"), 0) << "the failed request left slot 0 free";
}

TEST_F(SoundTest, LongNameIsCutToTheMessageBuffer) {
    std::string name(200, 'n');
    EXPECT_EQ(SoundLoadErrorText(name.c_str()), name.substr(0, 63));

    // The cut falls where the game's 64-byte Shift_JIS buffer ends, never
    // inside a character.
    for (size_t length = 20; length < 40; ++length) {
        const std::string text = SoundLoadErrorText(std::string(length, 'a').c_str());
        std::string sjis;
        EXPECT_TRUE(Utf8ToSjis(text, &sjis)) << "name of " << length << " bytes";
        EXPECT_LE(sjis.size(), 63u);
        EXPECT_GE(sjis.size(), std::min<size_t>(length + 32, 62));  // 16 two-byte characters
    }
    EXPECT_EQ(player.Play(("Sound/" + name).c_str()), -1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text.size(), 63u);
}

TEST_F(SoundTest, BadFilesAreSkippedAndFreeTheirSlotAtOnce) {
    const Bytes whole = Wave(100);
    const std::vector<std::pair<std::string, Bytes>> bad = {
        {"kaziro_truncated.wav", Bytes(whole.begin(), whole.begin() + 50)},
        {"kaziro_float.wav", Wave(100, 3)},
        {"kaziro_nochannels.wav", Wave(100, 1, 0)},
        {"kaziro_overlong.wav", Wave(100, 1, 1, 1u << 30)},
        {"kaziro_empty.wav", Bytes{}},
        {"kaziro_nodata.wav", Wave(0)},
    };
    for (const auto& [name, bytes] : bad) {
        const std::string path = WriteTemp(name, bytes);
        EXPECT_EQ(player.Play(path.c_str()), -1) << name;
        EXPECT_EQ(Busy(), 0) << name;
        std::remove(path.c_str());
    }
    EXPECT_TRUE(boxes.empty()) << "only a file that cannot be opened gets the box";
    player.ReleaseStopped();
}

TEST_F(SoundTest, StereoFilesAreConverted) {
    const std::string stereo = WriteTemp("kaziro_stereo.wav", Wave(4410, 1, 2));
    EXPECT_EQ(player.Play(stereo.c_str()), 0);
    EXPECT_TRUE(ChannelPlaying(0));
    std::remove(stereo.c_str());
}

TEST_F(SoundTest, MuteSilencesEveryChannelAndTheMusicAndOutlastsAReopening) {
    player.SetMuted(true);
    EXPECT_EQ(Mix_Volume(-1, -1), 0);
    EXPECT_EQ(Mix_VolumeMusic(-1), 0);
    ASSERT_EQ(player.Play("Sound/Set.wav"), 0) << "muted sounds still take their slots";
    player.Shutdown();
    ASSERT_EQ(player.Init(nullptr), 0);
    EXPECT_EQ(Mix_Volume(-1, -1), 0) << "still muted after the output was opened again";
    player.SetMuted(false);
    EXPECT_EQ(Mix_Volume(-1, -1), MIX_MAX_VOLUME);
    EXPECT_EQ(Mix_VolumeMusic(-1), MIX_MAX_VOLUME);
}

TEST_F(SoundTest, ShutdownFreesPlayingSounds) {
    ASSERT_EQ(player.Play("Sound/Save.wav"), 0);
    ASSERT_EQ(player.Play("Sound/Miss.wav"), 1);
    player.Shutdown();
    EXPECT_EQ(Busy(), 0);
    EXPECT_FALSE(ChannelPlaying(0));
    player.ReleaseStopped();
    EXPECT_EQ(player.Play("Sound/Save.wav"), -1) << "closed: nothing plays";
    EXPECT_EQ(Busy(), 0);
}

}  // namespace
