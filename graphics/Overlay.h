// Notices over the field: the field dimmed, and one line of text on it. Made
// last, a notice is drawn over everything the scene shows; deleting it takes
// it off.
#pragma once

#include <cstdint>
#include <memory>

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

// "一時停止中　Ｐキーで再開" (paused; P resumes), in the middle of the field.
std::unique_ptr<cOverlay> NewPauseNotice();
// "相手の応答を待っています…" (waiting for the other player's answer).
std::unique_ptr<cOverlay> NewWaitingNotice();
