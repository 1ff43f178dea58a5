// The menu as the player sees it: over the dimmed field, in the look of the
// help, a title, the rows of the page with the chosen one on a darker bar,
// a notice and the page's keys at the bottom; while typing, the text typed
// and the letters a pad picks from; one line may be drawn twice as large (a
// room code). Made anew whenever what it shows changes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class cFont;
class cOverlay;
class cSprite;

struct MenuLook {
    std::string title;
    std::vector<std::string> lines;
    std::vector<bool> rows;    // lines[i] can be chosen
    int selected = -1;         // in lines, or the chooser's letter while typing
    int large = -1;            // in lines: drawn twice as large (a room code); the lines around it stay empty
    std::string notice;
    std::string hint;
    bool typing = false;
    std::string typed;
    std::string chooser;
    bool help = false;         // the game's help page instead

    bool operator==(const MenuLook& o) const {
        return title == o.title && lines == o.lines && rows == o.rows && selected == o.selected && large == o.large &&
               notice == o.notice && hint == o.hint && typing == o.typing && typed == o.typed &&
               chooser == o.chooser && help == o.help;
    }
};

class cMenuView {
public:
    // Where the rows are: the first centred at kFirstRowY, each next kRowSpacing lower.
    static constexpr int32_t kFirstRowY = 100;
    static constexpr int32_t kRowSpacing = 40;

    cMenuView();
    ~cMenuView();
    cMenuView(const cMenuView&) = delete;
    cMenuView& operator=(const cMenuView&) = delete;

    // Shows `look` (made again only when it differs from what is shown).
    void Show(const MenuLook& look);
    // Takes the menu off the field.
    void Hide();
    bool Shown() const { return shown_; }
    // The row (0 = the first in view) under field point (x, y); -1 for none.
    static int RowAt(float x, float y, int rowsInView);

private:
    void Clear();
    cFont* Label(const std::string& text, int32_t y, uint32_t colour, int32_t left = -1, int scale = 1);
    void Notice(const std::string& text);

    bool shown_ = false;
    MenuLook look_;
    cSprite* shade_ = nullptr;
    cSprite* bar_ = nullptr;
    std::vector<cFont*> labels_;
    std::unique_ptr<cOverlay> help_;
    std::unique_ptr<cOverlay> notice_;  // a notice too wide for one line, broken into several
};
