// Sound effects (placeholder until the audio work lands).
#pragma once

#include <cstdint>

#include "platform/window.h"

class cDSound {
public:
    int32_t Init(WindowHandle) { return 0; }
    int Play(const char*) { return -1; }
    void ReleaseStopped() {}
};

extern cDSound dsound;
