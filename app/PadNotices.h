// The notices about this machine's players on the field: whose pad the game
// waits for before it starts, whose pads left while it is paused, and the
// difficulties being chosen with Back held. Owns those notices; each is made
// again only when what it says changes.
#pragma once

#include <cstdint>
#include <memory>

#include "input/Controls.h"

class cLocalPlayers;
class cOverlay;

class cPadNotices {
public:
    cPadNotices();
    ~cPadNotices();
    cPadNotices(const cPadNotices&) = delete;
    cPadNotices& operator=(const cPadNotices&) = delete;

    // Brings the notices in line with the players; `paused`: the game is paused.
    void Show(const cLocalPlayers& players, bool paused);
    // Takes every notice off the field.
    void Clear();

private:
    int wanted_ = 0;     // the player the game waits for before it starts
    uint32_t left_ = 0;  // players whose pad left, named while the game is paused
    int choices_[kMaxPlayers] = {};  // difficulties being chosen with Back held
    std::unique_ptr<cOverlay> wantedNotice_;
    std::unique_ptr<cOverlay> leftNotice_;
    std::unique_ptr<cOverlay> choiceNotices_[kMaxPlayers];
};
