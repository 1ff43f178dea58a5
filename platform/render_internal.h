// The SDL objects behind the drawing handles of platform/render.h, for the
// platform layer itself and for benchmarks that compare against bare SDL calls.
#pragma once

#include <SDL.h>

#include "platform/render.h"

SDL_Renderer* SdlRendererOf(RenderDevice* device);
SDL_Texture* SdlTextureOf(Texture* texture);
// The texture holding the text a font rendered last (null before the first draw).
SDL_Texture* SdlTextTextureOf(Font* font, int* width, int* height);
