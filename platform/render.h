// The drawing device: what stands in for the Direct3D device, the D3DX sprite
// and font interfaces and the texture loader.
//
// The device is an SDL renderer for the game window. Everything here is
// opaque to the rest of the game: graphics/ holds handles and calls these
// functions, and only this layer knows about SDL, SDL_image, SDL_ttf and
// fontconfig. Every function accepts null handles and then does nothing (or
// answers false / null), so display objects made without a device are harmless.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <vector>

#include "platform/window.h"

struct RenderDevice;  // the renderer of the game window
struct Texture;       // a decoded picture (or a render target) on the device
struct Sprite;        // a display object's drawing interface
struct Font;          // a font face with the object's own cache of rendered text

// Pixel formats the device set-up speaks of (the Direct3D numbering).
constexpr uint32_t kFormatUnknown = 0;    // the desktop's format
constexpr uint32_t kFormatX8R8G8B8 = 22;  // 32 bits, 8 each of red, green, blue
constexpr uint32_t kFormatD16 = 80;       // 16-bit depth
constexpr uint32_t kSwapEffectDiscard = 1;

// How the device is to be made; kept by the graphics state for the reset.
struct PresentParams {
    uint32_t backBufferWidth = 0;   // 0 in a window: the client area's size
    uint32_t backBufferHeight = 0;
    uint32_t backBufferFormat = kFormatUnknown;
    uint32_t backBufferCount = 0;
    uint32_t multiSampleType = 0;
    uint32_t multiSampleQuality = 0;
    uint32_t swapEffect = 0;
    WindowHandle deviceWindow = nullptr;
    bool windowed = false;
    bool enableAutoDepthStencil = false;
    uint32_t autoDepthStencilFormat = kFormatUnknown;
    uint32_t flags = 0;
    uint32_t fullScreenRefreshRate = 0;
    uint32_t presentationInterval = 0;  // 0: wait for the display's refresh
};

// One display mode of the default display.
struct DisplayMode {
    uint32_t width = 0;
    uint32_t height = 0;
    uint32_t refreshRate = 0;
    uint32_t format = kFormatUnknown;
};

// Reads mode `index` of the default display among the 32-bit modes into *mode.
// False when there is no such mode (the list has ended); *mode is then left alone.
bool EnumDisplayMode(uint32_t index, DisplayMode* mode);

// The ways to make a device, tried in this order by the graphics set-up.
enum class DeviceKind {
    AcceleratedVsync,  // a hardware renderer whose presentation waits for the refresh
    Software,          // SDL's software renderer (always the one in headless runs)
};

// Makes the device for params.deviceWindow, or the given window when that is
// null. Full screen (params.windowed false) switches the window to the back
// buffer's mode first. Null when this kind of device cannot be made.
RenderDevice* CreateRenderDevice(WindowHandle focusWindow, const PresentParams& params,
                                 DeviceKind kind);

// --- The frame -------------------------------------------------------------

// Draws into `target` (a texture made by CreateTargetTexture), or into the
// back buffer when it is null: the field's own picture, which the
// presentation shows scaled to the window. The viewport becomes the whole target.
void SetRenderTarget(RenderDevice* device, Texture* target);
// Limits drawing and clearing to a rectangle of the current target.
void SetViewport(RenderDevice* device, int32_t x, int32_t y, int32_t width, int32_t height);
// Fills the current viewport with an ARGB colour, replacing what is there.
void ClearViewport(RenderDevice* device, uint32_t argb);
// Shows the back buffer. False when the device was lost since the last
// presentation (the renderer reported that its targets or device were reset).
bool PresentFrame(RenderDevice* device, const PresentParams& params);
// Brings a lost device back to its starting state: the back buffer as the
// target, the whole of it as the viewport. Textures are not re-created.
bool ResetDevice(RenderDevice* device, const PresentParams& params);

// The camera pass's transforms, kept with the device (row-major 4 x 4).
enum class TransformKind { View, Projection };
void SetTransform(RenderDevice* device, TransformKind kind, const float matrix[16]);
// Copies a kept transform out; false without a device.
bool GetTransform(RenderDevice* device, TransformKind kind, float matrix[16]);

// Reads the current render target as ARGB8888 pixels, row by row. On SDL's
// software renderer call it before PresentFrame: after a presentation the back
// buffer's contents are undefined.
bool ReadFramePixels(std::vector<uint32_t>* argb, int* width = nullptr, int* height = nullptr);
// The window as the next presentation shows it: the field scaled into it
// between the bars (ARGB8888, row by row). Call it before PresentFrame.
bool ReadWindowPixels(std::vector<uint32_t>* argb, int* width = nullptr, int* height = nullptr);
// The device most recently made (the game has one), or null.
RenderDevice* CurrentRenderDevice();

// --- Textures ----------------------------------------------------------------

// Decodes an image file into a new texture owned by the caller: 32-bit with
// alpha, every texel of exactly opaque white (0xFFFFFFFF) turned into
// transparent black, linear filtering. Null when the file cannot be read or
// decoded or there is no device.
Texture* LoadTexture(RenderDevice* device, const char* path);
// A new texture that a camera can draw into; null without a device.
Texture* CreateTargetTexture(RenderDevice* device, int width, int height);
// Frees a texture; null is allowed.
void ReleaseTexture(Texture* texture);
// The texture's size in texels; false (and 0 x 0) for null.
bool GetTextureSize(const Texture* texture, int* width, int* height);

// --- Display objects -----------------------------------------------------------

// Where a picture lands on the screen. Its local rectangle starts at (left, top)
// relative to the pivot; it is scaled by (scaleX, scaleY), then turned about the
// pivot by `angle` radians (positive turns from +x towards +y, clockwise on the
// screen), then moved so that the pivot lies at (x, y).
struct Placement {
    float left = 0.0f;
    float top = 0.0f;
    float scaleX = 1.0f;
    float scaleY = 1.0f;
    float angle = 0.0f;
    float x = 0.0f;
    float y = 0.0f;
};

// A display object's drawing interface on the device; null without a device.
Sprite* CreateSprite(RenderDevice* device);
void ReleaseSprite(Sprite* sprite);
// Draws the whole texture as its local rectangle (its size in texels),
// alpha-blended, colour and alpha modulated by `argb`.
void DrawSpriteTexture(Sprite* sprite, Texture* texture, const Placement& placement,
                       uint32_t argb);

// What a label's font asks for. The face name is Shift_JIS, as the game keeps it.
struct FontDescription {
    int32_t height = 0;  // cell height in pixels
    uint32_t weight = 0; // 100 (thin) to 900 (black); 400 is regular
    uint8_t charSet = 0;
    char faceName[32] = {};
};

// A font for one label: the closest installed face to the description, found
// through fontconfig, and the label's own cache of rendered text. Without a
// Japanese face a Latin sans face stands in (said once on standard error), so
// digits and Latin letters still show. Null when no usable face is installed
// or there is no device.
Font* CreateFont(RenderDevice* device, const FontDescription& description);
void ReleaseFont(Font* font);
// How a label's bytes are to be read: the game's own Shift_JIS, or UTF-8
// (translated texts, in any language).
enum class TextEncoding { ShiftJis, Utf8 };
// Draws text (up to `text.size()` bytes) with its top-left corner at the
// placement's local (left, top), in colour `argb`. The text is converted and
// rendered only when it differs from the text the font drew last.
void DrawSpriteText(Sprite* sprite, Font* font, std::string_view text,
                    const Placement& placement, uint32_t argb,
                    TextEncoding encoding = TextEncoding::ShiftJis);
// The width in pixels that `text` takes in this font (0 without a face).
int MeasureText(const Font* font, std::string_view text, TextEncoding encoding);
// How many times this font has rendered text (the cache's misses).
uint32_t FontRenderCount(const Font* font);
// The file of the face a description resolves to (UTF-8 path), or empty.
std::string_view ResolvedFontFile(const Font* font);
