// A headless drawing device for tests: an 800 x 600 game window that nobody
// sees (SDL's dummy video driver) with the game's device made on it by
// InitGraphics, once per test program, plus a read-back of the current frame.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "graphics/Graphics.h"
#include "platform/render.h"
#include "platform/window.h"

namespace headless {

inline intptr_t WindowProcedure(WindowHandle window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam) {
    return DefWindowProc(window, message, wParam, lParam);
}

// Makes the window and the device the first time; true while a device exists.
inline bool StartGraphics() {
    static bool tried = false;
    static WindowHandle window = nullptr;
    if (!tried) {
        tried = true;
        RegisterWindowClass("KaziroHeadlessTest", WindowProcedure);
        std::string error;
        window = CreateGameWindow("KaziroHeadlessTest", "Kaziro", 800, 600, &error);
        if (window) InitGraphics(800, 600, window, false);
    }
    return window != nullptr && HasGraphicsDevice();
}

// A read-back of the current render target (ARGB8888). Take it after DrawFrame
// and before ShowFrame: the software renderer's back buffer is undefined after
// a presentation.
struct Frame {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels;

    bool Read() { return ReadFramePixels(&pixels, &width, &height); }
    uint32_t At(int x, int y) const {
        return pixels[static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)];
    }
};

// Largest difference of any of the four channels of two ARGB colours.
inline int ChannelDistance(uint32_t a, uint32_t b) {
    int worst = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int d = static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF);
        worst = d < 0 ? (-d > worst ? -d : worst) : (d > worst ? d : worst);
    }
    return worst;
}

}  // namespace headless
