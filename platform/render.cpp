// The drawing device: the renderer of the game window, the frame, textures
// and sprites.
#include "platform/render.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/data_files.h"
#include "platform/field_view.h"
#include "platform/render_internal.h"
#include "platform/sdl_internal.h"

namespace {

// Devices are never destroyed while the game runs (their SDL renderer goes with
// the window); the records stay allocated so the event watch never sees a
// dangling pointer.
std::vector<std::unique_ptr<RenderDevice>>& Devices() {
    static auto* devices = new std::vector<std::unique_ptr<RenderDevice>>();
    return *devices;
}

RenderDevice*& Current() {
    static RenderDevice* current = nullptr;
    return current;
}

int WatchDeviceEvents(void* userdata, SDL_Event* event) {
    if (event->type == SDL_RENDER_TARGETS_RESET || event->type == SDL_RENDER_DEVICE_RESET) {
        static_cast<RenderDevice*>(userdata)->lost = true;
    }
    return 0;
}

SDL_Renderer* RendererOf(RenderDevice* device) { return device ? device->renderer : nullptr; }

// The bars beside a scaled field: a neutral dark grey.
constexpr uint32_t kBars = 0x202020u;

void ModulateTexture(SDL_Texture* texture, uint32_t argb) {
    SDL_SetTextureColorMod(texture, static_cast<Uint8>(argb >> 16), static_cast<Uint8>(argb >> 8),
                           static_cast<Uint8>(argb));
    SDL_SetTextureAlphaMod(texture, static_cast<Uint8>(argb >> 24));
}

void EnsureImageLoader() {
    static bool started = false;
    if (!started) {
        IMG_Init(IMG_INIT_PNG);
        started = true;
    }
}

}  // namespace

void DrawPlaced(SDL_Renderer* renderer, SDL_Texture* texture, int width, int height,
                const Placement& p, uint32_t argb) {
    float x0 = p.left * p.scaleX;
    float x1 = (p.left + static_cast<float>(width)) * p.scaleX;
    float y0 = p.top * p.scaleY;
    float y1 = (p.top + static_cast<float>(height)) * p.scaleY;
    int flip = SDL_FLIP_NONE;
    if (x1 < x0) {
        std::swap(x0, x1);
        flip |= SDL_FLIP_HORIZONTAL;
    }
    if (y1 < y0) {
        std::swap(y0, y1);
        flip |= SDL_FLIP_VERTICAL;
    }
    const SDL_FRect dst{p.x + x0, p.y + y0, x1 - x0, y1 - y0};
    const SDL_FPoint pivot{-x0, -y0};  // relative to the rectangle's top-left corner
    // SDL turns clockwise on the screen for positive degrees, as the game does.
    const double degrees = static_cast<double>(p.angle) * (180.0 / M_PI);
    ModulateTexture(texture, argb);
    SDL_RenderCopyExF(renderer, texture, nullptr, &dst, degrees, &pivot,
                      static_cast<SDL_RendererFlip>(flip));
}

// --- Device ---------------------------------------------------------------------

bool EnumDisplayMode(uint32_t index, DisplayMode* mode) {
    if (!mode || !SDL_WasInit(SDL_INIT_VIDEO)) return false;
    // SDL lists the largest mode first; the game looks for the first mode that is
    // large enough, so the list is handed out from the smallest up.
    std::vector<DisplayMode> modes;
    const int count = SDL_GetNumDisplayModes(0);
    for (int i = 0; i < count; ++i) {
        SDL_DisplayMode m;
        if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
        if (SDL_BITSPERPIXEL(m.format) != 24 || SDL_BYTESPERPIXEL(m.format) != 4) continue;
        modes.push_back({static_cast<uint32_t>(m.w), static_cast<uint32_t>(m.h),
                         static_cast<uint32_t>(m.refresh_rate), kFormatX8R8G8B8});
    }
    std::stable_sort(modes.begin(), modes.end(), [](const DisplayMode& a, const DisplayMode& b) {
        return std::tie(a.width, a.height, a.refreshRate) <
               std::tie(b.width, b.height, b.refreshRate);
    });
    if (index >= modes.size()) return false;
    *mode = modes[index];
    return true;
}

RenderDevice* CreateRenderDevice(WindowHandle focusWindow, const PresentParams& params,
                                 DeviceKind kind) {
    const WindowHandle handleOfWindow = params.deviceWindow ? params.deviceWindow : focusWindow;
    SDL_Window* window = SdlWindowOf(handleOfWindow);
    if (!window) return nullptr;
    if (!params.windowed) {
        SDL_DisplayMode mode{SDL_PIXELFORMAT_RGB888, static_cast<int>(params.backBufferWidth),
                             static_cast<int>(params.backBufferHeight),
                             static_cast<int>(params.fullScreenRefreshRate), nullptr};
        if (SDL_SetWindowDisplayMode(window, &mode) != 0 ||
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) != 0) {
            return nullptr;
        }
    }
    const Uint32 flags = kind == DeviceKind::AcceleratedVsync
                             ? SDL_RENDERER_ACCELERATED | SDL_RENDERER_PRESENTVSYNC
                             : SDL_RENDERER_SOFTWARE;
    SDL_Renderer* renderer = SDL_CreateRenderer(window, -1, flags | SDL_RENDERER_TARGETTEXTURE);
    if (!renderer) return nullptr;
    SDL_RendererInfo info;
    const bool accelerated =
        SDL_GetRendererInfo(renderer, &info) == 0 && (info.flags & SDL_RENDERER_ACCELERATED) != 0;
    // A render-driver hint can hand back the software renderer for any request;
    // that is not an accelerated device.
    if (kind == DeviceKind::AcceleratedVsync && !accelerated) {
        SDL_DestroyRenderer(renderer);
        return nullptr;
    }
    auto device = std::make_unique<RenderDevice>();
    device->renderer = renderer;
    FieldSizeOf(handleOfWindow, &device->fieldWidth, &device->fieldHeight);
    if (device->fieldWidth > 0 && device->fieldHeight > 0) {
        device->field = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET,
                                          device->fieldWidth, device->fieldHeight);
    }
    if (device->field) {
        SDL_SetTextureBlendMode(device->field, SDL_BLENDMODE_NONE);
        SDL_SetRenderTarget(renderer, device->field);
    }
    RenderDevice* handle = device.get();
    Devices().push_back(std::move(device));
    SDL_AddEventWatch(WatchDeviceEvents, handle);
    Current() = handle;
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
    return handle;
}

RenderDevice* CurrentRenderDevice() { return Current(); }

void SetRenderTarget(RenderDevice* device, Texture* target) {
    SDL_Renderer* renderer = RendererOf(device);
    if (!renderer) return;
    SDL_SetRenderTarget(renderer, target ? target->sdl : device->field);
    SDL_RenderSetViewport(renderer, nullptr);
}

void SetViewport(RenderDevice* device, int32_t x, int32_t y, int32_t width, int32_t height) {
    SDL_Renderer* renderer = RendererOf(device);
    if (!renderer) return;
    const SDL_Rect rect{x, y, std::max(width, 0), std::max(height, 0)};
    SDL_RenderSetViewport(renderer, &rect);
}

void ClearViewport(RenderDevice* device, uint32_t argb) {
    SDL_Renderer* renderer = RendererOf(device);
    if (!renderer) return;
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_NONE);
    SDL_SetRenderDrawColor(renderer, static_cast<Uint8>(argb >> 16), static_cast<Uint8>(argb >> 8),
                           static_cast<Uint8>(argb), static_cast<Uint8>(argb >> 24));
    SDL_RenderFillRect(renderer, nullptr);  // the whole viewport
    SDL_SetRenderDrawBlendMode(renderer, SDL_BLENDMODE_BLEND);
}

namespace {

// Puts the field into the window's back buffer, scaled to fill it with its
// aspect kept, between neutral bars, and leaves the window as the target.
void ComposeWindow(RenderDevice* device) {
    SDL_Renderer* renderer = device->renderer;
    SDL_SetRenderTarget(renderer, nullptr);
    int width = 0, height = 0;
    SDL_GetRendererOutputSize(renderer, &width, &height);
    const FieldView view = FitField(device->fieldWidth, device->fieldHeight, width, height);
    SDL_SetRenderDrawColor(renderer, kBars >> 16 & 0xFF, kBars >> 8 & 0xFF, kBars & 0xFF, 0xFF);
    SDL_RenderClear(renderer);
    // Whole multiples stay sharp; other scales are filtered smooth.
    SDL_SetTextureScaleMode(device->field,
                            view.integerScale ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
    const SDL_Rect placed{view.x, view.y, view.width, view.height};
    SDL_RenderCopy(renderer, device->field, nullptr, &placed);
}

// Composes the window, does `then` with it, and gives the frame back whatever
// target and viewport it had set.
template <typename Then>
bool WithWindowComposed(RenderDevice* device, Then then) {
    SDL_Renderer* renderer = device->renderer;
    SDL_Texture* target = SDL_GetRenderTarget(renderer);
    SDL_Rect viewport;
    SDL_RenderGetViewport(renderer, &viewport);
    ComposeWindow(device);
    const bool ok = then();
    SDL_SetRenderTarget(renderer, target);
    SDL_RenderSetViewport(renderer, &viewport);
    return ok;
}

}  // namespace

bool PresentFrame(RenderDevice* device, const PresentParams&) {
    SDL_Renderer* renderer = RendererOf(device);
    if (!renderer) return false;
    if (device->field) {
        WithWindowComposed(device, [renderer] {
            SDL_RenderPresent(renderer);
            return true;
        });
    } else {
        SDL_RenderPresent(renderer);
    }
    return !device->lost;
}

bool ReadWindowPixels(std::vector<uint32_t>* argb, int* width, int* height) {
    RenderDevice* device = Current();
    SDL_Renderer* renderer = RendererOf(device);
    if (!renderer || !argb || !device->field) return false;
    return WithWindowComposed(device, [&] { return ReadFramePixels(argb, width, height); });
}

bool ResetDevice(RenderDevice* device, const PresentParams&) {
    SDL_Renderer* renderer = RendererOf(device);
    if (!renderer) return false;
    device->lost = false;
    SDL_SetRenderTarget(renderer, device->field);
    SDL_RenderSetViewport(renderer, nullptr);
    return true;
}

void SetTransform(RenderDevice* device, TransformKind kind, const float matrix[16]) {
    if (!device || !matrix) return;
    float* kept = kind == TransformKind::View ? device->view : device->projection;
    std::memcpy(kept, matrix, sizeof(float) * 16);
}

bool GetTransform(RenderDevice* device, TransformKind kind, float matrix[16]) {
    if (!device || !matrix) return false;
    const float* kept = kind == TransformKind::View ? device->view : device->projection;
    std::memcpy(matrix, kept, sizeof(float) * 16);
    return true;
}

bool ReadFramePixels(std::vector<uint32_t>* argb, int* width, int* height) {
    SDL_Renderer* renderer = RendererOf(Current());
    if (!renderer || !argb) return false;
    SDL_Rect viewport;
    SDL_RenderGetViewport(renderer, &viewport);
    SDL_RenderSetViewport(renderer, nullptr);  // the whole target
    int w = 0, h = 0;
    bool ok = SDL_GetRendererOutputSize(renderer, &w, &h) == 0 && w > 0 && h > 0;
    if (ok) {
        argb->assign(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
        ok = SDL_RenderReadPixels(renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, argb->data(),
                                  w * 4) == 0;
    }
    SDL_RenderSetViewport(renderer, &viewport);
    if (width) *width = ok ? w : 0;
    if (height) *height = ok ? h : 0;
    return ok;
}

// --- Textures -----------------------------------------------------------------------

Texture* LoadTexture(RenderDevice* device, const char* path) {
    SDL_Renderer* renderer = RendererOf(device);
    if (!renderer || !path || !*path) return nullptr;
    EnsureImageLoader();
    // Found in the working folder, beside the program or in the installed data.
    SDL_Surface* decoded = IMG_Load(FindDataFile(path).c_str());
    if (!decoded) return nullptr;
    SDL_Surface* surface = SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_ARGB8888, 0);
    SDL_FreeSurface(decoded);
    if (!surface) return nullptr;
    // Opaque white is the transparent colour of the game's art.
    for (int y = 0; y < surface->h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                                static_cast<size_t>(y) * surface->pitch);
        for (int x = 0; x < surface->w; ++x) {
            if (row[x] == 0xFFFFFFFFu) row[x] = 0x00000000u;
        }
    }
    SDL_Texture* sdl = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888,
                                         SDL_TEXTUREACCESS_STATIC, surface->w, surface->h);
    if (sdl && SDL_UpdateTexture(sdl, nullptr, surface->pixels, surface->pitch) != 0) {
        SDL_DestroyTexture(sdl);
        sdl = nullptr;
    }
    auto* texture = sdl ? new Texture{sdl, surface->w, surface->h} : nullptr;
    SDL_FreeSurface(surface);
    if (!texture) return nullptr;
    SDL_SetTextureBlendMode(sdl, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(sdl, SDL_ScaleModeLinear);
    return texture;
}

Texture* CreateTargetTexture(RenderDevice* device, int width, int height) {
    SDL_Renderer* renderer = RendererOf(device);
    if (!renderer || width <= 0 || height <= 0) return nullptr;
    SDL_Texture* sdl = SDL_CreateTexture(renderer, SDL_PIXELFORMAT_ARGB8888,
                                         SDL_TEXTUREACCESS_TARGET, width, height);
    if (!sdl) return nullptr;
    SDL_SetTextureBlendMode(sdl, SDL_BLENDMODE_BLEND);
    SDL_SetTextureScaleMode(sdl, SDL_ScaleModeLinear);
    return new Texture{sdl, width, height};
}

void ReleaseTexture(Texture* texture) {
    if (!texture) return;
    if (texture->sdl) SDL_DestroyTexture(texture->sdl);
    delete texture;
}

bool GetTextureSize(const Texture* texture, int* width, int* height) {
    if (width) *width = texture ? texture->width : 0;
    if (height) *height = texture ? texture->height : 0;
    return texture != nullptr;
}

// --- Sprites -------------------------------------------------------------------------

Sprite* CreateSprite(RenderDevice* device) {
    if (!RendererOf(device)) return nullptr;
    return new Sprite{device};
}

void ReleaseSprite(Sprite* sprite) { delete sprite; }

void DrawSpriteTexture(Sprite* sprite, Texture* texture, const Placement& placement,
                       uint32_t argb) {
    if (!sprite || !texture || !texture->sdl) return;
    SDL_Renderer* renderer = RendererOf(sprite->device);
    if (!renderer) return;
    DrawPlaced(renderer, texture->sdl, texture->width, texture->height, placement, argb);
}

SDL_Renderer* SdlRendererOf(RenderDevice* device) { return RendererOf(device); }

SDL_Texture* SdlTextureOf(Texture* texture) { return texture ? texture->sdl : nullptr; }
