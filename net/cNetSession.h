// A game of two machines, as the play loop sees it, whichever way the two
// exchange their players' records: rollback over datagrams (cNetPlay) or
// step for step over a stream (cNetwork). The loop asks for one frame at a
// time (a step taken, or a wait), hears when the game ended or failed, how
// long the partner has been silent, and which steps both machines have
// confirmed: those are what a recording keeps, the log lists and the scores
// count.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "game/GameState.h"
#include "net/NetSettings.h"
#include "net/RouterLease.h"

// Asked while a frame waits for the other machine, between waits of a few
// milliseconds, with the time waited so far; false ends the wait (the player
// quit meanwhile).
using WaitHook = std::function<bool(uint32_t waitedMs)>;

// A step both machines took on the same records.
struct ConfirmedStep {
    PlayerControls records[kMaxPlayers];  // players 1 and 2; the others neutral
    uint32_t checksum = 0;                // of the state after it
    bool resultAfter = false;             // the result is the scene after it
    int32_t difficulty = 0;               // of that result
    int32_t score = 0;
};

// What the game's line cost, for the log's last line.
struct NetStats {
    uint64_t rollbacks = 0;
    uint64_t resimulated = 0;
    uint32_t deepest = 0;
    uint32_t skipped = 0;
    uint32_t stalls = 0;
    uint64_t dropped = 0;
    uint32_t roundTripMs = 0;
    uint64_t sent = 0;      // the game's datagrams sent to the partner (rollback)
    uint64_t received = 0;  // and taken from it
};

class cNetSession {
public:
    virtual ~cNetSession() = default;

    // Sets up the game the settings ask for (host or join); `cancelled` is
    // asked between short waits (Ctrl+C). False with *error set (one line)
    // when there is no game; nothing is left open then.
    virtual bool Connect(const NetSettings& settings, const std::function<bool()>& cancelled,
                         std::string* error) = 0;
    virtual bool IsHost() const = 0;
    // Agreed during the greeting.
    virtual uint32_t Seed() const = 0;
    virtual uint32_t Delay() const = 0;

    // Plays on `game` (at its first scene) with `step` taking each step;
    // this machine's player is player 1 on the host, player 2 on the joiner.
    virtual void Begin(GameState* game, GameStep step) = 0;

    enum class Frame {
        Waiting,      // no step: not started yet, or stalled (rolled back perhaps)
        Stepped,      // a new step was taken: *events tells what happened in it
        Ended,        // the game is over on both machines (the last round)
        Failed,       // said on stderr: the other quit or fell silent, or the games differ
        Interrupted,  // the wait hook ended a wait: no step
    };
    // One frame on this machine's record for it. *rolledBack tells whether
    // earlier steps were taken again (the picture must follow the state).
    virtual Frame Play(const PlayerControls& local, StepEvents* events, bool* rolledBack,
                       const WaitHook& wait) = 0;
    // How long the partner has been silent.
    virtual uint32_t SilentMs() const = 0;

    // The next step to take (steps taken so far).
    virtual uint32_t Next() const = 0;
    // Steps confirmed so far, from step 0.
    virtual uint32_t Confirmed() const = 0;
    // Confirmed step `step`, while it is still kept (the last 64 at least).
    virtual bool ConfirmedStepAt(uint32_t step, ConfirmedStep* out) const = 0;
    virtual NetStats Stats() const = 0;
    // The host's port on its router, and what to tell the partner (Off when
    // the router is not asked). Safe from any thread, while Connect runs too.
    virtual RouterPort PublicPort() const { return RouterPort{}; }

    // How the two machines reach each other: by the address given (or found
    // on the local network), or after meeting by a room code, directly or
    // through the meeting server's relay.
    enum class Way { Given, Direct, Relayed };
    virtual Way WayThere() const { return Way::Given; }

    // How a game that failed on the line ended, as the player is told it.
    enum class Ending {
        None,       // it did not fail
        TheyQuit,   // the other player left
        Silent,     // the other machine stopped answering
        Apart,      // the two games went apart
        LineBroke,  // the connection broke
    };
    virtual Ending HowItEnded() const = 0;

    // Ends the game on the line: the other machine is told, the line closes.
    // Once; later calls do nothing.
    virtual void Shutdown() = 0;
};

// The session the settings ask for: cNetwork with lockstep, else cNetPlay.
std::unique_ptr<cNetSession> NewNetSession(const NetSettings& settings);
