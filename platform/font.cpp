// Labels' fonts: the face a label asks for, found through fontconfig and
// opened with SDL_ttf, and each label's cache of its rendered text.
#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
#include <utility>

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
    std::map<std::pair<std::string, uint32_t>, std::pair<std::string, int>> files;
    bool warned = false;
    bool fontconfigStarted = false;
    ~FaceCache() {
        for (auto& entry : faces) TTF_CloseFont(entry.second);
        faces.clear();
        if (TTF_WasInit()) TTF_Quit();
        if (fontconfigStarted) FcFini();
    }
};

FaceCache& Faces() {
    static FaceCache cache;
    return cache;
}

bool HasFamily(FcPattern* match, const char* family) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family)) == 0) return true;
    }
    return false;
}

bool CoversJapanese(FcPattern* match) {
    FcLangSet* langs = nullptr;
    if (FcPatternGetLangSet(match, FC_LANG, 0, &langs) != FcResultMatch) return false;
    return FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual;
}

// fontconfig's best match for `family` in the given weight, for `language`
// when one is given; null when there is none.
FcPattern* Match(const char* family, const char* language, uint32_t weight) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return nullptr;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    if (language) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(static_cast<int>(weight)));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    return match;
}

// The file and face index of a match.
bool FileOf(FcPattern* match, std::string* file, int* index) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) != FcResultMatch || !path) return false;
    *file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
    return true;
}

// Asks fontconfig for `family` in the given weight. With `exact` the answer
// counts only when it is that family; otherwise any face that covers Japanese.
bool MatchFace(const char* family, uint32_t weight, bool exact, std::string* file, int* index) {
    FcPattern* match = Match(family, "ja", weight);
    if (!match) return false;
    const bool ok = (exact ? HasFamily(match, family) : CoversJapanese(match)) && FileOf(match, file, index);
    FcPatternDestroy(match);
    return ok;
}

// Any sans face at all, for the Latin letters and digits, when no face covers Japanese.
bool MatchLatinFace(uint32_t weight, std::string* file, int* index) {
    FcPattern* match = Match("sans-serif", nullptr, weight);
    if (!match) return false;
    const bool ok = FileOf(match, file, index);
    FcPatternDestroy(match);
    return ok;
}

// The requested face when it is installed, else IPAPGothic (the proportional
// Gothic that stands in for it), else any Japanese sans face, else a Latin one.
std::pair<std::string, int> ResolveFace(const std::string& familyUtf8, uint32_t weight) {
    FaceCache& cache = Faces();
    const auto key = std::make_pair(familyUtf8, weight);
    auto found = cache.files.find(key);
    if (found != cache.files.end()) return found->second;
    std::pair<std::string, int> face{"", 0};
    if (FcInit()) {
        cache.fontconfigStarted = true;
        if (!(!familyUtf8.empty() &&
              MatchFace(familyUtf8.c_str(), weight, true, &face.first, &face.second)) &&
            !MatchFace("IPAPGothic", weight, true, &face.first, &face.second) &&
            !MatchFace("sans-serif", weight, false, &face.first, &face.second)) {
            face = {"", 0};
            if (MatchLatinFace(weight, &face.first, &face.second) && !cache.warned) {
                cache.warned = true;
                Report("font", "no Japanese face is installed; labels use %s and show "
                       "Latin letters and digits only", face.first.c_str());
            }
        }
    }
    cache.files.emplace(key, face);
    return face;
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
    const auto face = ResolveFace(family, description.weight);
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
