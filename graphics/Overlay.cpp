#include "graphics/Overlay.h"

#include <cstdio>
#include <cstring>

#include "graphics/Graphics.h"
#include "graphics/Texts.h"
#include "graphics/cMetaObject.h"
#include "graphics/cTextureManager.h"
#include "platform/translation.h"

namespace {

constexpr uint32_t kDimmed = 0x99FFFFFFu;  // the shade at 60 % over the field
constexpr uint32_t kBlack = 0xFF000000u;
constexpr uint32_t kGrey = 0xFF808080u;
constexpr int32_t kPadLeftY = 350;  // under the pause notice
constexpr int32_t kChoiceY = 32;    // the first line at the top
constexpr int32_t kChoiceLine = 36;
// A label's text starts this far left of and above its position.
constexpr int32_t kLabelOffset = 16;

}  // namespace

cOverlay::cOverlay(const std::vector<std::string>& lines, const Layout& layout) {
    static const bool registered = [] {
        textureManager.RegisterTexture("Shade", "Graphic/Shade.png");
        return true;
    }();
    (void)registered;
    const auto w = static_cast<int32_t>(graphics.screenWidth);
    const auto h = static_cast<int32_t>(graphics.screenHeight);
    if (layout.shaded) {
        shade_ = new cSprite("Shade", w / 2, h / 2, w, h);
        shade_->color = kDimmed;
    }
    int32_t y = layout.top;
    for (const std::string& line : lines) {
        auto* label = new cFont("", layout.left < 0 ? 0 : layout.left, y);
        label->utf8 = true;
        std::snprintf(label->text, sizeof label->text, "%s", line.c_str());
        label->color = layout.colour;
        if (layout.left < 0) {  // centred, by what the line really measures
            label->SetPosition(w / 2 - label->TextWidth() / 2 + kLabelOffset, y);
        }
        labels_.push_back(label);
        y += layout.spacing;
    }
}

cOverlay::~cOverlay() {
    for (cFont* label : labels_) delete label;
    delete shade_;
}

std::unique_ptr<cOverlay> NewPauseNotice() {
    return std::make_unique<cOverlay>(std::vector<std::string>{Translate(kTextPausedWithHelp)},
                                      cOverlay::Layout{});
}

std::unique_ptr<cOverlay> NewWaitingNotice() {
    return std::make_unique<cOverlay>(std::vector<std::string>{Translate(kTextWaiting)},
                                      cOverlay::Layout{});
}

std::unique_ptr<cOverlay> NewHelp() {
    std::vector<std::string> lines;
    for (const char* line : kHelpLines) lines.push_back(Translate(line));
    cOverlay::Layout layout;
    layout.top = 52;
    layout.spacing = 40;
    return std::make_unique<cOverlay>(lines, layout);
}

std::unique_ptr<cOverlay> NewMuteSign() {
    cOverlay::Layout layout;
    layout.left = 20;
    layout.top = 20;
    layout.shaded = false;
    layout.colour = kGrey;
    return std::make_unique<cOverlay>(std::vector<std::string>{"\xE2\x99\xAA\xC3\x97"}, layout);  // ♪×
}

std::unique_ptr<cOverlay> NewResultNotes(const std::vector<std::string>& lines) {
    cOverlay::Layout layout;
    layout.left = 300;  // under the result line
    layout.top = 350;
    layout.shaded = false;
    layout.colour = kBlack;
    return std::make_unique<cOverlay>(lines, layout);
}

std::unique_ptr<cOverlay> NewPadWantedNotice(int player) {
    return std::make_unique<cOverlay>(std::vector<std::string>{TranslateFormat(kTextPadWanted, player)},
                                      cOverlay::Layout{});
}

std::unique_ptr<cOverlay> NewPadLeftNotice(uint32_t players) {
    std::string numbers;
    for (int p = 0; p < 4; ++p) {
        if (!(players & (1u << p))) continue;
        if (!numbers.empty()) numbers += ", ";
        numbers += std::to_string(p + 1);
    }
    cOverlay::Layout layout;
    layout.top = kPadLeftY;
    layout.shaded = false;
    return std::make_unique<cOverlay>(std::vector<std::string>{TranslateFormat(kTextPadLeft, numbers.c_str())},
                                      layout);
}

std::unique_ptr<cOverlay> NewChoiceNotice(int player, int difficulty, int line) {
    cOverlay::Layout layout;
    layout.top = kChoiceY + kChoiceLine * line;
    layout.shaded = false;
    layout.colour = kBlack;
    return std::make_unique<cOverlay>(
        std::vector<std::string>{TranslateFormat(kTextChoice, player, difficulty)}, layout);
}
