// Input state (placeholder until the input work lands).
#pragma once

#include <cstdint>

#include "platform/window.h"

struct MouseState {
    uint8_t left = 0;
    uint8_t right = 0;
    uint8_t middle = 0;
    float x = 0.0f;
    float y = 0.0f;
};

// Named pad buttons, indexes into the button map.
enum PadButton { PAD_A, PAD_B, PAD_Y, PAD_X, PAD_START, PAD_SELECT, PAD_R_STICK, PAD_L_STICK,
                 PAD_R1, PAD_R2, PAD_L1, PAD_L2 };

class cInput {
public:
    int32_t Init(WindowHandle window) { this->window = window; return 0; }
    void Refresh() {}
    int CountPads() const { return 0; }
    bool PadButtonDown(int, int) const { return false; }

    WindowHandle window = nullptr;
    bool keyboardOnly = false;
    MouseState mouse, prevMouse, rawMouse;
};

extern cInput input;
