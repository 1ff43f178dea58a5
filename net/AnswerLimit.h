// How often the host's port answers a machine it does not play with
// (discovery answers, refusals, the greeting's answers): a few a second for
// each source address, so that one stranger asking at any rate uses up only
// its own share, and a few dozen a second in all, so that forged source
// addresses cannot make the host send much to anyone. A source is its
// address without the port (a stranger gains nothing by changing ports).
// The table of sources has a fixed size; the one heard of longest ago makes
// room for a new one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/datagram.h"

// At most `limit` events in any second (a wrapping millisecond clock).
class RateWindow {
public:
    explicit RateWindow(uint32_t limit) : times_(limit) {}
    // Whether one more may happen at nowMs.
    bool Free(uint32_t nowMs) const;
    // Counts one at nowMs (call when Free).
    void Take(uint32_t nowMs);

private:
    std::vector<uint32_t> times_;  // when the last few happened, a ring
    size_t count_ = 0;
    size_t oldest_ = 0;
};

class cAnswerLimit {
public:
    // Sources remembered at once.
    static constexpr size_t kSources = 64;

    cAnswerLimit(uint32_t perSource, uint32_t inAll);
    // Whether an answer to `from` may go out at nowMs; counts it when it may.
    bool Allow(const NetAddress& from, uint32_t nowMs);

private:
    struct Source {
        NetAddress host;
        RateWindow window;
        uint32_t lastAsked = 0;
    };
    Source& SourceOf(const NetAddress& host, uint32_t nowMs);

    uint32_t perSource_;
    RateWindow inAll_;
    std::vector<Source> sources_;
    size_t last_ = 0;  // the source asked last
};
