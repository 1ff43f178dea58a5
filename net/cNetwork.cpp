#include "net/cNetwork.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/clock.h"
#include "platform/report.h"

namespace {

// How long one wait for the other machine lasts before the hook is asked again.
constexpr int kWaitSliceMs = 4;
// How long the greeting may take once the machines are connected.
constexpr uint32_t kHandshakeTimeoutMs = kGreetingMs;

// Reads exactly `size` bytes before the greeting's time is up; false with *error set.
bool ReadBefore(SocketHandle s, uint8_t* buffer, size_t size, uint32_t start, std::string* error) {
    size_t got = 0;
    while (got < size) {
        const uint32_t waited = timeGetTime() - start;
        if (waited >= kHandshakeTimeoutMs) {
            *error = "the other machine did not finish the greeting within 10 s";
            return false;
        }
        const int ready = SocketWaitReadable(s, static_cast<int>(kHandshakeTimeoutMs - waited));
        if (ready == 0) continue;
        const long n = SocketReceive(s, buffer + got, size - got);
        if (n < 0) {
            *error = "the connection broke during the greeting: " + SocketErrorText();
            return false;
        }
        if (n == 0) {
            *error = "the other machine closed the connection during the greeting";
            return false;
        }
        got += static_cast<size_t>(n);
    }
    return true;
}

bool Write(SocketHandle s, const uint8_t* bytes, size_t size, std::string* error) {
    if (SocketSend(s, bytes, size) == static_cast<long>(size)) return true;
    *error = "the connection broke during the greeting: " + SocketErrorText();
    return false;
}

}  // namespace

cNetwork::~cNetwork() { Shutdown(); }

void cNetwork::SetFailure(const std::string& reason, Ending ending) {
    std::snprintf(failure_, sizeof failure_, "%s", reason.c_str());
    ending_ = ending;
}

// --- Connection set-up ---------------------------------------------------------

// Both machines greet each other and compare versions; the host then measures
// the round trip and sends the seed and the delay.
bool cNetwork::Greet(SocketHandle s, bool host, int wantedDelay, std::string* error) {
    const uint32_t start = timeGetTime();
    LockstepHello mine;
    mine.delayWish = wantedDelay >= 0 ? static_cast<uint8_t>(wantedDelay) : kNoDelayWish;
    mine.version = KAZIRO_VERSION;
    uint8_t hello[kHelloSize];
    EncodeLockstepHello(mine, hello);
    if (!Write(s, hello, sizeof hello, error)) return false;

    // A machine that does not greet at all (an older kaziro starts with its
    // first record) is found by the first byte.
    const std::string otherVersion =
        std::string("the other machine does not greet as kaziro ") + KAZIRO_VERSION +
        " does: it runs another version (both machines must run the same version)";
    uint8_t bytes[kHelloSize] = {};
    if (!ReadBefore(s, bytes, 1, start, error)) return false;
    if (bytes[0] != 'K') {
        *error = otherVersion;
        return false;
    }
    LockstepHello theirs;
    if (!ReadBefore(s, bytes + 1, sizeof bytes - 1, start, error)) return false;
    if (!ParseLockstepHello(bytes, &theirs)) {
        *error = otherVersion;
        return false;
    }
    if (theirs.protocol != kProtocolVersion || theirs.version != KAZIRO_VERSION) {
        *error = OtherVersionText(theirs.version);
        return false;
    }

    if (host) {
        RoundTrips roundTrips;
        for (int i = 0; !roundTrips.Enough(); ++i) {
            const uint8_t ping[kPingSize] = {'P', static_cast<uint8_t>(i)};
            const uint32_t sent = timeGetTime();
            uint8_t echo[kPingSize] = {};
            if (!Write(s, ping, sizeof ping, error) || !ReadBefore(s, echo, sizeof echo, start, error)) {
                return false;
            }
            if (echo[0] != 'P' || echo[1] != ping[1]) {
                *error = "the other machine answered the round-trip measurement wrongly";
                return false;
            }
            roundTrips.Add(timeGetTime() - sent);
        }
        roundTrip_ = roundTrips.Median();
        LockstepStart go;
        delay_ = ChooseDelay(wantedDelay, theirs.delayWish, DelayForRoundTrip(roundTrip_));
        go.delay = static_cast<uint8_t>(delay_);
        go.seed = seed_ = NewSeed();
        uint8_t bytesOut[kStartSize];
        EncodeLockstepStart(go, bytesOut);
        if (!Write(s, bytesOut, sizeof bytesOut, error)) return false;
        Report("network", "round trip %u ms; input delay %u steps (%u ms)",
               static_cast<unsigned>(roundTrip_), static_cast<unsigned>(delay_),
               static_cast<unsigned>(delay_ * 16));
        return true;
    }

    // The joining machine echoes the pings until the start arrives.
    for (;;) {
        uint8_t kind = 0;
        if (!ReadBefore(s, &kind, 1, start, error)) return false;
        if (kind == 'P') {
            uint8_t echo[kPingSize] = {'P', 0};
            if (!ReadBefore(s, echo + 1, 1, start, error) || !Write(s, echo, sizeof echo, error)) {
                return false;
            }
            continue;
        }
        uint8_t startBytes[kStartSize] = {kind};
        LockstepStart go;
        if (kind != 'S' || !ReadBefore(s, startBytes + 1, sizeof startBytes - 1, start, error) ||
            !ParseLockstepStart(startBytes, &go)) {
            if (kind != 'S') *error = "the other machine sent a greeting this version does not know";
            return false;
        }
        delay_ = std::min<uint32_t>(go.delay, kMaxDelay);
        seed_ = go.seed;
        Report("network", "input delay %u steps (%u ms)", static_cast<unsigned>(delay_),
               static_cast<unsigned>(delay_ * 16));
        return true;
    }
}

bool cNetwork::Connect(const NetSettings& settings, const std::function<bool()>& cancelled,
                       std::string* error) {
    if (settings.role == NetSettings::Role::None) return true;
    bool wasCancelled = false;
    SocketHandle socket = kNoSocket;
    const bool host = settings.role == NetSettings::Role::Host;
    if (host) {
        const uint16_t port = settings.port;
        socket = AcceptOnePartner(
            port,
            [port] {
                Report("network", "waiting for a second machine to join on port %u (Ctrl+C to cancel)",
                       static_cast<unsigned>(port));
            },
            cancelled, &wasCancelled, error);
    } else {
        Report("network", "connecting to %s port %u (Ctrl+C to cancel)", settings.host.c_str(),
               static_cast<unsigned>(settings.port));
        socket = ConnectToPartner(settings.host, settings.port, settings.connectTimeoutMs, cancelled,
                                  &wasCancelled, error);
    }
    if (socket == kNoSocket) return false;
    if (!Greet(socket, host, settings.delay, error)) {
        SocketShutdown(socket);
        SocketClose(socket);
        return false;
    }
    Adopt(socket, host, delay_, seed_);
    return true;
}

void cNetwork::Adopt(SocketHandle socket, bool host, uint32_t delay, uint32_t seed) {
    socket_ = socket;
    host_ = host;
    delay_ = std::min(delay, kMaxDelay);
    seed_ = seed;
    failure_[0] = '\0';
    ending_ = Ending::None;
    step_ = 0;
    std::fill(std::begin(ahead_), std::end(ahead_), PadState{});
    std::fill(std::begin(checksums_), std::end(checksums_), 0u);
    std::fill(std::begin(checksumSteps_), std::end(checksumSteps_), 0u);
    lastStep_ = kNoChecksumStep;
    last_ = 0;
    confirmed_ = 0;
    lastHeard_ = timeGetTime();
    open_ = active_ = socket != kNoSocket;
}

// --- The exchange --------------------------------------------------------------

// Waits until the socket has something to read; `start` is when the wait for
// the whole message began, so a partner that sends it in slow pieces is given
// up on as one that sends nothing. False when the hook gave up or the
// partner has been silent too long.
bool cNetwork::AwaitPartner(const WaitHook& wait, uint32_t start) {
    if (!wait) return true;  // a plain blocking receive
    for (;;) {
        const int ready = SocketWaitReadable(socket_, kWaitSliceMs);
        if (ready != 0) return true;  // data, the end of the stream, or an error for recv to see
        const uint32_t waited = timeGetTime() - start;
        if (waited >= kGiveUpMs) {
            char text[80];
            std::snprintf(text, sizeof text, "the other machine has not answered for %u seconds",
                          static_cast<unsigned>(kGiveUpMs / 1000));
            SetFailure(text, Ending::Silent);
            return false;
        }
        if (!wait(waited)) {
            gaveUp_ = true;
            return false;
        }
    }
}

// Compares the checksum a record of the other machine carries with this
// machine's own for the same step. False (with the failure set) when they differ.
bool cNetwork::SameGame(const PadState& theirs) {
    const uint32_t step = static_cast<uint32_t>(theirs.rz);
    if (step == kNoChecksumStep) return true;
    const uint32_t slot = step % kChecksumRing;
    if (checksumSteps_[slot] != step) return true;  // not kept (or not reached) here
    const uint32_t mine = checksums_[slot];
    const uint32_t other = static_cast<uint32_t>(theirs.z);
    if (mine == other) return true;
    char text[200];
    std::snprintf(text, sizeof text,
                  "the two machines' games went apart at step %u (state checksum %08X here, "
                  "%08X on the other machine)",
                  static_cast<unsigned>(step), static_cast<unsigned>(mine),
                  static_cast<unsigned>(other));
    SetFailure(text, Ending::Apart);
    return false;
}

bool cNetwork::SendPadState(const PadState& state) {
    uint8_t message[kPadMessageSize];
    message[0] = kMessagePadState;
    EncodePadState(state, message + 1);
    if (SocketSend(socket_, message, sizeof message) < 0) {
        SetFailure("the connection to the other machine broke: " + SocketErrorText());
        return false;
    }
    return true;
}

bool cNetwork::ReceivePadState(PadState* state, const WaitHook& wait) {
    uint8_t message[kPadMessageSize] = {};
    size_t received = 0;
    const uint32_t start = timeGetTime();
    while (received < kPadMessageSize) {
        if (!AwaitPartner(wait, start)) return false;
        const long n = SocketReceive(socket_, message + received, kPadMessageSize - received);
        if (n < 0) {
            SetFailure("the connection to the other machine broke: " + SocketErrorText());
            return false;
        }
        // A stream that ends without a quit notice would otherwise deliver
        // nothing for ever.
        if (n == 0) {
            SetFailure("the other machine closed the connection");
            return false;
        }
        received += static_cast<size_t>(n);
        if (message[0] != kMessagePadState) {
            if (message[0] == kMessageQuit) {
                SetFailure("the other machine quit", Ending::TheyQuit);
            } else {
                char text[80];
                std::snprintf(text, sizeof text, "the other machine sent a message of unknown kind %u",
                              static_cast<unsigned>(message[0]));
                SetFailure(text);
            }
            return false;
        }
    }
    *state = DecodePadState(message + 1);
    lastHeard_ = timeGetTime();
    return true;
}

ExchangeResult cNetwork::Exchange(const PadState& local, PadState* player1, PadState* player2,
                                  const WaitHook& wait) {
    gaveUp_ = false;
    const PadState neutral = PackControls(NeutralControls());
    PadState outgoing = local;
    outgoing.z = static_cast<int32_t>(last_);
    outgoing.rz = static_cast<int32_t>(lastStep_);
    // From step D on, each step needs the other machine's record sent D steps ago.
    const bool receives = step_ >= delay_;
    PadState theirs = neutral;
    bool ok = true;
    bool same = true;
    if (!active_) {
        SetFailure("there is no connection to the other machine");
        ok = false;
    } else if (host_) {
        ok = SendPadState(outgoing) && (!receives || ReceivePadState(&theirs, wait));
        if (ok && receives) same = SameGame(theirs);
    } else {
        ok = !receives || ReceivePadState(&theirs, wait);
        if (ok && receives) same = SameGame(theirs);
        if (ok && same) {
            ok = SendPadState(outgoing);
        } else if (ok) {
            // Sent also when the games differ, so the other machine finds it
            // too; the desync is what is reported, whatever the send says.
            const std::string desync = failure_;
            SendPadState(outgoing);
            SetFailure(desync, Ending::Apart);
        }
    }
    if (!ok || !same) {
        if (gaveUp_) return ExchangeResult::GaveUp;
        Report("network", "%s", failure_);
        return ExchangeResult::Failed;
    }
    // This step's record of this machine is the one it sent D steps ago.
    ahead_[step_ % kAheadRing] = outgoing;
    PadState mine = neutral;
    if (receives) mine = ahead_[(step_ - delay_) % kAheadRing];
    // Both machines apply the records as they went over the wire.
    *(host_ ? player1 : player2) = mine;
    *(host_ ? player2 : player1) = theirs;
    ++step_;
    return ExchangeResult::Done;
}

void cNetwork::NoteStateChecksum(uint32_t checksum) {
    if (step_ == 0) return;
    const uint32_t step = step_ - 1;
    checksums_[step % kChecksumRing] = checksum;
    checksumSteps_[step % kChecksumRing] = step;
    last_ = checksum;
    lastStep_ = step;
}

// --- The session ---------------------------------------------------------------

void cNetwork::Begin(GameState* game, GameStep step) {
    game_ = game;
    stepGame_ = std::move(step);
    lastHeard_ = timeGetTime();
}

cNetSession::Frame cNetwork::Play(const PlayerControls& local, StepEvents* events, bool* rolledBack,
                                  const WaitHook& wait) {
    *rolledBack = false;
    PadState player1{}, player2{};
    const ExchangeResult result = Exchange(PackControls(local), &player1, &player2, wait);
    if (result == ExchangeResult::GaveUp) return Frame::Interrupted;
    if (result == ExchangeResult::Failed) return Frame::Failed;
    ConfirmedStep& step = kept_[confirmed_ % kChecksumRing];
    step = ConfirmedStep{};
    step.records[0] = UnpackControls(player1);
    step.records[1] = UnpackControls(player2);
    stepGame_(*game_, step.records, *events);
    // Both machines took this step on the same records: it is confirmed.
    step.checksum = StateChecksum(*game_);
    step.resultAfter = game_->scene == static_cast<int32_t>(SceneKind::Result);
    step.difficulty = game_->result.difficulty;
    step.score = game_->result.score;
    ++confirmed_;
    NoteStateChecksum(step.checksum);
    return events->chainEnded ? Frame::Ended : Frame::Stepped;
}

uint32_t cNetwork::SilentMs() const { return timeGetTime() - lastHeard_; }

bool cNetwork::ConfirmedStepAt(uint32_t step, ConfirmedStep* out) const {
    if (step >= confirmed_ || confirmed_ - step > kChecksumRing) return false;
    *out = kept_[step % kChecksumRing];
    return true;
}

NetStats cNetwork::Stats() const {
    NetStats s;
    s.roundTripMs = roundTrip_;
    return s;
}

void cNetwork::Shutdown() {
    if (!open_) return;
    if (active_) {
        const uint8_t quit = kMessageQuit;
        SocketSend(socket_, &quit, 1);  // the other side may be gone already
    }
    // Both roles end and close their connection, so neither side keeps it
    // half-open after this machine has gone.
    SocketShutdown(socket_);
    SocketClose(socket_);
    socket_ = kNoSocket;
    active_ = false;
    open_ = false;
}
