// The meeting server's rooms as a state machine: it takes each datagram the
// server's port received (when, from where, the bytes) and the passing of
// time, and says which datagrams to send. It owns no socket; kaziro-meet
// (meet/main.cpp) drives it from one UDP port, the tests and fuzzers directly.
//
// A room lives through three stages:
//   waiting   a host sent OPEN and got its code; its KEEPs hold the room. The
//             code is taken by the first JOIN within MeetLimits::codeSeconds
//             (10 minutes); a host silent for kHostSilentMs is gone.
//   joined    both sides have the other's candidates and punch holes; a room
//             neither side closed as met (DONE) nor asked to relay within
//             kMeetingMs is closed.
//   relaying  either side asked (RELAY); the datagrams of the two registered
//             endpoints go to each other, within the room's rate, until both
//             are silent for kRelayIdleMs.
// A room's code is used once: a second joiner is refused while the room
// lives, and nobody can join it after it closes. Each room is one line on the
// log when it closes (its code, why, its two endpoints, direct or relay, the
// bytes relayed).
//
// What the server's port accepts: requests of this protocol, answered at
// most kAnswersPerSecond times a second per source endpoint and never with
// more bytes than the request (every request is 128 bytes, every answer at
// most 121), and JOINs with codes that fail only a few times a minute per IP
// address; a relaying room's datagrams from its two endpoints. Everything
// else is dropped unanswered. Rooms, relays, rooms per IP address and the
// endpoints being counted are bounded (MeetLimits); reaching a bound is
// logged, at most once a minute for each.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "net/MeetWire.h"
#include "platform/datagram.h"

struct MeetLimits {
    uint32_t maxRooms = 10000;        // rooms at once, whatever their stage
    uint32_t maxRelays = 1000;        // rooms relaying at once
    uint32_t relayKbps = 512;         // a relaying room's rate, both ways together (payload kbit/s)
    uint32_t roomsPerAddress = 32;    // rooms hosted from one IP address at once
    uint32_t codeSeconds = 600;       // how long a code waits for its joiner
    uint32_t maxSources = 65536;      // source endpoints whose answers are counted at once
    char codeFirst = 0;               // every code starts with this character (0: any)
};

struct EndpointHash {
    size_t operator()(const Endpoint& e) const;
};

class MeetServer {
public:
    static constexpr uint32_t kAnswersPerSecond = 4;
    // JOINs refused (no such room, or a full one) from one IP address (an
    // IPv6 /64): kGuesses at once, one more every kGuessEveryMs. Beyond
    // that the address's JOINs are ignored, codes are not tried: guessing a
    // code takes days from one address.
    static constexpr uint32_t kGuesses = 20;
    static constexpr uint64_t kGuessEveryMs = 2000;
    static constexpr uint64_t kHostSilentMs = 30000;
    static constexpr uint64_t kMeetingMs = 60000;
    static constexpr uint64_t kRelayIdleMs = 30000;
    // A notice the other side did not ask for (PEER to the host, RELAYING to
    // the side that did not ask) is repeated this often until SEEN, at most
    // kNotices times.
    static constexpr uint64_t kNoticeEveryMs = 250;
    static constexpr int kNotices = 8;

    struct Send {
        NetAddress to;
        std::vector<uint8_t> bytes;
    };
    struct Counts {
        uint64_t answers = 0;          // datagrams of this protocol sent
        uint64_t unanswered = 0;       // requests left unanswered: over a source's rate, or bad
        uint64_t dropped = 0;          // datagrams neither a request nor relayed
        uint64_t relayed = 0;          // datagrams relayed, and their bytes
        uint64_t relayedBytes = 0;
        uint64_t overRate = 0;         // relayed datagrams dropped over a room's rate
    };

    // `random`: unpredictable 64-bit numbers (codes and meeting keys); `log`:
    // takes each line the server writes.
    MeetServer(const MeetLimits& limits, std::function<uint64_t()> random,
               std::function<void(const std::string&)> log);

    // One datagram received at nowMs (a millisecond clock that never wraps);
    // appends what to send to *out.
    void Receive(uint64_t nowMs, const NetAddress& from, const uint8_t* data, size_t size,
                 std::vector<Send>* out);
    // Repeats notices and closes rooms whose time is over; call it at least
    // every kNoticeEveryMs.
    void Tick(uint64_t nowMs, std::vector<Send>* out);
    // Closes every room (each one logged with `why`).
    void CloseAll(uint64_t nowMs, const char* why);

    size_t Rooms() const { return rooms_.size(); }
    size_t Relays() const { return relays_; }
    const Counts& Counted() const { return counts_; }

private:
    enum class Stage : uint8_t { Waiting, Joined, Relaying };
    struct Side {
        Endpoint address;
        uint64_t nonce = 0;
        Endpoint locals[kMeetLocals];
        bool toldPeer = false;   // it acknowledged the other's candidates
        bool toldRelay = false;  // it knows the room relays
        bool met = false;        // it said DONE
        uint64_t tokens = 0;     // relay bytes it may send now
        uint64_t filledAt = 0;
        uint64_t relayedBytes = 0;
    };
    struct Room {
        uint32_t code = 0;
        uint64_t key = 0;
        Stage stage = Stage::Waiting;
        Side host, joiner;
        uint64_t openedAt = 0, heardAt = 0, joinedAt = 0, relayedAt = 0;
        uint64_t noticeAt = 0;
        int noticesLeft = 0;
    };
    enum Limit { kRoomLimit, kRelayLimit, kAddressLimit, kSourceLimit, kGuessLimit, kLimits };

    void Request(uint64_t now, const Endpoint& from, const MeetMessage& m, std::vector<Send>* out);
    void Open(uint64_t now, const Endpoint& from, const MeetMessage& m, std::vector<Send>* out);
    void Join(uint64_t now, const Endpoint& from, const MeetMessage& m, std::vector<Send>* out);
    void Relay(uint64_t now, const Endpoint& from, const uint8_t* data, size_t size, std::vector<Send>* out);
    // The room whose side at `from` carries `nonce` and `code`, and that side.
    Room* Find(const Endpoint& from, uint64_t nonce, const std::string& code, Side** side);
    // Counts an answer to `to` in this second; false when it has had its share.
    bool MayAnswer(uint64_t now, const Endpoint& to);
    // Whether JOINs from `from`'s address are still tried; `refused`: count one more refusal.
    bool MayGuess(uint64_t now, const Endpoint& from, bool refused);
    void Refuse(const Endpoint& to, uint64_t nonce, MeetError why, std::vector<Send>* out);
    MeetMessage PeerFor(const Room& room, const Side& to, const Side& other) const;
    // Sends the notices a room's sides still lack; `start`: the first of a series.
    void Notify(uint64_t now, Room* room, std::vector<Send>* out, bool start);
    void Close(uint64_t now, Room* room, const char* why);
    void Reached(uint64_t now, Limit limit, const std::string& line);
    uint32_t NewCode();

    MeetLimits limits_;
    std::function<uint64_t()> random_;
    std::function<void(const std::string&)> log_;
    std::unordered_map<uint32_t, Room> rooms_;
    std::unordered_map<Endpoint, uint32_t, EndpointHash> byEndpoint_;   // registered sides' rooms
    std::unordered_map<Endpoint, uint32_t, EndpointHash> perAddress_;   // rooms hosted per IP address
    struct Window {
        uint32_t sent[kAnswersPerSecond] = {};  // when its latest answers went (the clock's low bits), oldest first
        uint32_t count = 0;
    };
    std::unordered_map<Endpoint, Window, EndpointHash> sources_;       // answers per source, the last second
    struct Guesses {
        uint64_t left = 0;   // refusals it may still have, in thousandths
        uint64_t at = 0;     // when `left` was counted
    };
    std::unordered_map<Endpoint, Guesses, EndpointHash> guesses_;     // refused JOINs per IP address
    std::vector<uint32_t> noticing_;                                   // rooms with notices to repeat
    size_t relays_ = 0;
    uint64_t sweptAt_ = 0;
    uint64_t reachedAt_[kLimits] = {};
    bool reachedEver_[kLimits] = {};
    uint64_t lineWindow_ = 0;       // room lines: this second's, and those left out
    uint32_t linesInWindow_ = 0;
    uint64_t linesLeftOut_ = 0;
    Counts counts_;
};
