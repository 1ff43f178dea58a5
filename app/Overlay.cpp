#include "app/Overlay.h"

#include "graphics/Graphics.h"
#include "graphics/cMetaObject.h"
#include "graphics/cTextureManager.h"

namespace {

constexpr uint32_t kDimmed = 0x99FFFFFFu;  // the shade at 60 % over the field
constexpr uint32_t kWhite = 0xFFFFFFFFu;

}  // namespace

cOverlay::cOverlay(const char* textSjis, int32_t x, int32_t y) {
    textureManager.RegisterTexture("Shade", "Graphic/Shade.png");
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
