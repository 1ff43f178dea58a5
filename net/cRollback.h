// Rollback: each machine steps its own player's records at once and predicts
// the other player's (the last one known, repeated). When the other's real
// records arrive and one differs from what was predicted, the game goes back
// to the state saved before that step and steps again to the present, within
// the same frame. A step is confirmed once both players' records for it are
// known and it was stepped on them; its state checksum is what the two
// machines compare.
//
// No sockets here: the session hands records in and takes them out.
#pragma once

#include <cstdint>
#include <vector>

#include "input/Controls.h"

#include "game/GameState.h"
#include "game/StepEvents.h"

class cRollback {
public:
    // Predictions go at most a window of steps past the other's last record;
    // then the game waits for it. The window is sized from the line's round
    // trip (PredictionWindowFor), from this default up to the ceiling the
    // saved states cover. It decides only when to wait, never what a step
    // computes: two machines with different windows play the same game.
    static constexpr uint32_t kDefaultPrediction = 10;
    static constexpr uint32_t kPredictionCeiling = 32;

    // Starts on `game` (already at its first scene) for the player `local`
    // (0: player 1, the host; 1: player 2). With an input delay of D steps,
    // the record made in step k is this player's for step k + D; both
    // players' records for the first D steps are neutral. Every step is
    // taken by `step`.
    void Start(GameState* game, int local, uint32_t delay, GameStep step = StepGame);

    // Sets the prediction window, within 1 and kPredictionCeiling steps.
    void SetPredictionWindow(uint32_t steps);
    uint32_t PredictionWindow() const { return window_; }
    // Whether the next step may be taken: the prediction would not go more
    // than the window past the other's last record.
    bool CanAdvance() const;
    // Takes this machine's record made in this step, rolls back if a record
    // of the other player showed a prediction wrong, then steps once. *events
    // receives what happened in the new step. Call only when CanAdvance().
    void Advance(const PlayerControls& local, StepEvents* events);
    // Rolls back and steps again to the present when a prediction was shown
    // wrong, without a new step (while the game waits). True when it did.
    bool CatchUp();

    // The other player's record for `step` arrived. Records must come in
    // order: one past the last held is taken; earlier ones (held already)
    // and later ones (after a gap, or further ahead than the game keeps) are
    // ignored.
    void AddRemote(uint32_t step, const PlayerControls& record);

    uint32_t Next() const { return next_; }                // the next step to take
    uint32_t RemoteHeld() const { return remoteHeld_; }    // the other's records held, from step 0
    uint32_t LocalMade() const { return localMade_; }      // this player's records, from step 0
    // This player's record for `step` (step < LocalMade(), and recent).
    const PlayerControls& Local(uint32_t step) const;
    // Steps confirmed: stepped on both players' real records.
    uint32_t Confirmed() const { return confirmed_; }
    // The state checksum after confirmed step `step`, if still kept.
    bool ChecksumAfter(uint32_t step, uint32_t* checksum) const;
    // The checksums of every confirmed step up to `step`, folded into one:
    // two games that differed at any confirmed step differ here from then on,
    // however briefly their states differed.
    bool HistoryAfter(uint32_t step, uint32_t* history) const;
    // Both players' records of confirmed step `step`, if still kept.
    bool RecordsOf(uint32_t step, PlayerControls records[kMaxPlayers]) const;
    // Whether the chain of scenes ended in a confirmed step: the game is over.
    bool GameOver(uint32_t* step) const;
    // Whether the scene after confirmed step `step` is the result; then its
    // difficulty and score.
    bool ResultAfter(uint32_t step, int32_t* difficulty, int32_t* score) const;

    // What rollback cost so far.
    uint64_t rollbacks = 0;
    uint64_t resimulated = 0;
    uint32_t deepest = 0;

private:
    // Records, checksums and what each step was stepped on: kept for the
    // last kRing steps, more than the records a datagram ever carries.
    static constexpr uint32_t kRing = 256;
    // Saved states: more than the widest prediction window, so every step a
    // rollback may go back to is still there.
    static constexpr uint32_t kStates = kPredictionCeiling + 6;
    static_assert(kPredictionCeiling < kStates && kStates < kRing, "the rings hold every window");
    struct StepRecord {
        PlayerControls used[2];      // the records it was last stepped on
        uint32_t checksumAfter = 0;  // once confirmed
        uint32_t historyAfter = 0;   // and every confirmed checksum up to it, folded
        bool ended = false;          // the chain had ended when this step ran
        bool resultAfter = false;    // once confirmed: the result was the scene after it
        int32_t difficulty = 0;      // of that result
        int32_t score = 0;
    };

    void StepFrom(uint32_t step, StepEvents* events);
    void Rollback();
    void Confirm();
    PlayerControls RemoteFor(uint32_t step) const;

    GameState* game_ = nullptr;
    GameStep step_;
    int local_ = 0;
    uint32_t next_ = 0;
    uint32_t remoteHeld_ = 0;
    uint32_t localMade_ = 0;
    uint32_t confirmed_ = 0;
    uint32_t window_ = kDefaultPrediction;
    uint32_t wrongFrom_ = UINT32_MAX;  // the earliest step stepped on a wrong prediction
    uint32_t gameOver_ = UINT32_MAX;   // the confirmed step in which the chain had ended
    uint32_t history_ = 0x811C9DC5u;   // every confirmed checksum so far, folded
    std::vector<GameState> states_;    // the state before each of the last kStates steps
    std::vector<StepRecord> steps_;
    std::vector<PlayerControls> localRecords_;
    std::vector<PlayerControls> remoteRecords_;
    StepEvents scratch_;
};
