// Graphics state and the frame pass (placeholder until the renderer lands).
#pragma once

#include <cstdint>

#include "platform/window.h"

struct GraphicsState {
    uint32_t screenWidth = 0;
    uint32_t screenHeight = 0;
};

extern GraphicsState graphics;

void InitGraphics(uint32_t width, uint32_t height, WindowHandle window, bool fullScreen);
// Whether InitGraphics made a device the frame pass can draw with.
bool HasGraphicsDevice();
void RenderFrame();
