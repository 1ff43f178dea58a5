#include "input/LocalPlayers.h"

#include "input/cInput.h"

void cLocalPlayers::Start(int players, bool pauseForPads) {
    *this = cLocalPlayers{};
    players_ = players < 1 ? 1 : (players > kMaxPlayers ? kMaxPlayers : players);
    pauseForPads_ = pauseForPads;
    // Player 1: the mouse and the keyboard; pads are seated as they are found.
    seats_[0].mapper = cControlMapper(true, -1, true);
}

bool cLocalPlayers::Seated(uint32_t serial) const {
    for (int p = 0; p < players_; ++p) {
        if (seats_[p].serial == serial) return true;
    }
    return false;
}

int cLocalPlayers::NeedingPad() const {
    // Alone, player 1 plays with a pad as well; with others, the mouse is its own.
    for (int p = players_ == 1 ? 0 : 1; p < players_; ++p) {
        if (seats_[p].serial == 0) return p;
    }
    return -1;
}

void cLocalPlayers::FollowPads(const cInput& in) {
    for (int p = 0; p < players_; ++p) {
        Seat& seat = seats_[p];
        const int slot = seat.mapper.PadSlot();
        if (slot < 0 || in.pads[slot].serial == seat.serial) continue;
        // The pad left. Player 1 alone has lost it only if it was playing with it.
        const bool playing = p > 0 || seat.mapper.PadSteers();
        seat.mapper.UsePad(-1);
        seat.serial = 0;
        if (started_ && pauseForPads_ && playing) seat.missing = seat.pausePending = true;
    }
    for (;;) {
        int oldest = -1;
        for (int slot = 0; slot < kPadSlots; ++slot) {
            const uint32_t serial = in.pads[slot].serial;
            if (serial == 0 || Seated(serial)) continue;
            if (oldest < 0 || serial < in.pads[oldest].serial) oldest = slot;
        }
        const int p = NeedingPad();
        if (oldest < 0 || p < 0) return;
        seats_[p].mapper.UsePad(oldest);
        seats_[p].serial = in.pads[oldest].serial;
        seats_[p].missing = seats_[p].pausePending = false;
    }
}

int cLocalPlayers::WaitingFor() const {
    if (started_ || players_ == 1) return 0;
    const int p = NeedingPad();
    return p < 0 ? 0 : p + 1;
}

uint32_t cLocalPlayers::Missing() const {
    uint32_t players = 0;
    for (int p = 0; p < players_; ++p) players |= seats_[p].missing ? 1u << p : 0u;
    return players;
}

bool cLocalPlayers::TakeFullscreenRequest() {
    bool asked = false;
    for (int p = 0; p < players_; ++p) asked = seats_[p].mapper.TakeFullscreenRequest() || asked;
    return asked;
}

void cLocalPlayers::PressPause(PlayerControls records[kMaxPlayers], int player) const {
    // The game toggles on any player's fresh press, once however many there are.
    for (int p = 0; p < players_; ++p) {
        if (records[p].pause && !last_[p].pause) return;
    }
    // In the given player's record; in another's if that one's was held.
    for (int i = 0; i < players_; ++i) {
        const int p = (player + i) % players_;
        if (!last_[p].pause) {
            records[p].pause = 1;
            return;
        }
    }
}

void cLocalPlayers::Build(const cInput& in, bool gamePaused, int difficultyNow,
                          PlayerControls records[kMaxPlayers]) {
    FollowPads(in);
    started_ = true;
    int lost = -1;  // the first player whose pad just left
    for (int p = 0; p < players_; ++p) {
        records[p] = seats_[p].mapper.Build(in, difficultyNow);
        if (seats_[p].pausePending && lost < 0) lost = p;
        seats_[p].pausePending = false;
    }
    // Somebody resumed while a pad was away: that is their choice.
    if (pausedForPads_ && !gamePaused) pausedForPads_ = false;
    if (lost >= 0 && !gamePaused) {
        PressPause(records, lost);
        pausedForPads_ = true;
        pausedBy_ = lost;
    } else if (pausedForPads_ && Missing() == 0) {
        PressPause(records, pausedBy_);  // every player has a pad again
        pausedForPads_ = false;
    }
    for (int p = 0; p < players_; ++p) last_[p] = records[p];
}
