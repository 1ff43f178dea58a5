#include "graphics/Graphics.h"

void InitGraphics(uint32_t width, uint32_t height, WindowHandle, bool) {
    graphics.screenWidth = width;
    graphics.screenHeight = height;
}

bool HasGraphicsDevice() { return true; }

void RenderFrame() {}
