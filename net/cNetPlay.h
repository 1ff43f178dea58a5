// A game of two machines over datagrams, with rollback: each machine steps
// its own player's records at once, predicts the other's, and steps again
// from a saved state when the other's real records show a prediction wrong.
//
// The host (player 1) opens its UDP port, asks the router to forward it
// (NAT-PMP or UPnP, for a lease renewed while the game runs), answers LAN
// discovery, and waits for a HELLO; the joiner (player 2) greets it until
// answered. The host picks the seed, the input delay and
// a random session token; the joiner measures the round trip several times
// and takes the median. Then every step both send one datagram carrying all
// their records the other has not yet confirmed, the latest they hold of the
// other's, their step, clock and confirmed checksum: a lost datagram costs
// nothing but the time until the next. A machine that runs ahead of the
// other slows by a step now and then; one that would predict further than
// the line's round trip calls for waits.
//
// By a room code (--host-online, --join-code) the two meet through the
// meeting server first (net/cMeetLink.h): the host opens a room from its game
// socket instead of asking the router, and both greet over the first way
// that answers, direct or through the server's relay.
//
// Only the partner counts: once greeted, a datagram from another address or
// port, or without the session's token, is dropped unanswered, and every
// datagram is read within its size. No answer is larger than what it answers,
// and each source address gets only a few a second (net/AnswerLimit.h). The
// socket is drained until empty every frame, within a time budget.
// The bytes are in net/GreetingWire.h and net/GameWire.h.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "game/GameState.h"
#include "net/AnswerLimit.h"
#include "net/Discovery.h"
#include "net/GameWire.h"
#include "net/GreetingWire.h"
#include "net/HalfGreetings.h"
#include "net/SessionParts.h"
#include "net/cNetSession.h"
#include "net/RouterLease.h"
#include "net/cMeetLink.h"
#include "net/cRollback.h"
#include "platform/datagram.h"

class cNetPlay : public cNetSession {
public:
    // Where the session stands.
    enum class State {
        Greeting,           // Connect runs: the host waits for a machine, the joiner greets it
        WaitingForPartner,  // greeted and begun; the other machine's first step not heard of yet
        Running,            // both machines play
        Ending,             // the other machine's game is over at a step this one has not reached
        Ended,              // over here: the last round, a quit, a silence or a desync
    };

    cNetPlay() = default;
    ~cNetPlay() override;
    cNetPlay(const cNetPlay&) = delete;
    cNetPlay& operator=(const cNetPlay&) = delete;

    // --host waits for a partner, --join greets the host (found on the local
    // network when no address is given).
    bool Connect(const NetSettings& settings, const std::function<bool()>& cancelled,
                 std::string* error) override;

    State CurrentState() const { return state_; }
    bool IsHost() const override { return link_.host; }
    uint32_t Seed() const override { return link_.seed; }
    uint32_t Delay() const override { return link_.delay; }
    uint32_t RoundTripMs() const { return link_.roundTrip; }
    // The router's port and what to tell the partner; safe from any thread,
    // while Connect waits for a partner too.
    RouterPort PublicPort() const override { return router_.Current(); }

    void Begin(GameState* game, GameStep step) override;
    // Takes what arrived, steps (or waits), sends this machine's datagram.
    // Never blocks: `wait` is not asked.
    Frame Play(const PlayerControls& local, StepEvents* events, bool* rolledBack,
               const WaitHook& wait) override;
    uint32_t SilentMs() const override;
    uint32_t Next() const override { return rollback_.Next(); }
    uint32_t Confirmed() const override { return rollback_.Confirmed(); }
    bool ConfirmedStepAt(uint32_t step, ConfirmedStep* out) const override;
    NetStats Stats() const override;
    Way WayThere() const override { return way_; }
    Ending HowItEnded() const override { return end_.failed ? end_.how : Ending::None; }
    const cRollback& Rollback() const { return rollback_; }

    // The quit goes out several times, the socket closes, the router's
    // mapping is removed (a search for the router still running is left to
    // end in the background). Once; later calls do nothing.
    void Shutdown() override;

    // Counters for the log and the tests.
    uint64_t dropped = 0;   // datagrams taken and not from the partner, or not well-formed
    uint32_t skipped = 0;   // steps left out to let the other machine catch up
    uint32_t stalls = 0;    // frames that waited for the other's records
    uint64_t sent = 0;      // game datagrams sent to the partner
    uint64_t received = 0;  // game datagrams taken from the partner

private:
    // The line to the partner, set up by the greeting.
    struct Link {
        DatagramSocket socket;
        NetAddress partner;
        bool host = false;
        uint64_t token = 0;
        uint32_t seed = 0;
        uint32_t delay = 0;
        uint32_t roundTrip = 0;
    };
    // The host's greeting: several machines may be welcomed at once, the
    // first to say READY is the partner; others of another version are
    // refused; those that ask for games are answered: each source address a
    // few times a second.
    struct HostGreeting {
        explicit HostGreeting(const NetSettings& s);
        const NetSettings& settings;
        DiscoveryResponder discovery;
        cAnswerLimit refusals;
        cAnswerLimit answers;    // WELCOME and PONG
        bool toldOtherVersion = false;
        bool toldOtherArithmetic = false;
        HalfGreetings welcomed;  // HELLOs answered, READY not heard yet
        bool ready = false;      // the partner said READY: the greeting is done
    };
    // Keeping pace with the other machine while running.
    struct Pace {
        uint32_t peerHeld = 0;       // this machine's records the other holds
        uint32_t lastHeard = 0;      // when the partner's last datagram came
        uint32_t theirClock = 0;     // the latest clock of theirs, and when it came
        uint32_t theirClockAt = 0;
        uint32_t theirNext = 0;      // their next step, and when it was heard
        uint32_t theirNextAt = 0;
        double advantage = 0.0;      // smoothed: how many steps this machine runs ahead
        uint32_t sinceSkip = 0;
        // Presses made in frames that took no step, kept for the next step
        // taken: a click, a key or a pad's button that lasts one frame is
        // never lost.
        PlayerControls carried;
        bool carrying = false;
    };
    // The other machine's checksums, kept until this machine confirms the step.
    struct TheirChecksum {
        uint32_t step = UINT32_MAX;
        uint32_t checksum = 0;
    };
    // How the game ended here or there.
    struct End {
        QuitReason reason = QuitReason::PlayerQuit;  // what the QUIT says
        uint32_t step = 0;                           // where it ended or went apart
        uint32_t theirs = 0;                         // Ending: the step their game ended at
        bool failed = false;                         // Ended: a quit, a silence or a desync
        Ending how = Ending::None;                   // what the player is told of it
        bool quitSent = false;
    };

    // The host's side of the greeting.
    bool Host(const NetSettings& settings, const std::function<bool()>& cancelled, std::string* error);
    void TakeWhileHosting(HostGreeting& g, const uint8_t* bytes, size_t size, const NetAddress& from);
    void WelcomeOrRefuse(HostGreeting& g, const Greeting& hello, const NetAddress& from);
    void Refuse(HostGreeting& g, const NetAddress& to, uint64_t nonce, RefuseReason reason);
    void Answer(HostGreeting& g, const NetAddress& to, const std::vector<uint8_t>& bytes);
    // What the joiner says of a host's REFUSE.
    static std::string RefusalText(const Greeting& refusal);
    void ForgetUnfinished(HostGreeting& g);
    // The joiner's side.
    bool FindPartner(const NetSettings& settings, const std::function<bool()>& cancelled,
                     std::string* error);
    bool Join(const NetSettings& settings, const std::function<bool()>& cancelled, std::string* error);
    // Meeting by a room code (net/cNetPlayRoom.cpp): the host's room, held
    // and followed in each pass of its greeting; the joiner's whole greeting.
    bool OpenRoom(const NetSettings& settings, std::string* error);
    bool FollowRoom(std::string* error);
    bool JoinRoom(const NetSettings& settings, const std::function<bool()>& cancelled, std::string* error);
    void SayWay();
    // What both joiners' greetings do: a PING (`sequence`, clocked `now`), the
    // host's WELCOME taken, and READY once the round trip is known.
    void SendPing(uint32_t sequence, uint32_t now);
    void TakeWelcome(const Greeting& welcome);
    void SendReady();
    void Joined(uint32_t roundTrip);

    // Running.
    void Receive(uint32_t now);
    void Take(const GamePacket& packet, uint32_t now);
    void TheyQuit(const GamePacket& packet);
    void EndHere(QuitReason reason, uint32_t step, Ending how);
    Frame StepOrWait(const PlayerControls& local, uint32_t now, StepEvents* events, bool* rolledBack);
    bool TimeToSkip(uint32_t now);
    bool CheckChecksums();
    void Send(uint32_t now, bool quit);
    void SendTo(const std::vector<uint8_t>& bytes);

    State state_ = State::Greeting;
    Link link_;
    Pace pace_;
    End end_;
    TheirChecksum theirs_[64];
    cRollback rollback_;
    GameState* game_ = nullptr;

    // The meeting server's room, when the game meets by a room code.
    std::unique_ptr<cMeetLink> room_;
    Way way_ = Way::Given;

    // The router's port, asked for in the background while the host waits.
    cRouterLease router_;
};
