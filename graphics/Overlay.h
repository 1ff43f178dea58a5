// Notices over the field: the field dimmed, and one line of text on it, or
// the line alone. Made last, a notice is drawn over everything the scene
// shows; deleting it takes it off.
#pragma once

#include <cstdint>
#include <memory>

class cFont;
class cSprite;

class cOverlay {
public:
    // textSjis: the notice in Shift_JIS, starting at (x, y) as labels do;
    // shaded: the field is dimmed under it; colour: of the text (ARGB).
    cOverlay(const char* textSjis, int32_t x, int32_t y, bool shaded = true,
             uint32_t colour = 0xFFFFFFFFu);
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
// The notices about the players on this machine, each line in the middle
// of the field; the players' numbers in full-width digits.
// "プレイヤー２のパッドをつないでください" (connect a pad for player 2): the
// game waits for it.
std::unique_ptr<cOverlay> NewPadWantedNotice(int player);
// "プレイヤー２のパッドが抜けました" (player 2's pad came out), white under the
// pause notice, on the field the pause dims. players: bit p for player p + 1.
std::unique_ptr<cOverlay> NewPadLeftNotice(uint32_t players);
// "プレイヤー２：難易度５　Ａで決定" (player 2: difficulty 5, A decides), black
// on the undimmed field, at the top: line 0, 1, ... downwards.
std::unique_ptr<cOverlay> NewChoiceNotice(int player, int difficulty, int line);
