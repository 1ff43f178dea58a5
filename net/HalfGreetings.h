// The machines a waiting host has welcomed and not yet heard READY from.
// Several are kept at once, so a HELLO that is never finished (a stranger's,
// or one of the HELLOs a joiner sends to each of the host's addresses when
// meeting by a room code) cannot keep a real partner out: the first to say
// READY with its token is the partner. A machine that has not finished
// within kGreetingMs is forgotten. When all kHalfGreetings places are taken,
// a new HELLO takes the place of the oldest machine that never answered its
// WELCOME with the token (one whose address may be forged), else of the oldest.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/SessionParts.h"
#include "platform/datagram.h"

constexpr size_t kHalfGreetings = 8;

struct HalfGreeted {
    NetAddress from;
    uint64_t nonce = 0;          // of its HELLO
    uint64_t token = 0;          // the session's, should it finish
    uint32_t seed = 0;
    uint32_t delay = 0;
    std::vector<uint8_t> welcome;
    uint32_t at = 0;             // welcomed then
    bool answered = false;       // a datagram with the token came back: the address is real
};

class HalfGreetings {
public:
    HalfGreeted* Find(const NetAddress& from) {
        for (HalfGreeted& h : greeted_) {
            if (h.from == from) return &h;
        }
        return nullptr;
    }
    // A place for `from` (its old one, a free one or one taken back), emptied.
    HalfGreeted& Add(const NetAddress& from, uint32_t now) {
        HalfGreeted* place = Find(from);
        if (!place && greeted_.size() < kHalfGreetings) place = &greeted_.emplace_back();
        if (!place) place = Oldest(true);
        if (!place) place = Oldest(false);
        *place = HalfGreeted{};
        place->from = from;
        place->at = now;
        return *place;
    }
    // Forgets the machines welcomed more than kGreetingMs ago; their addresses.
    std::vector<NetAddress> Expire(uint32_t now) {
        std::vector<NetAddress> gone;
        for (size_t i = 0; i < greeted_.size();) {
            if (now - greeted_[i].at > kGreetingMs) {
                gone.push_back(greeted_[i].from);
                greeted_.erase(greeted_.begin() + static_cast<long>(i));
            } else {
                ++i;
            }
        }
        return gone;
    }
    size_t Count() const { return greeted_.size(); }

private:
    HalfGreeted* Oldest(bool unansweredOnly) {
        HalfGreeted* oldest = nullptr;
        for (HalfGreeted& h : greeted_) {
            if (unansweredOnly && h.answered) continue;
            if (!oldest || static_cast<int32_t>(h.at - oldest->at) < 0) oldest = &h;
        }
        return oldest;
    }

    std::vector<HalfGreeted> greeted_;
};
