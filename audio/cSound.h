// `cSound`: one sound effect loaded from a WAV file, ready to play.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

// The text of the box shown for a sound file that cannot be opened, in the
// player's language (UTF-8): "<fileName>ファイルの読み込みに失敗しました" in the
// game's own words. It is cut where the game's 64-byte message buffer would
// end, as if in Shift_JIS, on a character boundary.
std::string SoundLoadErrorText(const char* fileName);
