// `cSound`: one sound effect loaded from a WAV file, ready to play.
#pragma once

#include <cstddef>
#include <cstdint>

struct SoundClip;

class cSound {
public:
    cSound() = default;
    virtual ~cSound();
    cSound(const cSound&) = delete;
    cSound& operator=(const cSound&) = delete;

    // Loads a WAV file into `buffer`. Returns 0 when loaded; 1 when the file
    // cannot be opened (after the message box); 2 when it is not a sound the
    // game can play, or there is no audio device (`buffer` then stays empty).
    int32_t Load(const char* fileName);

    SoundClip* buffer = nullptr;  // owned; empty until loaded
};

// The text of the box shown for a sound file that cannot be opened:
// "<fileName>ファイルの読み込みに失敗しました" in Shift_JIS, cut to fit the
// 64-byte message buffer on a character boundary.
void FormatSoundLoadError(const char* fileName, char* text, size_t size);
