// Stream sockets for the two-machine game: the few calls the pad-state
// exchange makes, and setting up its one connection.
//
// Every send is made so that a peer that has gone away gives an error result
// and never a signal that ends the process. Interrupted calls are retried.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

using SocketHandle = int;
constexpr SocketHandle kNoSocket = -1;

// Sends all `size` bytes (a blocking stream may take them in several parts).
// Returns `size`, or -1 on an error (the peer closed or reset the connection...).
long SocketSend(SocketHandle socket, const void* data, size_t size);
// One receive of at most `size` bytes: the count received, 0 when the peer has
// closed the connection, -1 on an error.
long SocketReceive(SocketHandle socket, void* buffer, size_t size);
// Waits at most timeoutMs for something to read (data, or the end of the
// stream): 1 when there is, 0 when the time ran out, -1 on an error.
int SocketWaitReadable(SocketHandle socket, int timeoutMs);
// Ends both directions of the connection.
void SocketShutdown(SocketHandle socket);
void SocketClose(SocketHandle socket);
// The text of the last socket error on this thread (strerror of errno).
std::string SocketErrorText();

// Asked between short waits while a set-up call waits; true ends the wait.
using CancelCheck = std::function<bool()>;

// Listens on every local address (IPv6 and IPv4) at `port`, calls `onListening`
// once the port is open, and waits for one partner. Returns the connected socket
// with TCP_NODELAY set, or kNoSocket with *error filled when the port cannot be
// opened or `cancelled` answered true (then *wasCancelled is set).
SocketHandle AcceptOnePartner(uint16_t port, const std::function<void()>& onListening,
                              const CancelCheck& cancelled, bool* wasCancelled,
                              std::string* error);

// Connects to host:port, trying again while the partner is not there yet, for at
// most `timeoutMs` milliseconds. Returns the connected socket with TCP_NODELAY set,
// or kNoSocket with *error filled (unknown host, time-out, cancelled).
SocketHandle ConnectToPartner(const std::string& host, uint16_t port, uint32_t timeoutMs,
                              const CancelCheck& cancelled, bool* wasCancelled,
                              std::string* error);

// Turns on keep-alive probes, so a partner machine that vanished without closing
// the connection is noticed after about half a minute instead of never.
void SocketKeepAlive(SocketHandle socket);

// A connected pair of stream sockets on this machine (tests and benchmarks).
bool SocketPair(SocketHandle* first, SocketHandle* second);

// While an object of this type lives, SIGINT (Ctrl+C) and SIGTERM set a flag
// instead of ending the process, and interrupt waits so they can notice it
// (and the set-up can undo what it did). The previous handling is put back
// when it is destroyed.
class InterruptWatch {
public:
    InterruptWatch();
    ~InterruptWatch();
    InterruptWatch(const InterruptWatch&) = delete;
    InterruptWatch& operator=(const InterruptWatch&) = delete;
    // Whether SIGINT or SIGTERM arrived since this object was made.
    bool Interrupted() const;
};

// Whether this build can play two machines at all (a browser page cannot yet):
// where not, every call above fails at once, saying so.
bool TwoMachinePlayAvailable();
