// Labels' fonts: the face a label asks for (platform/font_lookup.h finds its
// file), opened with SDL_ttf, and each label's cache of its rendered text.
#include <SDL.h>
#include <SDL_ttf.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <utility>

#include "platform/font_lookup.h"
#include "platform/render.h"
#include "platform/render_internal.h"
#include "platform/report.h"
#include "platform/text.h"

struct Font {
    RenderDevice* device = nullptr;
    TTF_Font* ttf = nullptr;  // shared between the labels that use the same face and size
    std::string file;
    // The last text drawn and its rendering (white, coloured when drawn).
    bool cached = false;
    std::string cachedText;
    TextEncoding cachedEncoding = TextEncoding::ShiftJis;
    SDL_Texture* texture = nullptr;
    int width = 0;
    int height = 0;
    uint32_t renders = 0;
};

namespace {

// Open faces, one per file, index and height, closed at exit.
struct FaceCache {
    std::map<std::tuple<std::string, int, int>, TTF_Font*> faces;
    bool warned = false;
    ~FaceCache() {
        for (auto& entry : faces) TTF_CloseFont(entry.second);
        faces.clear();
        if (TTF_WasInit()) TTF_Quit();
    }
};

FaceCache& Faces() {
    static FaceCache cache;
    return cache;
}

// Opens a face so that its cell (ascent plus descent) is `height` pixels, as a
// positive font height asks.
TTF_Font* OpenFace(const std::string& file, int index, int height) {
    FaceCache& cache = Faces();
    const auto key = std::make_tuple(file, index, height);
    auto found = cache.faces.find(key);
    if (found != cache.faces.end()) return found->second;
    if (!TTF_WasInit() && TTF_Init() != 0) return nullptr;
    TTF_Font* ttf = TTF_OpenFontIndex(file.c_str(), height, index);
    if (!ttf) return nullptr;
    const int cell = TTF_FontHeight(ttf);
    if (cell > 0 && cell != height) {
        const int size = static_cast<int>(std::lround(static_cast<double>(height) * height / cell));
        if (size > 0) TTF_SetFontSize(ttf, size);
    }
    cache.faces.emplace(key, ttf);
    return ttf;
}

void DropCachedText(Font* font) {
    if (font->texture) SDL_DestroyTexture(font->texture);
    font->texture = nullptr;
    font->width = 0;
    font->height = 0;
    font->cached = false;
}

}  // namespace

Font* CreateFont(RenderDevice* device, const FontDescription& description) {
    if (!SdlRendererOf(device) || description.height <= 0) return nullptr;
    const std::string family =
        SjisToUtf8(std::string_view(description.faceName,
                                    strnlen(description.faceName, sizeof description.faceName)));
    const auto face = FindFontFace(family, description.weight);
    TTF_Font* ttf = face.first.empty() ? nullptr : OpenFace(face.first, face.second,
                                                            description.height);
    if (!ttf) {
        FaceCache& cache = Faces();
        if (!cache.warned) {
            cache.warned = true;
            Report("font", "no face could be opened for \"%s\"", family.c_str());
        }
        return nullptr;
    }
    auto* font = new Font;
    font->device = device;
    font->ttf = ttf;
    font->file = face.first;
    return font;
}

void ReleaseFont(Font* font) {
    if (!font) return;
    DropCachedText(font);
    delete font;
}

void DrawSpriteText(Sprite* sprite, Font* font, std::string_view text, const Placement& placement,
                    uint32_t argb, TextEncoding encoding) {
    if (!sprite || !font || !font->ttf) return;
    SDL_Renderer* renderer = SdlRendererOf(sprite->device);
    if (!renderer) return;
    if (!font->cached || font->cachedText != text || font->cachedEncoding != encoding) {
        DropCachedText(font);
        font->cached = true;
        font->cachedText.assign(text.data(), text.size());
        font->cachedEncoding = encoding;
        ++font->renders;
        const std::string utf8 =
            encoding == TextEncoding::Utf8 ? std::string(text) : SjisToUtf8(text);
        if (!utf8.empty()) {
            // Rendered white; the colour is applied as a modulation when drawn,
            // so a colour change needs no new rendering.
            SDL_Surface* surface =
                TTF_RenderUTF8_Blended_Wrapped(font->ttf, utf8.c_str(), SDL_Color{255, 255, 255, 255}, 0);
            if (surface) {
                font->texture = SDL_CreateTextureFromSurface(renderer, surface);
                font->width = surface->w;
                font->height = surface->h;
                SDL_FreeSurface(surface);
                if (font->texture) {
                    SDL_SetTextureBlendMode(font->texture, SDL_BLENDMODE_BLEND);
                    SDL_SetTextureScaleMode(font->texture, SDL_ScaleModeLinear);
                }
            }
        }
    }
    if (!font->texture) return;
    DrawPlaced(renderer, font->texture, font->width, font->height, placement, argb);
}

uint32_t FontRenderCount(const Font* font) { return font ? font->renders : 0; }

int MeasureText(const Font* font, std::string_view text, TextEncoding encoding) {
    if (!font || !font->ttf || text.empty()) return 0;
    const std::string utf8 = encoding == TextEncoding::Utf8 ? std::string(text) : SjisToUtf8(text);
    int width = 0, height = 0;
    return TTF_SizeUTF8(font->ttf, utf8.c_str(), &width, &height) == 0 ? width : 0;
}

std::string_view ResolvedFontFile(const Font* font) {
    return font ? std::string_view(font->file) : std::string_view();
}

SDL_Texture* SdlTextTextureOf(Font* font, int* width, int* height) {
    if (width) *width = font ? font->width : 0;
    if (height) *height = font ? font->height : 0;
    return font ? font->texture : nullptr;
}
