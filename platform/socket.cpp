#include "platform/socket.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace {

// How long one wait lasts before the cancel check is asked again.
constexpr int kWaitSliceMs = 100;
// Pause between two connection attempts while the partner is not listening yet.
constexpr int kRetryPauseMs = 250;

volatile sig_atomic_t interruptFlag = 0;
struct sigaction previousInterrupt;
struct sigaction previousTerminate;

void OnInterrupt(int) { interruptFlag = 1; }

void SetOption(SocketHandle socket, int level, int name, int value) {
    setsockopt(socket, level, name, &value, sizeof value);
}

void SetNoDelay(SocketHandle socket) { SetOption(socket, IPPROTO_TCP, TCP_NODELAY, 1); }

bool SetBlocking(SocketHandle socket, bool blocking) {
    const int flags = fcntl(socket, F_GETFL, 0);
    if (flags < 0) return false;
    const int wanted = blocking ? (flags & ~O_NONBLOCK) : (flags | O_NONBLOCK);
    return fcntl(socket, F_SETFL, wanted) == 0;
}

// Waits for `events` on the socket in short slices. Returns 1 when ready, 0 when
// `deadline` passed, -1 when cancelled, -2 on a poll error.
int WaitFor(SocketHandle socket, short events, const CancelCheck& cancelled,
            const std::chrono::steady_clock::time_point* deadline) {
    for (;;) {
        if (cancelled && cancelled()) return -1;
        int slice = kWaitSliceMs;
        bool last = false;
        if (deadline) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  *deadline - std::chrono::steady_clock::now())
                                  .count();
            // Past the deadline, one last look without waiting: an answer that
            // is already there still counts.
            if (left <= 0) {
                slice = 0;
                last = true;
            } else if (left < slice) {
                slice = static_cast<int>(left);
            }
        }
        pollfd entry{socket, events, 0};
        const int ready = poll(&entry, 1, slice);
        if (ready > 0) return 1;
        if (ready < 0 && errno != EINTR) return -2;
        if (last) return 0;
    }
}

// Sleeps `ms` in slices; false when cancelled on the way.
bool PauseUnlessCancelled(int ms, const CancelCheck& cancelled) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < end) {
        if (cancelled && cancelled()) return false;
        poll(nullptr, 0, 10);
    }
    return !(cancelled && cancelled());
}

SocketHandle OpenListener(uint16_t port, std::string* error) {
    SocketHandle listener = socket(AF_INET6, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener >= 0) {
        SetOption(listener, SOL_SOCKET, SO_REUSEADDR, 1);
        SetOption(listener, IPPROTO_IPV6, IPV6_V6ONLY, 0);  // IPv4 partners too
        sockaddr_in6 address{};
        address.sin6_family = AF_INET6;
        address.sin6_addr = in6addr_any;
        address.sin6_port = htons(port);
        if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            listen(listener, 1) == 0) {
            return listener;
        }
        if (errno != EAFNOSUPPORT && errno != EADDRNOTAVAIL) {
            *error = "cannot listen on port " + std::to_string(port) + ": " + SocketErrorText();
            close(listener);
            return kNoSocket;
        }
        close(listener);
    }
    // No IPv6 on this machine: IPv4 only.
    listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listener < 0) {
        *error = "cannot make a socket: " + SocketErrorText();
        return kNoSocket;
    }
    SetOption(listener, SOL_SOCKET, SO_REUSEADDR, 1);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(port);
    if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener, 1) != 0) {
        *error = "cannot listen on port " + std::to_string(port) + ": " + SocketErrorText();
        close(listener);
        return kNoSocket;
    }
    return listener;
}

// One non-blocking connection attempt to one address, bounded by the deadline.
// Returns the connected (blocking again) socket, or kNoSocket with *failure set;
// *wasCancelled is set when the cancel check ended the wait.
SocketHandle TryConnect(const addrinfo* address, const CancelCheck& cancelled,
                        const std::chrono::steady_clock::time_point& deadline,
                        bool* wasCancelled, std::string* failure) {
    SocketHandle s = socket(address->ai_family, address->ai_socktype | SOCK_CLOEXEC,
                            address->ai_protocol);
    if (s < 0) {
        *failure = SocketErrorText();
        return kNoSocket;
    }
    SetBlocking(s, false);
    if (connect(s, address->ai_addr, address->ai_addrlen) != 0) {
        if (errno != EINPROGRESS && errno != EINTR) {
            *failure = SocketErrorText();
            close(s);
            return kNoSocket;
        }
        const int waited = WaitFor(s, POLLOUT, cancelled, &deadline);
        if (waited != 1) {
            if (waited == -1) *wasCancelled = true;
            *failure = waited == 0 ? "no answer" : SocketErrorText();
            close(s);
            return kNoSocket;
        }
        int status = 0;
        socklen_t length = sizeof status;
        if (getsockopt(s, SOL_SOCKET, SO_ERROR, &status, &length) != 0 || status != 0) {
            *failure = std::strerror(status != 0 ? status : errno);
            close(s);
            return kNoSocket;
        }
    }
    SetBlocking(s, true);
    return s;
}

}  // namespace

long SocketSend(SocketHandle socket, const void* data, size_t size) {
    const char* bytes = static_cast<const char*>(data);
    size_t sent = 0;
    while (sent < size) {
        const ssize_t n = send(socket, bytes + sent, size - sent, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR) continue;
            return -1;
        }
        sent += static_cast<size_t>(n);
    }
    return static_cast<long>(sent);
}

long SocketReceive(SocketHandle socket, void* buffer, size_t size) {
    for (;;) {
        const ssize_t n = recv(socket, buffer, size, 0);
        if (n < 0 && errno == EINTR) continue;
        return static_cast<long>(n);
    }
}

int SocketWaitReadable(SocketHandle socket, int timeoutMs) {
    if (socket < 0) return -1;  // poll would skip it and wait for nothing
    pollfd entry{socket, POLLIN, 0};
    const int ready = poll(&entry, 1, timeoutMs < 0 ? 0 : timeoutMs);
    if (ready > 0) return 1;
    if (ready == 0 || errno == EINTR) return 0;
    return -1;
}

void SocketShutdown(SocketHandle socket) {
    if (socket >= 0) shutdown(socket, SHUT_RDWR);
}

void SocketClose(SocketHandle socket) {
    if (socket >= 0) close(socket);
}

std::string SocketErrorText() { return std::strerror(errno); }

void SocketKeepAlive(SocketHandle socket) {
    SetOption(socket, SOL_SOCKET, SO_KEEPALIVE, 1);
    SetOption(socket, IPPROTO_TCP, TCP_KEEPIDLE, 10);
    SetOption(socket, IPPROTO_TCP, TCP_KEEPINTVL, 2);
    SetOption(socket, IPPROTO_TCP, TCP_KEEPCNT, 5);
    // Data the partner's machine never acknowledges also ends the connection.
    SetOption(socket, IPPROTO_TCP, TCP_USER_TIMEOUT, 30000);
}

SocketHandle AcceptOnePartner(uint16_t port, const std::function<void()>& onListening,
                              const CancelCheck& cancelled, bool* wasCancelled,
                              std::string* error) {
    *wasCancelled = false;
    const SocketHandle listener = OpenListener(port, error);
    if (listener == kNoSocket) return kNoSocket;
    if (onListening) onListening();
    for (;;) {
        const int waited = WaitFor(listener, POLLIN, cancelled, nullptr);
        if (waited == -1) {
            *wasCancelled = true;
            *error = "cancelled while waiting for a second machine";
            close(listener);
            return kNoSocket;
        }
        if (waited < 0) {
            *error = "waiting for a second machine failed: " + SocketErrorText();
            close(listener);
            return kNoSocket;
        }
        const SocketHandle partner = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (partner >= 0) {
            close(listener);
            SetNoDelay(partner);
            SocketKeepAlive(partner);
            return partner;
        }
        // A partner that gave up between poll and accept, or a signal: wait on.
        if (errno != EINTR && errno != ECONNABORTED && errno != EAGAIN && errno != EPROTO) {
            *error = "accepting the second machine failed: " + SocketErrorText();
            close(listener);
            return kNoSocket;
        }
    }
}

SocketHandle ConnectToPartner(const std::string& host, uint16_t port, uint32_t timeoutMs,
                              const CancelCheck& cancelled, bool* wasCancelled,
                              std::string* error) {
    *wasCancelled = false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    const std::string service = std::to_string(port);
    const std::string target = host + " port " + service;
    std::string lastFailure = "no answer";
    for (;;) {
        if (cancelled && cancelled()) break;
        addrinfo hints{};
        hints.ai_family = AF_UNSPEC;
        hints.ai_socktype = SOCK_STREAM;
        addrinfo* found = nullptr;
        const int lookup = getaddrinfo(host.c_str(), service.c_str(), &hints, &found);
        if (lookup != 0 && lookup != EAI_AGAIN) {
            *error = "cannot find " + host + ": " + gai_strerror(lookup);
            return kNoSocket;
        }
        if (lookup == EAI_AGAIN) lastFailure = gai_strerror(lookup);
        for (const addrinfo* a = found; a; a = a->ai_next) {
            const SocketHandle s = TryConnect(a, cancelled, deadline, wasCancelled, &lastFailure);
            if (s != kNoSocket) {
                freeaddrinfo(found);
                SetNoDelay(s);
                SocketKeepAlive(s);
                return s;
            }
            if (*wasCancelled) break;
        }
        if (found) freeaddrinfo(found);
        if (*wasCancelled || std::chrono::steady_clock::now() >= deadline) break;
        if (!PauseUnlessCancelled(kRetryPauseMs, cancelled)) break;
    }
    if ((cancelled && cancelled()) || *wasCancelled) {
        *wasCancelled = true;
        *error = "cancelled while connecting to " + target;
    } else {
        char seconds[32];
        std::snprintf(seconds, sizeof seconds, "%.3g", timeoutMs / 1000.0);
        *error = "could not connect to " + target + " within " + seconds + " s: " + lastFailure;
    }
    return kNoSocket;
}

bool SocketPair(SocketHandle* first, SocketHandle* second) {
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair) != 0) return false;
    *first = pair[0];
    *second = pair[1];
    return true;
}

InterruptWatch::InterruptWatch() {
    interruptFlag = 0;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;  // no SA_RESTART: a wait returns and sees the flag
    sigaction(SIGINT, &action, &previousInterrupt);
    sigaction(SIGTERM, &action, &previousTerminate);
}

InterruptWatch::~InterruptWatch() {
    sigaction(SIGINT, &previousInterrupt, nullptr);
    sigaction(SIGTERM, &previousTerminate, nullptr);
}

bool InterruptWatch::Interrupted() const { return interruptFlag != 0; }

bool TwoMachinePlayAvailable() { return true; }
