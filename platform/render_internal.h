// The SDL objects behind the drawing handles of platform/render.h, for the
// platform layer's own files and for benchmarks and tests that compare
// against bare SDL calls.
#pragma once

#include <SDL.h>

#include "platform/render.h"

struct RenderDevice {
    SDL_Renderer* renderer = nullptr;
    // The play field's own picture: the back buffer every frame is drawn into,
    // shown scaled to the window by the presentation. Null when the renderer
    // cannot draw into textures (frames then go to the window directly).
    SDL_Texture* field = nullptr;
    int fieldWidth = 0;
    int fieldHeight = 0;
    // Set by the event watch when SDL reports that the renderer's targets or
    // the device itself were reset; the next presentation then fails.
    bool lost = false;
    float view[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    float projection[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
};

struct Texture {
    SDL_Texture* sdl = nullptr;
    int width = 0;
    int height = 0;
};

struct Sprite {
    RenderDevice* device = nullptr;
};

// The renderer of a device (null for a null device).
SDL_Renderer* SdlRendererOf(RenderDevice* device);
SDL_Texture* SdlTextureOf(Texture* texture);
// The texture holding the text a font rendered last (null before the first draw).
SDL_Texture* SdlTextTextureOf(Font* font, int* width, int* height);

// Draws a width x height picture whose local rectangle starts at (left, top):
// scaled, then turned about the pivot, then moved to (x, y), colour and alpha
// modulated by argb. A negative scale mirrors the picture in its own space,
// before the turn.
void DrawPlaced(SDL_Renderer* renderer, SDL_Texture* texture, int width, int height,
                const Placement& placement, uint32_t argb);
