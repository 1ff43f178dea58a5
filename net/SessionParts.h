// What both kinds of two-machine game share before and around their first
// step: the limits, the greeting's choices (the version, the input delay,
// the round trip, the seed and the session's token), how far prediction may
// go on a line, and the bounded drain of a datagram socket.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/datagram.h"

// The largest input delay: 30 steps, about half a second.
constexpr uint32_t kMaxDelay = 30;
// "No input delay asked for", as a greeting carries it.
constexpr uint8_t kNoDelayWish = 0xFF;
// Round trips measured during a greeting; the median is taken.
constexpr int kPings = 5;
// A greeting takes at most this long once the other machine answered.
constexpr uint32_t kGreetingMs = 10000;
// A silent partner: the field says so after a second, the game ends after ten.
constexpr uint32_t kShowWaitingMs = 1000;
constexpr uint32_t kGiveUpMs = 10000;

// A random 64-bit number: session tokens and nonces.
uint64_t NewToken();
// The seed of a new game's generator, picked by the host.
uint32_t NewSeed();

// The host's input delay: its own --delay (`mine`, -1: none), else the
// joiner's wish (kNoDelayWish: none), else `fallback`; at most kMaxDelay.
uint32_t ChooseDelay(int mine, uint8_t theirWish, uint32_t fallback);
// The input delay for a measured round trip: enough steps to cover the way
// there, with a margin for jitter, at least 1 and at most kMaxDelay.
uint32_t DelayForRoundTrip(uint32_t roundTripMs);

// How many steps prediction may go past the other machine's last record on
// a line of this round trip: the way here, in steps, and 6 more for jitter,
// a lost datagram and the frames' phase; at least cRollback's default and at
// most its ceiling. Only waiting depends on it, never the game.
uint32_t PredictionWindowFor(uint32_t roundTripMs);

// Round trips measured during a greeting.
class RoundTrips {
public:
    void Add(uint32_t ms) { samples_.push_back(ms); }
    bool Enough() const { return samples_.size() >= static_cast<size_t>(kPings); }
    // The middle one (0 before any): the line's round trip, not its worst moment.
    uint32_t Median() const;

private:
    std::vector<uint32_t> samples_;
};

// Why two machines of different versions do not play, as both say it.
std::string OtherVersionText(const std::string& theirVersion);
// Why two machines whose rules' arithmetic differs (game/Fingerprint.h) do
// not play: their games would go apart.
std::string OtherArithmeticText(uint32_t theirFingerprint);

// How long one drain of a socket may take at most: a tenth of a step.
constexpr auto kDrainBudget = std::chrono::microseconds(1600);

// Takes the datagrams waiting on `socket` until none is left, handing each to
// take(bytes, size, from); stops early when take returns false, and when
// `budget` went by (a flood is drained as fast as it comes, but cannot hold
// the caller for long). Datagrams longer than `capacity` are dropped unread.
// False on a receive error.
template <typename Take>
bool DrainDatagrams(DatagramSocket* socket, uint8_t* buffer, size_t capacity, Take take,
                    std::chrono::microseconds budget = kDrainBudget) {
    const auto end = std::chrono::steady_clock::now() + budget;
    NetAddress from;
    for (int i = 1;; ++i) {
        const long n = ReceiveDatagram(socket, buffer, capacity, &from);
        if (n == -1) return false;
        if (n == 0) return true;
        if (n > 0 && !take(static_cast<const uint8_t*>(buffer), static_cast<size_t>(n), from)) {
            return true;
        }
        // The clock is read now and then: a datagram takes a microsecond or two.
        if (i % 32 == 0 && std::chrono::steady_clock::now() >= end) return true;
    }
}
