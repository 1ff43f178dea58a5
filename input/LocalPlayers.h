// The players on one machine and what each plays with.
//
// The mouse, with the keyboard's digits and P, is player 1; the pads, in the
// order they arrived, are players 2 to 4. Alone, player 1 also plays with the
// first pad. Pads are followed as they come and go: a player whose pad
// leaves is at rest at once and, where pads pause the game, the game is
// paused through that player's record, and resumed the same way once every
// player has a pad again. The first pad to arrive takes the place of a
// player who lost one.
#pragma once

#include <cstdint>

#include "input/Controls.h"

class cInput;

class cLocalPlayers {
public:
    // players: 1 to 4 on this machine. pauseForPads: a pad that leaves pauses
    // the game (one machine); otherwise its player is only at rest.
    void Start(int players, bool pauseForPads);
    int Players() const { return players_; }

    // Seats the pads that arrived since the last call, oldest first, and lets
    // go of those that left. Build does it too; calling it again in a step
    // changes nothing.
    void FollowPads(const cInput& in);
    // Before the game's first step: the lowest player number still without
    // a pad (0: everybody can play).
    int WaitingFor() const;

    // This step's records of the players here (records[0] up to Players()),
    // from this step's sample. gamePaused: the game is paused after the step
    // before; difficultyNow: where a pad's choice of difficulty starts.
    void Build(const cInput& in, bool gamePaused, int difficultyNow,
               PlayerControls records[kMaxPlayers]);

    // Players whose pad left and who have none yet: bit p for player p + 1.
    uint32_t Missing() const;
    // The difficulty player p + 1 is choosing with Back held (0: none).
    int Choice(int p) const { return seats_[p].mapper.Choice(); }
    // True once each time a player held Back and Start for a second.
    bool TakeFullscreenRequest();

private:
    struct Seat {
        cControlMapper mapper;
        uint32_t serial = 0;       // of the pad played with (cInput's PadSlot), 0: none
        bool missing = false;      // its pad left during the game, none since
        bool pausePending = false;  // its pad just left: the game is to pause
    };
    int NeedingPad() const;
    bool Seated(uint32_t serial) const;
    // Makes the game see a press of pause in this step's records, in
    // player + 1's record where it can.
    void PressPause(PlayerControls records[kMaxPlayers], int player) const;

    int players_ = 0;
    bool pauseForPads_ = false;
    bool started_ = false;        // the game's first step was built
    bool pausedForPads_ = false;  // the game was paused here for a pad that left
    int pausedBy_ = 0;            // in this player's record
    Seat seats_[kMaxPlayers];
    PlayerControls last_[kMaxPlayers];  // the records of the step before
};
