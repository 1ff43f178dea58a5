#include "graphics/Overlay.h"

#include <string>

#include "graphics/Graphics.h"
#include "graphics/cMetaObject.h"
#include "graphics/cTextureManager.h"
#include "platform/text.h"

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
constexpr int32_t kPadLeftY = 350;  // under the pause notice
constexpr int32_t kChoiceY = 32;    // the first line at the top
constexpr int32_t kChoiceLine = 36;
constexpr uint32_t kBlack = 0xFF000000u;

// A player's number in a full-width digit (UTF-8).
std::string Number(int n) {
    std::string digit = "\xEF\xBC\x90";  // U+FF10, full-width zero
    digit[2] = static_cast<char>(0x90 + (n < 0 ? 0 : (n > 9 ? 9 : n)));
    return digit;
}

// A line of text in Shift_JIS centred on the field: a label starts 16 pixels
// right of its left edge, a double-byte character is 32 pixels wide, a
// single-byte one 16.
std::unique_ptr<cOverlay> Centred(const std::string& utf8, int32_t y, bool shaded,
                                  uint32_t colour) {
    std::string sjis;
    Utf8ToSjis(utf8, &sjis);
    int32_t width = 0;
    for (size_t i = 0; i < sjis.size(); ++i) {
        const auto b = static_cast<unsigned char>(sjis[i]);
        const bool lead = (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
        width += lead ? 32 : 16;
        if (lead) ++i;
    }
    const int32_t x = static_cast<int32_t>(graphics.screenWidth) / 2 - width / 2 + 16;
    return std::make_unique<cOverlay>(sjis.c_str(), x, y, shaded, colour);
}

}  // namespace

cOverlay::cOverlay(const char* textSjis, int32_t x, int32_t y, bool shaded, uint32_t colour) {
    static const bool registered = [] {
        textureManager.RegisterTexture("Shade", "Graphic/Shade.png");
        return true;
    }();
    (void)registered;
    const auto w = static_cast<int32_t>(graphics.screenWidth);
    const auto h = static_cast<int32_t>(graphics.screenHeight);
    if (shaded) {
        shade_ = new cSprite("Shade", w / 2, h / 2, w, h);
        shade_->color = kDimmed;
    }
    label_ = new cFont(textSjis, x, y);
    label_->color = colour;
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

std::unique_ptr<cOverlay> NewPadWantedNotice(int player) {
    return Centred("プレイヤー" + Number(player) + "のパッドをつないでください", kNoticeY, true,
                   kWhite);
}

std::unique_ptr<cOverlay> NewPadLeftNotice(uint32_t players) {
    std::string numbers;
    for (int p = 0; p < 4; ++p) {
        if (!(players & (1u << p))) continue;
        if (!numbers.empty()) numbers += "・";
        numbers += Number(p + 1);
    }
    return Centred("プレイヤー" + numbers + "のパッドが抜けました", kPadLeftY, false, kWhite);
}

std::unique_ptr<cOverlay> NewChoiceNotice(int player, int difficulty, int line) {
    return Centred("プレイヤー" + Number(player) + "：難易度" + Number(difficulty) + "　Ａで決定",
                   kChoiceY + kChoiceLine * line, false, kBlack);
}
