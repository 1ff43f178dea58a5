// `cNetwork`: two machines play in lockstep on shared pad input.
//
// In every logic step each machine sends the `current` record of its own first
// pad to the other and receives the other's, so that on both machines pad slot 0
// holds the pad of the machine whose role is 1 and slot 1 the pad of the other.
// The role-1 machine sends first and then waits; the other waits and then
// answers, so the two never wait for each other at the same time.
//
// On the stream there are only two kinds of message: a 29-byte pad-state message
// (kind byte 0, then the 28 `PadState` bytes as they lie in memory) and the
// 1-byte quit notice (kind byte 1) that a machine sends when it shuts down. No
// framing, no sequence numbers: exactly one pad-state message each way per step.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "app/Options.h"
#include "input/PadState.h"
#include "platform/socket.h"

// A connection exists: the exit-time shut-down has work to do.
extern bool netOpen;
// The exchange runs in every logic step.
extern bool netActive;
// 1: this machine sends first and its pad is slot 0 on both machines. Any other
// value: it receives first and its pad is slot 1.
extern int32_t netRole;
// The connected stream of the role-1 machine, and of the other role.
extern SocketHandle netSocket1;
extern SocketHandle netSocket2;

constexpr uint8_t kMessagePadState = 0;
constexpr uint8_t kMessageQuit = 1;
constexpr size_t kPadStateSize = 28;
constexpr size_t kPadMessageSize = 1 + kPadStateSize;
// How long --join keeps trying to reach the hosting machine.
constexpr uint32_t kConnectTimeoutMs = 10000;

// One exchange: sends this machine's pad and receives the other's into the pad
// slots as described above. False when a send or a receive failed or the other
// machine quit; the reason is then written as one line to standard error and
// kept for NetworkFailure().
bool ExchangePadStates();
// Sends one pad-state message on the role's socket; false on a send error.
bool SendPadState(const PadState& state);
// Receives the next message on the role's socket, put together from as many
// pieces as the stream delivers. False on a receive error, when the other side
// closed the stream, or when the message is not a pad-state message.
bool ReceivePadState(PadState* state);
// At exit: sends the quit notice while the exchange is active, then ends and
// closes the connection. Does nothing when no connection was made; running it
// twice does nothing the second time.
void ShutdownNetwork();

// Why the last send or receive failed, one line without a prefix ("" if none).
const char* NetworkFailure();

// Sets up the two-machine game asked for on the command line: --host waits for a
// partner and plays as role 1, --join connects and plays as role 2. Sets the
// socket, `netRole`, `netOpen` and `netActive`. With neither option it does
// nothing and returns true. Ctrl+C cancels the wait. False with *error set (one
// line) when the connection cannot be made; nothing is left open then.
bool ConnectNetwork(const AppOptions& options, std::string* error);
// The same with the time --join keeps trying given in milliseconds.
bool ConnectNetwork(const AppOptions& options, uint32_t connectTimeoutMs, std::string* error);

// Runs ShutdownNetwork during static destruction.
struct NetworkLifetime {
    ~NetworkLifetime() { ShutdownNetwork(); }
};
