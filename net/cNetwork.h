// `cNetwork`: two machines play one game, step for step, over one stream.
//
// Every logic step each machine sends the record of its own player and
// receives the other's, so both machines apply the same two records in the
// same step. The host (player 1) sends first and then waits; the joiner
// waits and then answers. To hide the line's latency, the record sent in
// step k carries the controls for step k + D, the input delay agreed when the
// machines connected; the first D steps apply neutral records. With D = 0
// every step waits for a full round trip. Each message also carries the
// checksum of the sender's game state after an earlier step, so a desync is
// found within a step or two. The bytes are in net/LockstepWire.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "input/PadState.h"
#include "net/LockstepWire.h"
#include "net/SessionParts.h"
#include "net/cNetSession.h"
#include "platform/socket.h"

// How one step's exchange ended.
enum class ExchangeResult {
    Done,    // both records are there
    Failed,  // the line broke, the other machine quit or fell silent, or the games differ
    GaveUp,  // the wait hook ended the wait
};

class cNetwork : public cNetSession {
public:
    // The RZ axis of a record that carries no checksum yet.
    static constexpr uint32_t kNoChecksumStep = 0xFFFFFFFFu;

    cNetwork() = default;
    ~cNetwork() override;
    cNetwork(const cNetwork&) = delete;
    cNetwork& operator=(const cNetwork&) = delete;

    // --host waits for a partner and plays as the host, --join connects; the
    // two then greet each other (version check), the host measures the round
    // trip, picks the seed and the input delay (the settings', the joiner's
    // wish, else from the round trip) and sends them.
    bool Connect(const NetSettings& settings, const std::function<bool()>& cancelled,
                 std::string* error) override;
    // Plays over a stream already connected and greeted (tests, tools).
    void Adopt(SocketHandle socket, bool host, uint32_t delay, uint32_t seed);

    bool IsHost() const override { return host_; }
    uint32_t Seed() const override { return seed_; }
    uint32_t Delay() const override { return delay_; }
    // A connection exists, and the exchange runs in every logic step.
    bool Open() const { return open_; }
    bool Active() const { return active_; }

    void Begin(GameState* game, GameStep step) override;
    // One exchange and the step on its records; the window answers through
    // `wait` while the frame waits.
    Frame Play(const PlayerControls& local, StepEvents* events, bool* rolledBack,
               const WaitHook& wait) override;
    uint32_t SilentMs() const override;
    uint32_t Next() const override { return confirmed_; }
    uint32_t Confirmed() const override { return confirmed_; }
    bool ConfirmedStepAt(uint32_t step, ConfirmedStep* out) const override;
    NetStats Stats() const override;
    Ending HowItEnded() const override { return ending_; }
    // Sends the quit notice while the exchange is active, then ends and
    // closes the connection. Once; later calls do nothing.
    void Shutdown() override;

    // One step of the exchange. `local` is this machine's record for the
    // step D steps ahead; *player1 and *player2 receive the records both
    // machines apply in this step, neutral for both in the first D steps.
    ExchangeResult Exchange(const PadState& local, PadState* player1, PadState* player2,
                            const WaitHook& wait = {});
    // After a step has run: the checksum of this machine's game state, which
    // the next message carries and which the other's are compared with.
    void NoteStateChecksum(uint32_t checksum);
    // Sends one pad-state message; false on a send error.
    bool SendPadState(const PadState& state);
    // Receives the next message, put together from as many pieces as the
    // stream delivers. False on a receive error, when the other side closed
    // the stream or quit, when the message is not a pad-state message, when
    // the other machine has been silent for kGiveUpMs (with a hook), or when
    // the hook gave the wait up. Without a hook it blocks.
    bool ReceivePadState(PadState* state, const WaitHook& wait = {});
    // Why the last exchange failed, one line without a prefix ("" if none).
    const char* Failure() const { return failure_; }

private:
    // Own records sent and not yet applied: at most the largest delay, and
    // the one of this step; own checksums and confirmed steps kept.
    static constexpr uint32_t kAheadRing = kMaxDelay + 2;
    static constexpr uint32_t kChecksumRing = 64;

    bool Greet(SocketHandle s, bool host, int wantedDelay, std::string* error);
    bool AwaitPartner(const WaitHook& wait, uint32_t start);
    bool SameGame(const PadState& theirs);
    void SetFailure(const std::string& reason, Ending ending = Ending::LineBroke);

    SocketHandle socket_ = kNoSocket;
    bool open_ = false;
    bool active_ = false;
    bool host_ = false;
    uint32_t seed_ = 0;
    uint32_t delay_ = 0;
    uint32_t roundTrip_ = 0;
    char failure_[200] = {};
    bool gaveUp_ = false;
    Ending ending_ = Ending::None;
    uint32_t lastHeard_ = 0;

    // The exchange's progress since the machines connected.
    uint32_t step_ = 0;                      // steps exchanged so far
    PadState ahead_[kAheadRing] = {};        // own records sent for the coming steps, by step
    uint32_t checksums_[kChecksumRing] = {};
    uint32_t checksumSteps_[kChecksumRing] = {};
    uint32_t lastStep_ = kNoChecksumStep;    // the newest own checksum, sent next
    uint32_t last_ = 0;

    GameState* game_ = nullptr;
    GameStep stepGame_;
    uint32_t confirmed_ = 0;
    ConfirmedStep kept_[kChecksumRing];      // the last confirmed steps, by step
};
