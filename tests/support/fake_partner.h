// The other machine of a two-machine game, played by a test on its own
// socket: it speaks the greeting (as a joining or as a hosting machine) and
// then does what the test asks, or nothing at all.
#pragma once

#include <poll.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "net/cNetwork.h"
#include "platform/socket.h"

inline void Write(SocketHandle s, const std::vector<uint8_t>& bytes) {
    SocketSend(s, bytes.data(), bytes.size());
}

// Reads exactly n bytes, or fewer when the stream ends or nothing comes for 2 s.
inline std::vector<uint8_t> Read(SocketHandle s, size_t n) {
    std::vector<uint8_t> got;
    while (got.size() < n) {
        pollfd entry{s, POLLIN, 0};
        if (poll(&entry, 1, 2000) <= 0) break;
        uint8_t buffer[64];
        const long r = SocketReceive(s, buffer, std::min(sizeof buffer, n - got.size()));
        if (r <= 0) break;
        got.insert(got.end(), buffer, buffer + r);
    }
    return got;
}

// The greeting of a machine that runs kaziro `version` and asks for `delay`
// (0xFF: no wish).
inline std::vector<uint8_t> Hello(const char* version, uint8_t delay = 0xFF) {
    std::vector<uint8_t> hello(kHelloSize, 0);
    std::memcpy(hello.data(), "KAZIRO", 6);
    hello[6] = kProtocolVersion;
    hello[7] = delay;
    std::memcpy(hello.data() + 8, version, std::strlen(version));
    return hello;
}

// The other side of the set-up, played by the test on its own socket.
struct FakePartner {
    SocketHandle socket = kNoSocket;
    std::vector<uint8_t> theirHello;
    std::vector<uint8_t> start;  // what a joining fake received: 'S', delay, 0, 0, seed

    // As a joining machine: greets, echoes the pings, takes the start.
    void Join(const char* version) {
        Write(socket, Hello(version));
        theirHello = Read(socket, kHelloSize);
        for (;;) {
            std::vector<uint8_t> kind = Read(socket, 1);
            if (kind.empty()) return;
            if (kind[0] == 'S') {
                start = kind;
                const std::vector<uint8_t> rest = Read(socket, kStartSize - 1);
                start.insert(start.end(), rest.begin(), rest.end());
                return;
            }
            std::vector<uint8_t> echo = kind;
            const std::vector<uint8_t> seq = Read(socket, 1);
            echo.insert(echo.end(), seq.begin(), seq.end());
            Write(socket, echo);
        }
    }
    // As a hosting machine: greets, measures, starts the game with seed and delay.
    void Host(uint32_t seed, uint8_t delay) {
        Write(socket, Hello(KAZIRO_VERSION));
        theirHello = Read(socket, kHelloSize);
        for (uint8_t i = 0; i < kPings; ++i) {
            Write(socket, {'P', i});
            if (Read(socket, kPingSize) != std::vector<uint8_t>{'P', i}) return;
        }
        Write(socket, {'S', delay, 0, 0, static_cast<uint8_t>(seed), static_cast<uint8_t>(seed >> 8),
                       static_cast<uint8_t>(seed >> 16), static_cast<uint8_t>(seed >> 24)});
    }
};

