#include "graphics/MenuView.h"

#include <cstdio>

#include "graphics/Graphics.h"
#include "graphics/Overlay.h"
#include "graphics/cMetaObject.h"

namespace {

constexpr uint32_t kBar = 0xE0303848u;     // under the chosen row
constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kLine = 0xFFE8E8E8u;    // lines that cannot be chosen
constexpr uint32_t kNotice = 0xFFFFE08Au;
constexpr uint32_t kChosen = 0xFFFFD54Au;
constexpr int32_t kTitleY = 40;
constexpr int32_t kTypedY = 200;
constexpr int32_t kChooserY = 290;
constexpr int32_t kNoticeY = 546;
constexpr int32_t kHintY = 582;
// A label's text starts this far left of and above its position.
constexpr int32_t kLabelOffset = 16;
// A label's glyphs lie this far below the top of its text, about: a label
// twice as large goes up by as much, to keep its middle on its row.
constexpr int32_t kLargeRise = 22;
// A notice wider than the field less these margins takes several lines.
constexpr int32_t kNoticeMargin = 8;
constexpr int32_t kNoticeSpacing = 36;

}  // namespace

cMenuView::cMenuView() = default;
cMenuView::~cMenuView() { Clear(); }

int cMenuView::RowAt(float x, float y, int rowsInView) {
    if (!(x >= 0.0f && x < 800.0f)) return -1;
    const float top = static_cast<float>(kFirstRowY - kRowSpacing / 2);
    if (!(y >= top)) return -1;
    const int row = static_cast<int>((y - top) / kRowSpacing);
    return row < rowsInView ? row : -1;
}

cFont* cMenuView::Label(const std::string& text, int32_t y, uint32_t colour, int32_t left, int scale) {
    auto* label = new cFont("", 0, y);
    label->utf8 = true;
    std::snprintf(label->text, sizeof label->text, "%s", text.c_str());
    label->color = colour;
    // A larger label is the same text stretched; its middle stays where a
    // label of one size would have it.
    label->size[0] *= static_cast<float>(scale);
    label->size[1] *= static_cast<float>(scale);
    const int32_t w = static_cast<int32_t>(graphics.screenWidth);
    const int32_t x = left >= 0 ? left : w / 2 - label->TextWidth() * scale / 2 + kLabelOffset * scale;
    label->SetPosition(x, y + (scale - 1) * (kLabelOffset - kLargeRise));
    labels_.push_back(label);
    return label;
}

// At the foot of the page, on as many lines as it needs (upwards).
void cMenuView::Notice(const std::string& text) {
    const int32_t w = static_cast<int32_t>(graphics.screenWidth);
    cFont* one = Label(text, kNoticeY, kNotice);
    const int32_t width = one->TextWidth();
    if (width <= w - 2 * kNoticeMargin) return;
    labels_.pop_back();
    delete one;
    const int32_t lines = (width + w - 2 * kNoticeMargin - 1) / (w - 2 * kNoticeMargin);
    cOverlay::Layout layout;
    layout.top = kNoticeY - (lines - 1) * kNoticeSpacing;
    layout.spacing = kNoticeSpacing;
    layout.shaded = false;
    layout.colour = kNotice;
    notice_ = std::make_unique<cOverlay>(std::vector<std::string>{text}, layout);
}

void cMenuView::Clear() {
    for (cFont* label : labels_) delete label;
    labels_.clear();
    delete bar_;
    bar_ = nullptr;
    delete shade_;
    shade_ = nullptr;
    help_.reset();
    notice_.reset();
}

void cMenuView::Hide() {
    Clear();
    shown_ = false;
    look_ = MenuLook{};
}

void cMenuView::Show(const MenuLook& look) {
    // Made again also when something was put on the field after it (a new die
    // of a game that goes on beneath): the menu is drawn last, over it all.
    const auto& list = graphics.drawList2D;
    const bool onTop = help_ || (!labels_.empty() && !list.empty() && list.back() == labels_.back());
    if (shown_ && look == look_ && onTop) return;
    Clear();
    shown_ = true;
    look_ = look;
    if (look.help) {
        help_ = NewHelp();
        return;
    }
    const auto w = static_cast<int32_t>(graphics.screenWidth);
    shade_ = NewFieldShade();
    Label(look.title, kTitleY, kWhite);
    if (look.typing) {
        Label(look.typed + "_", kTypedY, kWhite);
        // The letters, with the chosen one on the bar.
        cFont* letters = Label(look.chooser, kChooserY, kLine);
        const int32_t start = static_cast<int32_t>(letters->position[0]) - kLabelOffset;
        if (look.selected >= 0 && look.selected < static_cast<int>(look.chooser.size())) {
            cFont measure("", 0, 0);
            measure.utf8 = true;
            std::snprintf(measure.text, sizeof measure.text, "%s", look.chooser.substr(0, look.selected).c_str());
            const int32_t before = measure.TextWidth();
            std::snprintf(measure.text, sizeof measure.text, "%s", look.chooser.substr(0, look.selected + 1).c_str());
            const int32_t through = measure.TextWidth();
            bar_ = new cSprite("Shade", start + (before + through) / 2, kChooserY, through - before + 6, 36);
            bar_->color = kBar;
            // Drawn again over the bar, so the chosen letter stands out.
            Label(look.chooser.substr(look.selected, 1), kChooserY, kChosen, start + before + kLabelOffset);
        }
        for (size_t i = 0; i < look.lines.size(); ++i) {
            Label(look.lines[i], kChooserY + 60 + static_cast<int32_t>(i) * kRowSpacing, kLine);
        }
    } else {
        for (size_t i = 0; i < look.lines.size(); ++i) {
            const int32_t y = kFirstRowY + static_cast<int32_t>(i) * kRowSpacing;
            const bool chosen = static_cast<int>(i) == look.selected;
            if (chosen) {
                bar_ = new cSprite("Shade", w / 2, y, w - 80, kRowSpacing - 4);
                bar_->color = kBar;
            }
            const bool large = static_cast<int>(i) == look.large;
            Label(look.lines[i], y, chosen || large ? kChosen : (look.rows[i] ? kWhite : kLine), -1, large ? 2 : 1);
        }
    }
    if (!look.notice.empty()) Notice(look.notice);
    Label(look.hint, kHintY, kLine);
}
