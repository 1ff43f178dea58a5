#include "graphics/Overlay.h"

#include "graphics/Graphics.h"
#include "graphics/cMetaObject.h"
#include "graphics/cTextureManager.h"

namespace {

constexpr uint32_t kDimmed = 0x99FFFFFFu;  // the shade at 60 % over the field
constexpr uint32_t kWhite = 0xFFFFFFFFu;

// "一時停止中　Ｐキーで再開"
constexpr char kPausedText[] =
    "\x88\xEA\x8E\x9E\x92\xE2\x8E\x7E\x92\x86\x81\x40\x82\x6F\x83\x4C\x81\x5B\x82\xC5\x8D\xC4"
    "\x8A\x4A";
// "相手の応答を待っています…"
constexpr char kWaitingText[] =
    "\x91\x8A\x8E\xE8\x82\xCC\x89\x9E\x93\x9A\x82\xF0\x91\xD2\x82\xC1\x82\xC4\x82\xA2\x82\xDC"
    "\x82\xB7\x81\x63";
// Where the two notices start so that they sit in the middle of the field.
constexpr int32_t kPausedX = 224;
constexpr int32_t kWaitingX = 208;
constexpr int32_t kNoticeY = 300;

}  // namespace

cOverlay::cOverlay(const char* textSjis, int32_t x, int32_t y) {
    static const bool registered = [] {
        textureManager.RegisterTexture("Shade", "Graphic/Shade.png");
        return true;
    }();
    (void)registered;
    const auto w = static_cast<int32_t>(graphics.screenWidth);
    const auto h = static_cast<int32_t>(graphics.screenHeight);
    shade_ = new cSprite("Shade", w / 2, h / 2, w, h);
    shade_->color = kDimmed;
    label_ = new cFont(textSjis, x, y);
    label_->color = kWhite;
}

cOverlay::~cOverlay() {
    delete label_;
    delete shade_;
}

std::unique_ptr<cOverlay> NewPauseNotice() {
    return std::make_unique<cOverlay>(kPausedText, kPausedX, kNoticeY);
}

std::unique_ptr<cOverlay> NewWaitingNotice() {
    return std::make_unique<cOverlay>(kWaitingText, kWaitingX, kNoticeY);
}
