// `cNetwork`: two machines play one game, step for step.
//
// Every logic step each machine sends the record of its own player and
// receives the other's, so both machines apply the same two records in the
// same step. The role-1 machine (the host, player 1) sends first and then
// waits; the other waits and then answers. To hide the line's latency, the
// record sent in step k carries the controls for step k + D, the input delay
// agreed when the machines connected; the first D steps apply neutral
// records. With D = 0 every step waits for a full round trip.
//
// On the stream there are only two kinds of message: a 29-byte pad-state
// message (kind byte 0, then the 28-byte pad record, little-endian) and the
// 1-byte quit notice (kind byte 1). The record's Z and RZ axes carry a
// checksum of the sender's game state after an earlier step and that step's
// number, so a desync is found within a step or two.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "app/Options.h"
#include "input/PadState.h"
#include "platform/socket.h"

// A connection exists: the exit-time shut-down has work to do.
extern bool netOpen;
// The exchange runs in every logic step.
extern bool netActive;
// 1: this machine sends first and its player is player 1 on both machines.
// Any other value: it receives first and its player is player 2.
extern int32_t netRole;
// The connected stream of the role-1 machine, and of the other role.
extern SocketHandle netSocket1;
extern SocketHandle netSocket2;
// Agreed when the machines connected: the seed both machines' generators
// start from, and the input delay in steps.
extern uint32_t netSeed;
extern int32_t netDelay;

constexpr uint8_t kMessagePadState = 0;
constexpr uint8_t kMessageQuit = 1;
constexpr size_t kPadStateSize = 28;
constexpr size_t kPadMessageSize = 1 + kPadStateSize;
// How long --join keeps trying to reach the hosting machine, and how long the
// greeting between the two machines may take once they are connected.
constexpr uint32_t kConnectTimeoutMs = 10000;
constexpr uint32_t kHandshakeTimeoutMs = 10000;
// The largest input delay: 30 steps, about half a second.
constexpr int32_t kMaxDelay = 30;
// The RZ axis of a record that carries no checksum yet.
constexpr uint32_t kNoChecksumStep = 0xFFFFFFFFu;

// The greeting both machines send first: "KAZIRO", the protocol number, the
// input delay this machine asks for (0xFF: none), the game's version (16
// bytes, NUL-padded). A machine of another version says so and both end.
constexpr size_t kHelloSize = 24;
constexpr uint8_t kProtocolVersion = 1;
// Then the host measures the round trip ('P' and a sequence byte, echoed)
// and sends the start: 'S', the delay, two zero bytes, the seed (LE).
constexpr size_t kPingSize = 2;
constexpr size_t kStartSize = 8;
constexpr int kPings = 5;

// Asked while a step waits for the other machine, between waits of a few
// milliseconds, with the time waited so far; false gives the wait up.
using WaitHook = std::function<bool(uint32_t waitedMs)>;

enum class ExchangeResult {
    Done,    // both records are there
    Failed,  // the line broke, the other machine quit, or the games differ; said on stderr
    GaveUp,  // the wait hook ended the wait
};

// One step of the exchange. `local` is this machine's record for the step
// D steps ahead; *player1 and *player2 receive the records both machines
// apply in this step, `neutral` for both in the first D steps.
ExchangeResult ExchangePadStates(const PadState& local, const PadState& neutral,
                                 PadState* player1, PadState* player2, const WaitHook& wait = {});
// After a step has run: the checksum of this machine's game state, which the
// next message carries to the other machine and which its messages are
// compared with.
void NoteStateChecksum(uint32_t checksum);
// Sends one pad-state message on the role's socket; false on a send error.
bool SendPadState(const PadState& state);
// Receives the next message on the role's socket, put together from as many
// pieces as the stream delivers. False on a receive error, when the other
// side closed the stream, when the message is not a pad-state message, or
// when `wait` gave the wait up.
bool ReceivePadState(PadState* state, const WaitHook& wait = {});
// At exit: sends the quit notice while the exchange is active, then ends and
// closes the connection. Does nothing when no connection was made; running it
// twice does nothing the second time.
void ShutdownNetwork();

// Starts the exchange over at step 0 with no checksums kept (a new
// connection; ConnectNetwork does it).
void ResetLockstep();

// Why the last exchange failed, one line without a prefix ("" if none).
const char* NetworkFailure();

// Sets up the two-machine game asked for on the command line: --host waits for
// a partner and plays as role 1, --join connects and plays as role 2; the two
// then greet each other (version check), the host measures the round trip,
// picks the seed and the input delay (--delay, or from the round trip) and
// sends them. Sets the socket, `netRole`, `netSeed`, `netDelay`, `netOpen`
// and `netActive`. With neither option it does nothing and returns true.
// Ctrl+C cancels the wait. False with *error set (one line) when the
// connection cannot be made; nothing is left open then.
bool ConnectNetwork(const AppOptions& options, std::string* error);
// The same with the time --join keeps trying given in milliseconds.
bool ConnectNetwork(const AppOptions& options, uint32_t connectTimeoutMs, std::string* error);

// The input delay for a measured round trip: enough steps to cover the way
// there, with a margin for jitter, at least 1 and at most kMaxDelay.
int32_t DelayForRoundTrip(uint32_t roundTripMs);

// Runs ShutdownNetwork during static destruction.
struct NetworkLifetime {
    ~NetworkLifetime() { ShutdownNetwork(); }
};
