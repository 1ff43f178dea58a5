// A game's side of the meeting server: opens a room and holds it, or joins
// one by its code, then finds a way to the partner among the candidates the
// server gave. Pure logic: the caller owns the socket, hands in what it
// received and sends what it is told to, so the game's session and the tests
// drive it alike.
//
//     MeetClient meet(server, LocalAddresses(socket.port), nonce);
//     meet.Open(now);                          // or meet.Join("7KQ2MX", now)
//     each frame: for every datagram received, meet.Receive(now, from, ...)
//                 (false: not the server's; the game's own), then meet.Poll(now, &out);
//                 send each out[i] (a probe: the caller's own greeting with its token)
//     when the partner answers a probe from `from`: meet.Answered(now, from, &out)
//     Stage() == Direct: play with Partner(); Relayed: play through the server
//     (Partner() is the server: the game's datagrams go there unchanged).
//
// Punching: once both sides have each other's candidates (PEER), each probes
// every candidate every kProbeMs, and every address the partner's probes come
// from (Probed). The first probe answered wins. After
// kPunchMs with no answer the client asks the server to relay (RELAY). When
// the server says the room relays (the other side found no way either) the
// client relays too, even when its own probe was answered: a way that works
// one way only is no way.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/MeetWire.h"
#include "platform/datagram.h"

class MeetClient {
public:
    static constexpr uint64_t kRepeatMs = 500;        // OPEN, JOIN, RELAY until answered
    static constexpr uint64_t kKeepMs = 5000;         // KEEP while the host waits
    static constexpr uint64_t kProbeMs = 100;         // a probe to every candidate
    static constexpr uint64_t kPunchMs = 4000;        // then the relay is asked for
    static constexpr uint64_t kServerSilentMs = 10000; // a server that answers nothing for this long is lost

    enum class Stage {
        Idle,      // neither Open nor Join called
        Opening,   // asking for a room
        Waiting,   // the host has its code and waits for the joiner
        Joining,   // asking to join by a code
        Punching,  // probing the partner's candidates, or asking for the relay
        Direct,    // a candidate answered: Partner()
        Relayed,   // the server relays: Partner() is the server
        Failed,    // Why() says why
    };
    struct Send {
        NetAddress to;
        std::vector<uint8_t> bytes;  // empty for a probe
        bool probe = false;          // send the caller's own probe to `to`
    };

    // `locals`: this socket's addresses on its own networks (LocalAddresses);
    // the first kMeetLocals are passed on. `nonce`: random, this client's own.
    MeetClient(const NetAddress& server, const std::vector<NetAddress>& locals, uint64_t nonce);

    // Asks for a room (the host).
    void Open(uint64_t nowMs);
    // Asks to join the room `code` (as typed; see NormalizeMeetCode).
    void Join(const std::string& code, uint64_t nowMs);
    // A datagram received: true when it was the server's (taken here), false
    // when it is for the caller (a game datagram, directly or relayed).
    bool Receive(uint64_t nowMs, const NetAddress& from, const uint8_t* data, size_t size,
                 std::vector<Send>* out);
    // What to send now: requests, their repeats, keep-alives, probes, the relay request.
    void Poll(uint64_t nowMs, std::vector<Send>* out);
    // The partner answered a probe from `from` (a candidate, or an address its
    // router chose): the way is found, unless the relay was asked for already.
    void Answered(uint64_t nowMs, const NetAddress& from, std::vector<Send>* out);
    // The partner's probe came from `from`: when no candidate is that address
    // (its router chose a new port for this machine, as symmetric routers
    // do), it becomes one, and is probed too.
    void Probed(const NetAddress& from);
    // Whether punching has gone on kPunchMs without an answer.
    bool TimeToRelay(uint64_t nowMs) const;

    Stage State() const { return stage_; }
    bool IsHost() const { return host_; }
    const std::string& Code() const { return code_; }
    // The address the server saw this socket at (once a room is open).
    const NetAddress& Seen() const { return seen_; }
    // The partner's candidates: the address the server saw, then its local ones.
    const std::vector<NetAddress>& Candidates() const { return candidates_; }
    // The meeting key both sides hold: probes carry it.
    uint64_t Key() const { return key_; }
    // Where the game's datagrams go: the answered candidate, or the server.
    const NetAddress& Partner() const { return partner_; }
    const NetAddress& Server() const { return server_; }
    const std::string& Why() const { return why_; }
    // The server's refusal that made it fail (Failed by an ERROR).
    MeetError Refusal() const { return refusal_; }

private:
    void Request(MeetKind kind, std::vector<Send>* out, uint8_t detail = 0);
    void Fail(const std::string& why);

    NetAddress server_;
    Endpoint locals_[kMeetLocals];
    uint64_t nonce_;
    bool host_ = false;
    Stage stage_ = Stage::Idle;
    std::string code_;
    NetAddress seen_;
    std::vector<NetAddress> candidates_;
    uint64_t key_ = 0;
    NetAddress partner_;
    std::string why_;
    MeetError refusal_ = MeetError::OtherProtocol;
    uint64_t startedAt_ = 0;   // of the current request, or of punching
    uint64_t heardAt_ = 0;     // the server's last answer
    uint64_t sentAt_ = 0;      // the last request
    uint64_t probedAt_ = 0;
    bool relayAsked_ = false;
    uint64_t relayAskedAt_ = 0;
};
