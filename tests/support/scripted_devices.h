// Input devices a test script holds: a cursor, a keyboard and the window's
// focus it sets, no pads. The buttons go through the window procedure's
// record (input.rawMouse), as the real ones do.
#pragma once

#include <memory>

#include "platform/input_devices.h"
#include "support/scripted_player.h"

class ScriptedDevices : public InputDevices {
public:
    bool StartPads() override { return true; }
    int CountAttachedPads() override { return 0; }
    std::unique_ptr<PadDevice> OpenPad(int) override { return nullptr; }
    bool HasFocus(WindowHandle) override { return focus; }
    WindowHandle FindWindowByTitle(const char*) override { return nullptr; }
    void ReadKeyboard(uint8_t out[256]) override {
        for (int i = 0; i < 256; ++i) out[i] = keys[i];
    }
    void GetCursor(WindowHandle, int* x, int* y) override {
        *x = cursorX;
        *y = cursorY;
    }
    // The hands on this mouse: the cursor where they move it, the buttons held.
    void Apply(const PlayerHands& hands) {
        if (hands.move) {
            cursorX = static_cast<int>(hands.x);
            cursorY = static_cast<int>(hands.y);
        }
        input.rawMouse.left = hands.left ? 1 : 0;
        input.rawMouse.right = hands.right ? 1 : 0;
    }

    bool focus = true;
    uint8_t keys[256] = {};
    int cursorX = 400;
    int cursorY = 300;
};
