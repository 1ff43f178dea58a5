// Notices over the field: lines of text in the player's language, on the
// field dimmed or on the field as it is. Made last, a notice is drawn over
// everything the scene shows; deleting it takes it off.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class cFont;
class cSprite;

class cOverlay {
public:
    // Where the lines go: centred on the field, or starting at `left` (as a
    // label's position), the first at `top` and each next `spacing` lower.
    struct Layout {
        int32_t left = -1;  // -1: each line centred
        int32_t top = 300;
        int32_t spacing = 40;
        bool shaded = true;            // the field dimmed under the lines
        uint32_t colour = 0xFFFFFFFFu;  // of the text, ARGB
    };
    // linesUtf8: already in the player's language.
    cOverlay(const std::vector<std::string>& linesUtf8, const Layout& layout);
    ~cOverlay();
    cOverlay(const cOverlay&) = delete;
    cOverlay& operator=(const cOverlay&) = delete;

private:
    cSprite* shade_ = nullptr;
    std::vector<cFont*> labels_;
};

// The field dimmed as under the help: a sprite of the whole field (the
// caller owns it). Its texture, "Shade", is registered on the first call.
cSprite* NewFieldShade();

// "Paused: P resumes, F1 shows help", in the middle of the dimmed field.
std::unique_ptr<cOverlay> NewPauseNotice();
// "Waiting for the other machine's answer…".
std::unique_ptr<cOverlay> NewWaitingNotice();
// "Direct connection: 12 ms round trip" (or through the meeting server's
// relay), small at the foot of the field, for a few seconds after a game met
// by room code began.
std::unique_ptr<cOverlay> NewWayNotice(bool relayed, int roundTripMs);
// The help: the rules and the controls, over the dimmed field.
std::unique_ptr<cOverlay> NewHelp();
// A small sign in the top-left corner while the sound is off.
std::unique_ptr<cOverlay> NewMuteSign();
// Lines under the result line: the best score, the run's total, the hint.
std::unique_ptr<cOverlay> NewResultNotes(const std::vector<std::string>& linesUtf8);
// The notices about the players on this machine, each centred on the field.
// "Connect a game pad for player N": the game waits for it.
std::unique_ptr<cOverlay> NewPadWantedNotice(int player);
// "Player N's pad came out", under the pause notice, on the field the pause
// dims. players: bit p for player p + 1.
std::unique_ptr<cOverlay> NewPadLeftNotice(uint32_t players);
// "Player N: difficulty D, A decides", black on the field, at the top: line
// 0, 1, ... downwards.
std::unique_ptr<cOverlay> NewChoiceNotice(int player, int difficulty, int line);
