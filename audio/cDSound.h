// `cDSound`: the sound-effect player. Every request loads its WAV file afresh
// and plays it once in the lowest free of ten slots; at the end of each logic
// step the slots whose sound has ended are emptied. Slot n plays on mixer
// channel n. Without an audio device the game runs silent.
#pragma once

#include <cstdint>
#include <memory>

#include "audio/cSound.h"
#include "platform/window.h"

constexpr int kSoundSlots = 10;

class cDSound {
public:
    cDSound() = default;
    ~cDSound();
    cDSound(const cDSound&) = delete;
    cDSound& operator=(const cDSound&) = delete;

    // Empties the slots and opens the sound output: 0, or negative when there
    // is no audio device (every later call is then safe and silent).
    int32_t Init(WindowHandle window);
    // Plays a WAV file once. Returns the slot that took it (0 to 9), or -1
    // when all ten are busy or the file could not be played (its slot is
    // then freed at once).
    int Play(const char* fileName);
    // Empties the slots whose sound has ended (once per logic step).
    void ReleaseStopped();
    // Frees every slot, playing or not, and closes the output (also at exit).
    void Shutdown();
    // Silences the effects and the music, or gives them back their volume.
    void SetMuted(bool muted);

    WindowHandle window = nullptr;
    bool device = false;  // the sound output is open
    bool muted = false;
    std::unique_ptr<cSound> slots[kSoundSlots];
};

extern cDSound dsound;
