// Background music: starting and stopping, paths with spaces, files that
// cannot be played, the restart on the music-finished notice, and a dropped file.

#include <gtest/gtest.h>

#include <SDL.h>

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "app/WinMain.h"
#include "audio/Music.h"
#include "platform/audio.h"
#include "platform/sdl_internal.h"
#include "platform/window.h"
#include "support/wave_bytes.h"

namespace {


// A short 16-bit mono WAV file in the temporary folder.
std::string ShortWave(const std::string& name, uint32_t frames) {
    Bytes b;
    const uint32_t bytes = frames * 2;
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    Put32(b, 36 + bytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    Put32(b, 16);
    Put16(b, 1);
    Put16(b, 1);
    Put32(b, 44100);
    Put32(b, 88200);
    Put16(b, 2);
    Put16(b, 16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    Put32(b, bytes);
    b.resize(b.size() + bytes, 0);
    const std::string path =
        ::testing::TempDir() + std::to_string(static_cast<long>(getpid())) + "_" + name;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f) {
        std::fwrite(b.data(), 1, b.size(), f);
        std::fclose(f);
    }
    return path;
}

class MusicTest : public ::testing::Test {
protected:
    void TearDown() override {
        StopMusic();
        if (window_) DestroyGameWindow(window_);
        UnregisterWindowClass("KaziroMusicTest");
        ClearMessageQueue();
        CloseAudioOutput();
    }

    // The game window with the game's own window procedure.
    void OpenWindow() {
        ASSERT_TRUE(RegisterWindowClass("KaziroMusicTest", WndProc));
        std::string error;
        window_ = CreateGameWindow("KaziroMusicTest", "Kaziro", 800, 600, &error);
        ASSERT_NE(window_, nullptr) << error;
        musicWindow = window_;
        ClearMessageQueue();
    }

    // Handles messages for up to `ms` milliseconds; counts the music notices.
    int PumpNotices(int ms, int wanted) {
        int notices = 0;
        for (int waited = 0; waited < ms && notices < wanted; waited += 5) {
            Message m;
            while (PeekMessage(&m)) {
                if (m.message == MM_MCINOTIFY && m.wParam == MCI_NOTIFY_SUCCESSFUL) ++notices;
                DispatchMessage(m);
            }
            SDL_Delay(5);
        }
        return notices;
    }

    WindowHandle window_ = nullptr;
};

TEST_F(MusicTest, PlaysAndStops) {
    PlayMusic("Sound/Set.wav");
    EXPECT_TRUE(musicPlaying);
    EXPECT_EQ(musicPath, "Sound/Set.wav");
    EXPECT_TRUE(MusicFilePlaying());
    StopMusic();
    EXPECT_FALSE(musicPlaying);
    EXPECT_FALSE(MusicFilePlaying());
    StopMusic();  // a second stop does nothing
    EXPECT_FALSE(musicPlaying);
}

TEST_F(MusicTest, LongPathWithSpacesPlays) {
    const std::string path = ShortWave(
        "a folder name with spaces and well over forty-six characters - theme.wav", 44100);
    ASSERT_GT(path.size(), 46u);
    PlayMusic(path);
    EXPECT_TRUE(musicPlaying);
    EXPECT_TRUE(MusicFilePlaying());
    EXPECT_EQ(musicPath, path);
    StopMusic();
    std::remove(path.c_str());
}

TEST_F(MusicTest, FileThatCannotPlayGetsOneLineAndNoMusic) {
    testing::internal::CaptureStderr();
    PlayMusic("Sound/no such piece.ogg");
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_FALSE(musicPlaying);
    EXPECT_FALSE(MusicFilePlaying());
    EXPECT_EQ(err.rfind("kaziro: music: Sound/no such piece.ogg: ", 0), 0u) << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1);
    StopMusic();
}

TEST_F(MusicTest, FinishedNoticeRestartsTheSameFileAndOtherCodesDoNot) {
    PlayMusic("Sound/Save.wav");
    ASSERT_TRUE(musicPlaying);
    StopMusicFile();  // as if the piece had reached its end
    ASSERT_FALSE(MusicFilePlaying());

    WndProc(nullptr, MM_MCINOTIFY, MCI_NOTIFY_ABORTED, 0);
    WndProc(nullptr, MM_MCINOTIFY, 8, 0);  // failed
    EXPECT_FALSE(MusicFilePlaying()) << "only the successful end restarts";

    WndProc(nullptr, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, 0);
    EXPECT_TRUE(MusicFilePlaying());
    EXPECT_TRUE(musicPlaying);
    EXPECT_EQ(musicPath, "Sound/Save.wav");
}

TEST_F(MusicTest, PieceLoopsThroughTheNoticeAndStoppingPostsNone) {
    OpenWindow();
    const std::string path = ShortWave("kaziro_loop.wav", 1323);  // 30 ms
    PlayMusic(path);
    ASSERT_TRUE(musicPlaying);
    // Each end posts the notice; the window procedure starts the piece again.
    EXPECT_EQ(PumpNotices(5000, 3), 3);
    EXPECT_TRUE(musicPlaying);
    EXPECT_EQ(musicPath, path);

    PlayMusic("Sound/Set.wav");
    StopMusic();
    ClearMessageQueue();
    EXPECT_EQ(PumpNotices(300, 1), 0) << "a stop on purpose is not the end of the piece";
    EXPECT_FALSE(musicPlaying);
    std::remove(path.c_str());
}

TEST_F(MusicTest, DroppedFileStartsLooping) {
    OpenWindow();
    const std::string path = ShortWave("dropped piece.wav", 22050);
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_DROPFILE;
    e.drop.file = SDL_strdup(path.c_str());
    e.drop.windowID = SDL_GetWindowID(SdlWindowOf(window_));
    ASSERT_EQ(SDL_PushEvent(&e), 1);
    fileDropped = false;
    Message m;
    bool dropped = false;
    for (int tries = 0; tries < 100 && !dropped; ++tries) {
        while (PeekMessage(&m)) {
            dropped = dropped || m.message == WM_DROPFILES;
            DispatchMessage(m);
        }
    }
    ASSERT_TRUE(dropped);
    EXPECT_TRUE(fileDropped);
    EXPECT_EQ(droppedPath, path);
    EXPECT_TRUE(musicPlaying);
    EXPECT_EQ(musicPath, path);
    EXPECT_TRUE(MusicFilePlaying());
    std::remove(path.c_str());
}

}  // namespace
