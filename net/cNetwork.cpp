#include "net/cNetwork.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>

#include "platform/clock.h"
#include "platform/report.h"

static_assert(kPadStateBytes == kPadStateSize, "a message carries one pad record");

bool netOpen = false;
bool netActive = false;
int32_t netRole = 0;
SocketHandle netSocket1 = kNoSocket;
SocketHandle netSocket2 = kNoSocket;
uint32_t netSeed = 0;
int32_t netDelay = 0;

namespace {

// How long one wait for the other machine lasts before the hook is asked again.
constexpr int kWaitSliceMs = 4;
// Own checksums kept for comparison: more than the largest delay needs.
constexpr uint32_t kChecksumRing = 64;
constexpr char kMagic[6] = {'K', 'A', 'Z', 'I', 'R', 'O'};
constexpr uint8_t kNoDelayWish = 0xFF;

// Fixed storage: readable at any time, also during static destruction.
char failure[200];
bool gaveUp = false;

// Own records sent and not yet applied: at most the largest delay, and the
// one of this step.
constexpr uint32_t kAheadRing = kMaxDelay + 2;

// The exchange's progress since the machines connected. Trivially
// destructible: the exit-time shut-down may still use it during static
// destruction.
struct Lockstep {
    uint32_t step = 0;                // steps exchanged so far
    PadState ahead[kAheadRing] = {};  // own records sent for the coming steps, by step
    uint32_t checksums[kChecksumRing] = {};
    uint32_t checksumSteps[kChecksumRing] = {};
    uint32_t lastStep = kNoChecksumStep;  // the newest own checksum, sent next
    uint32_t last = 0;
};
Lockstep lockstep;
static_assert(std::is_trivially_destructible<Lockstep>::value, "usable during static destruction");

SocketHandle RoleSocket() { return netRole == 1 ? netSocket1 : netSocket2; }

void SetFailure(const std::string& reason) {
    std::snprintf(failure, sizeof failure, "%s", reason.c_str());
}

// Waits until the socket has something to read; `start` is when the wait for
// the whole message began, so a partner that sends it in slow pieces is given
// up on as one that sends nothing. False when `wait` gave up.
bool AwaitPartner(SocketHandle socket, const WaitHook& wait, uint32_t start) {
    if (!wait) return true;  // a plain blocking receive
    for (;;) {
        const int ready = SocketWaitReadable(socket, kWaitSliceMs);
        if (ready != 0) return true;  // data, the end of the stream, or an error for recv to see
        if (!wait(timeGetTime() - start)) {
            gaveUp = true;
            return false;
        }
    }
}

// Compares the checksum a record of the other machine carries with this
// machine's own for the same step. False (with the failure set) when they differ.
bool SameGame(const PadState& theirs) {
    const uint32_t step = static_cast<uint32_t>(theirs.rz);
    if (step == kNoChecksumStep) return true;
    const uint32_t slot = step % kChecksumRing;
    if (lockstep.checksumSteps[slot] != step) return true;  // not kept (or not reached) here
    const uint32_t mine = lockstep.checksums[slot];
    const uint32_t other = static_cast<uint32_t>(theirs.z);
    if (mine == other) return true;
    char text[200];
    std::snprintf(text, sizeof text,
                  "the two machines' games went apart at step %u (state checksum %08X here, "
                  "%08X on the other machine)",
                  static_cast<unsigned>(step), static_cast<unsigned>(mine),
                  static_cast<unsigned>(other));
    SetFailure(text);
    return false;
}

// --- Connection set-up ---------------------------------------------------------

// Reads exactly `size` bytes before the deadline (timeGetTime); false with *error set.
bool ReadBefore(SocketHandle s, uint8_t* buffer, size_t size, uint32_t start,
                std::string* error) {
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

std::string VersionIn(const uint8_t* hello) {
    const char* text = reinterpret_cast<const char*>(hello + 8);
    return std::string(text, strnlen(text, 16));
}

// Both machines greet each other and compare versions; the host then measures
// the round trip and sends the seed and the delay.
bool ShakeHands(SocketHandle s, bool host, int32_t wantedDelay, std::string* error) {
    const uint32_t start = timeGetTime();
    uint8_t hello[kHelloSize] = {};
    std::memcpy(hello, kMagic, sizeof kMagic);
    hello[6] = kProtocolVersion;
    hello[7] = wantedDelay >= 0 ? static_cast<uint8_t>(wantedDelay) : kNoDelayWish;
    // The version fills up to all 16 bytes, NUL-padded (not terminated).
    std::memcpy(hello + 8, KAZIRO_VERSION, strnlen(KAZIRO_VERSION, 16));
    if (!Write(s, hello, sizeof hello, error)) return false;

    // A machine that does not greet at all (an older kaziro starts with its
    // first record) is found by the first byte.
    const std::string otherVersion =
        std::string("the other machine does not greet as kaziro ") + KAZIRO_VERSION +
        " does: it runs another version (both machines must run the same version)";
    uint8_t theirs[kHelloSize] = {};
    if (!ReadBefore(s, theirs, 1, start, error)) return false;
    if (theirs[0] != kMagic[0]) {
        *error = otherVersion;
        return false;
    }
    if (!ReadBefore(s, theirs + 1, sizeof theirs - 1, start, error)) return false;
    if (std::memcmp(theirs, kMagic, sizeof kMagic) != 0) {
        *error = otherVersion;
        return false;
    }
    const std::string version = VersionIn(theirs);
    if (theirs[6] != kProtocolVersion || version != KAZIRO_VERSION) {
        *error = "the other machine runs kaziro " + version + ", this one " + KAZIRO_VERSION +
                 ": both machines must run the same version";
        return false;
    }

    if (host) {
        uint32_t worst = 0;
        for (int i = 0; i < kPings; ++i) {
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
            const uint32_t roundTrip = timeGetTime() - sent;
            if (roundTrip > worst) worst = roundTrip;
        }
        // This machine's --delay, else the other's, else from the round trip.
        int32_t delay = wantedDelay;
        if (delay < 0 && theirs[7] != kNoDelayWish) delay = theirs[7];
        if (delay < 0) delay = DelayForRoundTrip(worst);
        if (delay > kMaxDelay) delay = kMaxDelay;
        netDelay = delay;
        netSeed = timeGetTime();
        uint8_t go[kStartSize] = {'S', static_cast<uint8_t>(delay), 0, 0};
        for (int i = 0; i < 4; ++i) go[4 + i] = static_cast<uint8_t>(netSeed >> (8 * i));
        if (!Write(s, go, sizeof go, error)) return false;
        Report("network", "round trip %u ms; input delay %d steps (%d ms)",
               static_cast<unsigned>(worst), static_cast<int>(delay), static_cast<int>(delay * 16));
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
        if (kind != 'S') {
            *error = "the other machine sent a greeting this version does not know";
            return false;
        }
        uint8_t go[kStartSize] = {kind};
        if (!ReadBefore(s, go + 1, sizeof go - 1, start, error)) return false;
        netDelay = go[1] > kMaxDelay ? kMaxDelay : go[1];
        netSeed = 0;
        for (int i = 0; i < 4; ++i) netSeed |= static_cast<uint32_t>(go[4 + i]) << (8 * i);
        Report("network", "input delay %d steps (%d ms)", static_cast<int>(netDelay),
               static_cast<int>(netDelay * 16));
        return true;
    }
}

}  // namespace

const char* NetworkFailure() { return failure; }

int32_t DelayForRoundTrip(uint32_t roundTripMs) {
    // The way there is half the round trip; a record must arrive before the
    // step it is for, so the delay covers it with a quarter step to spare.
    const uint32_t oneWay = (roundTripMs + 1) / 2 + 4;
    int32_t delay = static_cast<int32_t>((oneWay + 15) / 16);
    if (delay < 1) delay = 1;
    return delay > kMaxDelay ? kMaxDelay : delay;
}

bool SendPadState(const PadState& state) {
    uint8_t message[kPadMessageSize];
    message[0] = kMessagePadState;
    EncodePadState(state, message + 1);
    if (SocketSend(RoleSocket(), message, sizeof message) < 0) {
        SetFailure("the connection to the other machine broke: " + SocketErrorText());
        return false;
    }
    return true;
}

bool ReceivePadState(PadState* state, const WaitHook& wait) {
    uint8_t message[kPadMessageSize] = {};
    size_t received = 0;
    const SocketHandle socket = RoleSocket();
    const uint32_t start = timeGetTime();
    while (received < kPadMessageSize) {
        if (!AwaitPartner(socket, wait, start)) return false;
        const long n = SocketReceive(socket, message + received, kPadMessageSize - received);
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
                SetFailure("the other machine quit");
            } else {
                char text[80];
                std::snprintf(text, sizeof text,
                              "the other machine sent a message of unknown kind %u",
                              static_cast<unsigned>(message[0]));
                SetFailure(text);
            }
            return false;
        }
    }
    *state = DecodePadState(message + 1);
    return true;
}

ExchangeResult ExchangePadStates(const PadState& local, const PadState& neutral,
                                 PadState* player1, PadState* player2, const WaitHook& wait) {
    gaveUp = false;
    // Kept within the ring of own records whatever the delay was set to.
    const uint32_t delay = static_cast<uint32_t>(std::clamp<int32_t>(netDelay, 0, kMaxDelay));
    PadState outgoing = local;
    outgoing.z = static_cast<int32_t>(lockstep.last);
    outgoing.rz = static_cast<int32_t>(lockstep.lastStep);
    // From step D on, each step needs the other machine's record sent D steps ago.
    const bool receives = lockstep.step >= delay;
    PadState theirs = neutral;
    bool ok = true;
    bool same = true;
    if (netRole == 1) {
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
            const std::string desync = failure;
            SendPadState(outgoing);
            SetFailure(desync);
        }
    }
    if (!ok || !same) {
        if (gaveUp) return ExchangeResult::GaveUp;
        Report("network", "%s", failure);
        return ExchangeResult::Failed;
    }
    // This step's record of this machine is the one it sent D steps ago.
    lockstep.ahead[lockstep.step % kAheadRing] = outgoing;
    PadState mine = neutral;
    if (receives) mine = lockstep.ahead[(lockstep.step - delay) % kAheadRing];
    // Both machines apply the records as they went over the wire.
    *(netRole == 1 ? player1 : player2) = mine;
    *(netRole == 1 ? player2 : player1) = theirs;
    ++lockstep.step;
    return ExchangeResult::Done;
}

void NoteStateChecksum(uint32_t checksum) {
    if (lockstep.step == 0) return;
    const uint32_t step = lockstep.step - 1;
    lockstep.checksums[step % kChecksumRing] = checksum;
    lockstep.checksumSteps[step % kChecksumRing] = step;
    lockstep.last = checksum;
    lockstep.lastStep = step;
}

void ResetLockstep() { lockstep = Lockstep{}; }

void ShutdownNetwork() {
    if (!netOpen) return;
    const SocketHandle socket = RoleSocket();
    if (netActive) {
        const uint8_t quit = kMessageQuit;
        SocketSend(socket, &quit, 1);  // the other side may be gone already
    }
    // Both roles end and close their connection, so neither side keeps it
    // half-open after this machine has gone.
    SocketShutdown(socket);
    SocketClose(socket);
    if (netRole == 1) {
        netSocket1 = kNoSocket;
    } else {
        netSocket2 = kNoSocket;
    }
    netActive = false;
    netOpen = false;
    ResetLockstep();
}

bool ConnectNetwork(const AppOptions& options, std::string* error) {
    return ConnectNetwork(options, kConnectTimeoutMs, error);
}

bool ConnectNetwork(const AppOptions& options, uint32_t connectTimeoutMs, std::string* error) {
    if (options.net == AppOptions::Net::None) return true;

    InterruptWatch watch;
    const CancelCheck cancelled = [&watch] { return watch.Interrupted(); };
    bool wasCancelled = false;
    SocketHandle socket = kNoSocket;
    const bool host = options.net == AppOptions::Net::Host;
    if (host) {
        const uint16_t port = options.port;
        socket = AcceptOnePartner(
            port,
            [port] {
                Report("network", "waiting for a second machine to join on port %u (Ctrl+C to cancel)",
                       static_cast<unsigned>(port));
            },
            cancelled, &wasCancelled, error);
    } else {
        Report("network", "connecting to %s port %u (Ctrl+C to cancel)", options.host.c_str(),
               static_cast<unsigned>(options.port));
        socket = ConnectToPartner(options.host, options.port, connectTimeoutMs, cancelled,
                                  &wasCancelled, error);
    }
    if (socket == kNoSocket) return false;
    if (!ShakeHands(socket, host, options.delay, error)) {
        SocketShutdown(socket);
        SocketClose(socket);
        return false;
    }

    if (host) {
        netRole = 1;
        netSocket1 = socket;
    } else {
        netRole = 2;
        netSocket2 = socket;
    }
    failure[0] = '\0';
    ResetLockstep();
    netOpen = true;
    netActive = true;
    return true;
}
