// A game of two machines over datagrams, with rollback: each machine steps
// its own player's records at once, predicts the other's, and steps again
// from a saved state when the other's real records show a prediction wrong.
//
// The host (player 1) opens its UDP port, asks the router to forward it
// (UPnP), answers LAN discovery, and waits for a HELLO; the joiner (player
// 2) greets it until answered. The host picks the seed, the input delay and
// a random session token; the joiner measures the round trip several times
// and takes the median. Then every step both send one datagram carrying all
// their records the other has not yet confirmed, the latest they hold of the
// other's, their step, clock and confirmed checksum: a lost datagram costs
// nothing but the time until the next. A machine that runs ahead of the
// other slows by a step now and then; one that would predict too far waits.
//
// Only the partner counts: once greeted, a datagram from another address or
// port, or without the session's token, is dropped unanswered, and every
// datagram is read within its size. No answer is larger than what it answers.
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "app/Options.h"
#include "game/GameState.h"
#include "net/Datagrams.h"
#include "net/Discovery.h"
#include "net/cRollback.h"
#include "platform/datagram.h"
#include "platform/port_mapping.h"

class cNetPlay {
public:
    // A greeting takes at most this long once the other machine answered.
    static constexpr uint32_t kGreetingMs = 10000;
    // A silent partner: the waiting notice after a second, the end after ten.
    static constexpr uint32_t kShowWaitingMs = 1000;
    static constexpr uint32_t kGiveUpMs = 10000;
    // Round trips measured during the greeting; the median is taken.
    static constexpr int kPings = 5;

    cNetPlay() = default;
    ~cNetPlay();
    cNetPlay(const cNetPlay&) = delete;
    cNetPlay& operator=(const cNetPlay&) = delete;

    // Sets up the game asked for: --host waits for a partner, --join greets
    // the host (found on the local network when no address is given).
    // `cancelled` is asked between short waits (Ctrl+C). False with *error
    // set (one line) when there is no game; nothing is left open then.
    bool Connect(const AppOptions& options, const std::function<bool()>& cancelled,
                 std::string* error);

    bool Active() const { return socket_.Open(); }
    bool IsHost() const { return host_; }
    uint32_t Seed() const { return seed_; }
    uint32_t Delay() const { return delay_; }
    uint32_t RoundTripMs() const { return roundTrip_; }

    // Plays on `game` (at its first scene), this machine's player being
    // player 1 on the host and player 2 on the joiner.
    void Begin(GameState* game);

    // What one frame of the game did.
    enum class Frame {
        Waiting,  // not started yet, or stalled: the picture stays (rolled back perhaps)
        Stepped,  // a new step was taken: *events tells what happened in it
        Ended,    // the game is over on both machines (the last round)
        Failed,   // said on stderr: the other quit or fell silent, or the games differ
    };
    // One frame: takes what arrived, steps (or waits), sends this machine's
    // datagram. `local` is this machine's record for the frame. *rolledBack
    // tells whether earlier steps were taken again.
    Frame Play(const PlayerControls& local, StepEvents* events, bool* rolledBack);
    // How long the partner has been silent.
    uint32_t SilentMs() const;

    const cRollback& Rollback() const { return rollback_; }

    // Ends the game on the line: the quit goes out several times, the socket
    // closes, the router's mapping is removed. Once; later calls do nothing.
    void Shutdown();

    // Counters for the log and the tests.
    uint64_t dropped = 0;   // datagrams taken and not from the partner, or not well-formed
    uint32_t skipped = 0;   // steps left out to let the other machine catch up
    uint32_t stalls = 0;    // frames that waited for the other's records

private:
    bool Host(const AppOptions& options, const std::function<bool()>& cancelled, std::string* error);
    bool Join(const AppOptions& options, const std::function<bool()>& cancelled, std::string* error);
    void Receive(uint32_t now);
    void Take(const GamePacket& packet, uint32_t now);
    void Send(uint32_t now, bool quit);
    bool TimeToSkip(uint32_t now);
    bool CheckChecksums();
    void SendTo(const std::vector<uint8_t>& bytes);

    DatagramSocket socket_;
    NetAddress partner_;
    bool host_ = false;
    uint64_t token_ = 0;
    uint32_t seed_ = 0;
    uint32_t delay_ = 0;
    uint32_t roundTrip_ = 0;
    cRollback rollback_;
    GameState* game_ = nullptr;

    bool started_ = false;        // the other machine's first step has been heard of
    // Presses made in frames that took no step, kept for the next step taken:
    // a click, a key or a pad's button that lasts one frame is never lost.
    PlayerControls carried_;
    bool carrying_ = false;
    uint32_t peerHeld_ = 0;       // this machine's records the other holds
    uint32_t lastHeard_ = 0;      // when the partner's last datagram came
    uint32_t theirClock_ = 0;     // the latest clock of theirs, and when it came
    uint32_t theirClockAt_ = 0;
    uint32_t theirNext_ = 0;      // their next step, and when it was heard
    uint32_t theirNextAt_ = 0;
    double advantage_ = 0.0;      // smoothed: how many steps this machine runs ahead
    uint32_t sinceSkip_ = 0;
    // The other machine's checksums, kept until this machine confirms the step.
    struct TheirChecksum {
        uint32_t step = UINT32_MAX;
        uint32_t checksum = 0;
    };
    TheirChecksum theirs_[64];
    // How the game ended here or there.
    bool quitSent_ = false;
    QuitReason quitReason_ = QuitReason::PlayerQuit;
    uint32_t quitStep_ = 0;
    bool failed_ = false;
    bool theyEnded_ = false;      // their game is over at theirEnd_
    uint32_t theirEnd_ = 0;

    // The router's mapping, asked for in the background while the host waits.
    PortMapping mapping_;
    std::thread mapper_;
};

// The two-machine game of this run, when there is one.
extern cNetPlay netPlay;
