#include "graphics/Overlay.h"

#include <algorithm>
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
constexpr uint32_t kDarkGrey = 0xFF404040u;
constexpr int32_t kPadLeftY = 350;  // under the pause notice
constexpr int32_t kChoiceY = 32;    // the first line at the top
constexpr int32_t kChoiceLine = 36;
constexpr int32_t kWayY = 566;       // at the foot of the field
// A label's text starts this far left of and above its position.
constexpr int32_t kLabelOffset = 16;
// Every line keeps this far inside the field's edges (as the score does), and
// takes this much height.
constexpr int32_t kMargin = 4;
constexpr int32_t kLineHeight = 40;

int Measure(const cFont& probe, const std::string& text) {
    return MeasureText(probe.font, text, TextEncoding::Utf8);
}

// Where a line may break before byte i: at a space, or after a Japanese
// space or comma (the break then keeps them on the line above).
bool BreakBefore(const std::string& line, size_t i) {
    if (line[i] == ' ') return true;
    static const char* const kAfter[] = {"\xE3\x80\x80", "\xE3\x80\x81", "\xEF\xBC\x8C"};  // 　、，
    for (const char* mark : kAfter) {
        if (i >= 3 && line.compare(i - 3, 3, mark) == 0) return true;
    }
    return false;
}

std::string Trimmed(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    if (first == std::string::npos) return "";
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The line as lines no wider than `width` as `probe` draws them: broken at
// the last place that keeps a piece inside, else between any two characters.
std::vector<std::string> Fit(const cFont& probe, const std::string& line, int width) {
    std::vector<std::string> pieces;
    std::string rest = line;
    while (!rest.empty() && Measure(probe, rest) > width) {
        size_t fits = 0;      // bytes of the longest piece that fits
        size_t lastBreak = 0;
        for (size_t i = 1; i <= rest.size(); ++i) {
            if (i < rest.size() && (static_cast<unsigned char>(rest[i]) & 0xC0) == 0x80) continue;
            if (Measure(probe, Trimmed(rest.substr(0, i))) > width) break;
            fits = i;
            if (i < rest.size() && BreakBefore(rest, i)) lastBreak = i;
        }
        size_t cut = lastBreak > 0 ? lastBreak : fits;
        if (cut == 0) {  // not even one character fits: it goes alone
            cut = 1;
            while (cut < rest.size() && (static_cast<unsigned char>(rest[cut]) & 0xC0) == 0x80) ++cut;
        }
        pieces.push_back(Trimmed(rest.substr(0, cut)));
        rest = Trimmed(rest.substr(cut));
    }
    if (!rest.empty() || pieces.empty()) pieces.push_back(rest);
    return pieces;
}

}  // namespace

cSprite* NewFieldShade() {
    static const bool registered = [] {
        textureManager.RegisterTexture("Shade", "Graphic/Shade.png");
        return true;
    }();
    (void)registered;
    const auto w = static_cast<int32_t>(graphics.screenWidth);
    const auto h = static_cast<int32_t>(graphics.screenHeight);
    auto* shade = new cSprite("Shade", w / 2, h / 2, w, h);
    shade->color = kDimmed;
    return shade;
}

cOverlay::cOverlay(const std::vector<std::string>& lines, const Layout& layout) {
    const auto w = static_cast<int32_t>(graphics.screenWidth);
    const auto h = static_cast<int32_t>(graphics.screenHeight);
    if (layout.shaded) shade_ = NewFieldShade();
    // A line too wide for the field is broken into several; a line from
    // `left` that would pass the right edge goes left as far as it must (the
    // pieces of a broken line all start where its widest must).
    std::vector<std::string> fitted;
    std::vector<int32_t> lefts;
    {
        cFont probe("", 0, 0);
        for (const std::string& line : lines) {
            const std::vector<std::string> pieces = Fit(probe, line, w - 2 * kMargin);
            int32_t left = layout.left;
            for (const std::string& piece : pieces) {
                left = std::min(left, w - kMargin - Measure(probe, piece) + kLabelOffset);
            }
            fitted.insert(fitted.end(), pieces.begin(), pieces.end());
            lefts.insert(lefts.end(), pieces.size(), left);
        }
    }
    // Lines that would reach below the field go up, and closer if need be.
    int32_t y = layout.top;
    int32_t spacing = layout.spacing;
    const auto gaps = static_cast<int32_t>(fitted.size()) - 1;
    const int32_t lowest = h - kMargin - kLineHeight + kLabelOffset;
    if (gaps > 0 && y + gaps * spacing > lowest) {
        y = std::max(kMargin + kLabelOffset, lowest - gaps * spacing);
        spacing = std::min(spacing, (lowest - y) / gaps);
    }
    for (size_t i = 0; i < fitted.size(); ++i) {
        auto* label = new cFont("", layout.left < 0 ? 0 : lefts[i], y);
        label->utf8 = true;
        std::snprintf(label->text, sizeof label->text, "%s", fitted[i].c_str());
        label->color = layout.colour;
        if (layout.left < 0) {  // centred, by what the line really measures
            label->SetPosition(w / 2 - label->TextWidth() / 2 + kLabelOffset, y);
        }
        labels_.push_back(label);
        y += spacing;
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

std::unique_ptr<cOverlay> NewWayNotice(bool relayed, int roundTripMs) {
    cOverlay::Layout layout;
    layout.top = kWayY;
    layout.shaded = false;
    layout.colour = kDarkGrey;
    return std::make_unique<cOverlay>(
        std::vector<std::string>{TranslateFormat(relayed ? kTextWayRelayed : kTextWayDirect, roundTripMs)}, layout);
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
