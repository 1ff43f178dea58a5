// A line between two game processes on loopback, with the latency of a real
// one: every piece of the stream is held for a delay (plus or minus jitter,
// never reordered) before it goes on. The relay reads what passes: the
// greeting with the input delay the host chose, then each pad-state message
// with the state checksum it carries, and counts quit notices and anything
// else. It can also change one message on its way, to force a desync.
#pragma once

#include <poll.h>
#include <sys/socket.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <random>
#include <vector>

#include "input/PadState.h"
#include "net/cNetwork.h"
#include "platform/socket.h"

class DelayRelay {
public:
    using Clock = std::chrono::steady_clock;

    struct Line {
        int delayMs = 0;   // each way
        int jitterMs = 0;  // each piece: delay plus or minus up to this
    };

    // One way through the relay.
    struct Direction {
        SocketHandle from = kNoSocket, to = kNoSocket;
        size_t greeting = 0;                      // greeting bytes still to pass
        std::vector<uint8_t> greetingBytes;       // as they passed
        std::vector<uint8_t> message;             // the pad-state message being read
        std::deque<std::pair<Clock::time_point, std::vector<uint8_t>>> held;
        Clock::time_point lastDue{};
        std::map<uint32_t, uint32_t> checksums;   // step -> state checksum carried
        std::vector<Clock::time_point> arrivals;  // when each message reached the relay
        int quits = 0;
        int badKinds = 0;
        bool ended = false;  // the sender closed its side
        int tamper = -1;     // the message (counted from 0) to change on its way
    };

    // hostSide: connected to the hosting game; joinerSide: accepted from the joining one.
    DelayRelay(SocketHandle hostSide, SocketHandle joinerSide, Line line, uint32_t seed = 1)
        : line_(line), random_(seed) {
        down.from = hostSide;
        down.to = joinerSide;
        down.greeting = kHelloSize + kPings * kPingSize + kStartSize;
        up.from = joinerSide;
        up.to = hostSide;
        up.greeting = kHelloSize + kPings * kPingSize;
    }

    // Passes the stream both ways until both senders have closed, `done`
    // answers true, or `limitMs` has gone by.
    void Run(int limitMs, const std::function<bool()>& done = {}) {
        const auto end = Clock::now() + std::chrono::milliseconds(limitMs);
        while (!(down.ended && up.ended && down.held.empty() && up.held.empty())) {
            if (Clock::now() >= end || (done && done())) break;
            Deliver(down);
            Deliver(up);
            pollfd fds[2] = {{down.ended ? -1 : down.from, POLLIN, 0},
                             {up.ended ? -1 : up.from, POLLIN, 0}};
            if (poll(fds, 2, 1) <= 0) continue;
            Take(down, fds[0]);
            Take(up, fds[1]);
        }
    }

    // The input delay the host announced in its greeting (-1 before it passed).
    int AnnouncedDelay() const {
        const size_t start = kHelloSize + kPings * kPingSize;
        return down.greetingBytes.size() > start + 1 ? down.greetingBytes[start + 1] : -1;
    }

    // Steps whose checksums both machines sent, and how many of them differ.
    void CompareChecksums(int* compared, int* differing) const {
        *compared = *differing = 0;
        for (const auto& [step, checksum] : down.checksums) {
            auto other = up.checksums.find(step);
            if (other == up.checksums.end()) continue;
            ++*compared;
            if (other->second != checksum) ++*differing;
        }
    }

    // Messages per second that reached the relay one way, between the
    // first+skip'th message and the last.
    static double StepsPerSecond(const Direction& d, size_t skip) {
        if (d.arrivals.size() < skip + 2) return 0.0;
        const double seconds =
            std::chrono::duration<double>(d.arrivals.back() - d.arrivals[skip]).count();
        return seconds > 0.0 ? static_cast<double>(d.arrivals.size() - 1 - skip) / seconds : 0.0;
    }

    Direction down;  // from the host (player 1) to the joining machine
    Direction up;    // from the joining machine (player 2) to the host

private:
    void Take(Direction& d, const pollfd& f) {
        if (d.ended || !(f.revents & (POLLIN | POLLHUP | POLLERR))) return;
        uint8_t buffer[4096];
        const long n = SocketReceive(d.from, buffer, sizeof buffer);
        if (n <= 0) {
            d.ended = true;
            return;
        }
        std::vector<uint8_t> piece(buffer, buffer + n);
        for (uint8_t& byte : piece) Read(d, byte);
        const int jitter =
            line_.jitterMs > 0
                ? static_cast<int>(random_() % static_cast<uint32_t>(2 * line_.jitterMs + 1)) -
                      line_.jitterMs
                : 0;
        const auto due = std::max(
            Clock::now() + std::chrono::milliseconds(std::max(0, line_.delayMs + jitter)),
            d.lastDue);
        d.lastDue = due;
        d.held.emplace_back(due, std::move(piece));
    }

    // Follows the stream byte by byte; may change the byte (the tampered message).
    void Read(Direction& d, uint8_t& byte) {
        if (d.greeting > 0) {
            --d.greeting;
            d.greetingBytes.push_back(byte);
            return;
        }
        if (d.message.empty()) {
            if (byte == kMessageQuit) {
                ++d.quits;
                return;
            }
            if (byte != kMessagePadState) {
                ++d.badKinds;
                return;
            }
        }
        // Changing the lowest bit of the record's X puts that player's paddle a
        // hair elsewhere on one machine only.
        if (static_cast<int>(d.arrivals.size()) == d.tamper && d.message.size() == 1 + 12) {
            byte ^= 1u;
        }
        d.message.push_back(byte);
        if (d.message.size() < kPadMessageSize) return;
        const PadState pad = DecodePadState(d.message.data() + 1);
        if (static_cast<uint32_t>(pad.rz) != cNetwork::kNoChecksumStep) {
            d.checksums[static_cast<uint32_t>(pad.rz)] = static_cast<uint32_t>(pad.z);
        }
        d.arrivals.push_back(Clock::now());
        d.message.clear();
    }

    void Deliver(Direction& d) {
        const auto now = Clock::now();
        while (!d.held.empty() && d.held.front().first <= now) {
            SocketSend(d.to, d.held.front().second.data(), d.held.front().second.size());
            d.held.pop_front();
        }
        if (d.ended && d.held.empty() && d.to != kNoSocket) {
            shutdown(d.to, SHUT_WR);  // the other side sees the end of the stream too
            d.to = kNoSocket;
        }
    }

    Line line_;
    std::mt19937 random_;
};
