#include "graphics/cMetaObject.h"

#include <cmath>
#include <cstring>
#include <string_view>

#include "graphics/Graphics.h"
#include "graphics/cTextureManager.h"

namespace {

// "ＭＳ　Ｐゴシック"
constexpr const char kFaceName[] = "\x82\x6C\x82\x72\x81\x40\x82\x6F\x83\x53\x83\x56\x83\x62\x83\x4E";
constexpr int32_t kFontHeight = 32;
constexpr uint32_t kFontWeight = 200;
constexpr uint8_t kShiftJisCharSet = 128;
constexpr float kLabelSize = 32.0f;

// Truncates towards zero; values no screen could need (and NaN) become 0.
int32_t Truncate(float value) {
    if (!(std::fabs(value) < 1.0e9f)) return 0;
    return static_cast<int32_t>(value);
}

}  // namespace

c2DMetaObject::~c2DMetaObject() {
    Unregister();
    ReleaseSprite(sprite);
    sprite = nullptr;
}

float* c2DMetaObject::GetPosition() { return position; }

void c2DMetaObject::SetPosition(int32_t x, int32_t y) {
    position[0] = static_cast<float>(x);
    position[1] = static_cast<float>(y);
}

void c2DMetaObject::SetPosition(float x, float y) {
    position[0] = x;
    position[1] = y;
}

void c2DMetaObject::Register() {
    if (registered) return;
    AddToDrawList(graphics.drawList2D, this);
    registered = true;
}

void c2DMetaObject::Unregister() {
    if (!registered) return;
    RemoveFromDrawList(graphics.drawList2D, this);
    registered = false;
}

bool c2DMetaObject::BuildTransform(int32_t refWidth, int32_t refHeight, float left, float top,
                                   Placement* placement) const {
    if (refWidth == 0 || refHeight == 0) return false;
    placement->left = left;
    placement->top = top;
    placement->scaleX = size[0] / static_cast<float>(refWidth);
    placement->scaleY = size[1] / static_cast<float>(refHeight);
    placement->angle = angle;
    placement->x = position[0];
    placement->y = position[1];
    return true;
}

cSprite::cSprite(const char* textureName, int32_t x, int32_t y, int32_t width, int32_t height) {
    registered = false;
    angle = 0.0f;
    SetPosition(x, y);
    color = 0xFFFFFFFFu;
    sprite = CreateSprite(graphics.device);
    texture = textureManager.CreateTexture(textureName);
    size[0] = static_cast<float>(width);
    size[1] = static_cast<float>(height);
    Register();
}

cSprite::~cSprite() {
    ReleaseTexture(texture);
    texture = nullptr;
}

void cSprite::Draw() {
    if (!sprite || !texture) return;  // no picture for the name: nothing to draw
    int width = 0, height = 0;
    GetTextureSize(texture, &width, &height);
    // The texture's centre on the position, the whole texture stretched to `size`.
    Placement placement;
    if (!BuildTransform(width, height, -static_cast<float>(width) * 0.5f,
                        -static_cast<float>(height) * 0.5f, &placement)) {
        return;
    }
    DrawSpriteTexture(sprite, texture, placement, color);
}

FontDescription cFont::Description() {
    FontDescription description;
    description.height = kFontHeight;
    description.weight = kFontWeight;
    description.charSet = kShiftJisCharSet;
    static_assert(sizeof kFaceName <= sizeof description.faceName, "face name fits");
    std::memcpy(description.faceName, kFaceName, sizeof kFaceName);
    return description;
}

cFont::cFont(const char* initialText, int32_t x, int32_t y) {
    registered = false;
    angle = 0.0f;
    SetPosition(x, y);
    size[0] = kLabelSize;
    size[1] = kLabelSize;
    color = 0xFF000000u;
    font = CreateFont(graphics.device, Description());
    if (initialText) {
        const size_t length = strnlen(initialText, sizeof text - 1);
        std::memcpy(text, initialText, length);
        text[length] = '\0';
    }
    sprite = CreateSprite(graphics.device);
    Register();
}

int cFont::TextWidth() const {
    return MeasureText(font, std::string_view(text, strnlen(text, sizeof text)),
                       utf8 ? TextEncoding::Utf8 : TextEncoding::ShiftJis);
}

cFont::~cFont() {
    ReleaseFont(font);
    font = nullptr;
}

void cFont::Draw() {
    if (!sprite || !font) return;
    // The text is scaled by the label's size against the usual 32 (32 / 32:
    // not scaled, for every label but a larger one); its rectangle's top-left
    // corner is half the size up and to the left of the position.
    Placement placement;
    if (!BuildTransform(Truncate(kLabelSize), Truncate(kLabelSize),
                        static_cast<float>(Truncate(-(kLabelSize * 0.5f))),
                        static_cast<float>(Truncate(-(kLabelSize * 0.5f))), &placement)) {
        return;
    }
    // Owners write `text` directly; it is read up to its NUL or its end.
    DrawSpriteText(sprite, font, std::string_view(text, strnlen(text, sizeof text)), placement,
                   color, utf8 ? TextEncoding::Utf8 : TextEncoding::ShiftJis);
}
