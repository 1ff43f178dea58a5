// A notice over the field: the field dimmed, and one line of text on it. Made
// last, it is drawn over everything the scene shows; deleting it takes it off.
#pragma once

#include <cstdint>

class cFont;
class cSprite;

class cOverlay {
public:
    // textSjis: the notice in Shift_JIS, starting at (x, y) as labels do.
    cOverlay(const char* textSjis, int32_t x, int32_t y);
    ~cOverlay();
    cOverlay(const cOverlay&) = delete;
    cOverlay& operator=(const cOverlay&) = delete;

private:
    cSprite* shade_ = nullptr;
    cFont* label_ = nullptr;
};
