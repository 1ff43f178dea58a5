// A stand-in for a game meeting another through kaziro-meet: one UDP socket
// (made in a network namespace, or on this machine's loopback), a
// MeetClient, probes that carry the meeting key, and once met a "game" of
// datagrams the size of the game's INPUT, each with an 8-byte token and the
// time it was sent, to the partner directly or through the server's relay.
//
//     MeetPeer host(server, 47800, lab.Machine(a)), joiner(server, 0, lab.Machine(b));
//     host.client.Open(MeetPeer::Now());
//     Drive({&host, &joiner}, 2000, [&] { return !host.client.Code().empty(); });
//     joiner.client.Join(host.client.Code(), MeetPeer::Now());
//     Drive({&host, &joiner}, 8000, [&] { return host.Settled() && joiner.Settled(); });
//     host.playing = joiner.playing = true;   // then Drive again: each sends a datagram every 16 ms
#pragma once

#include <poll.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "net/MeetClient.h"
#include "platform/datagram.h"
#include "support/netns.h"

class MeetPeer {
public:
    static constexpr size_t kGameSize = 100;  // an INPUT with a few records
    static constexpr uint64_t kStepMs = 16;

    static uint64_t Now() {
        using namespace std::chrono;
        return static_cast<uint64_t>(duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count());
    }

    // `ns` "": this machine's own namespace, and no local addresses passed on.
    MeetPeer(const NetAddress& server, uint16_t port, const std::string& ns = "")
        : socket(OpenIn(ns, port)), client(server, Locals(ns, socket.port), NewNonce()) {}
    ~MeetPeer() { CloseDatagramSocket(&socket); }
    MeetPeer(const MeetPeer&) = delete;
    MeetPeer& operator=(const MeetPeer&) = delete;

    bool Settled() const {
        const MeetClient::Stage s = client.State();
        return s == MeetClient::Stage::Direct || s == MeetClient::Stage::Relayed || s == MeetClient::Stage::Failed;
    }
    bool Met() const {
        return client.State() == MeetClient::Stage::Direct || client.State() == MeetClient::Stage::Relayed;
    }

    // Takes what arrived and sends what is due.
    void Step() {
        Take();
        Give();
    }

    // Takes what arrived: the server's answers, probes, the partner's game.
    void Take() {
        const uint64_t nowUs = Now(), now = nowUs / 1000;
        uint8_t buffer[2048];
        NetAddress from;
        long n;
        std::vector<MeetClient::Send> out;
        while ((n = ReceiveDatagram(&socket, buffer, sizeof buffer, &from)) > 0) {
            const size_t size = static_cast<size_t>(n);
            if (client.Receive(now, from, buffer, size, &out)) continue;
            if (size == kProbeSize && buffer[0] == 'K' && buffer[1] == 'T' && Get64(buffer + 4) == client.Key() &&
                buffer[3] != Role()) {
                if (buffer[2] == 'A' && answerProbes) {
                    Send(from, Probe('B'));
                    client.Probed(from);
                }
                if (buffer[2] == 'B') client.Answered(now, from, &out);
            } else if (size == kGameSize && buffer[0] == 'K' && buffer[1] == 'R' && Met() && from == client.Partner() &&
                       Get64(buffer + 4) == client.Key() && buffer[3] != Role()) {
                ++received;
                latenciesUs.push_back(nowUs - Get64(buffer + 16));
            } else {
                ++strays;
            }
        }
        SendAll(out);
    }

    // Sends what is due: requests, probes, the next game datagram.
    void Give() {
        const uint64_t nowUs = Now(), now = nowUs / 1000;
        std::vector<MeetClient::Send> out;
        client.Poll(now, &out);
        SendAll(out);
        if (playing && Met() && sent < toSend && nowUs >= nextGameUs) {
            std::vector<uint8_t> game(kGameSize, 0x5A);
            game[0] = 'K', game[1] = 'R', game[2] = 'G', game[3] = Role();
            Put(game.data() + 4, client.Key());  // the session's token, end to end
            Put(game.data() + 12, sent);
            Put(game.data() + 16, Now());
            Send(client.Partner(), game);
            ++sent;
            // One a step on a fixed schedule, as the game's steps are.
            nextGameUs = (nextGameUs == 0 ? nowUs : nextGameUs) + kStepMs * 1000;
        }
    }

    void SendAll(const std::vector<MeetClient::Send>& out) {
        for (const MeetClient::Send& s : out) {
            if (s.probe) {
                Send(s.to, Probe('A'));
            } else {
                Send(s.to, s.bytes);
            }
        }
    }

    DatagramSocket socket;  // first: the client is told its port
    MeetClient client;
    bool answerProbes = true;  // false: this side's router drops every probe (the relay is needed)
    bool playing = false;      // once met: send toSend game datagrams, one every kStepMs
    uint32_t toSend = 100;
    uint32_t sent = 0, received = 0, strays = 0;
    std::vector<uint64_t> latenciesUs;  // of each game datagram received

private:
    static constexpr size_t kProbeSize = 12;  // "KT", ask 'A' or answer 'B', role, the meeting key

    static DatagramSocket OpenIn(const std::string& ns, uint16_t port) {
        std::string error;
        return ns.empty() ? OpenDatagramSocket(port, &error)
                          : InNamespace(ns, [&] { return OpenDatagramSocket(port, &error); });
    }
    static uint64_t NewNonce() {
        std::random_device device;
        return (static_cast<uint64_t>(device()) << 32) ^ device();
    }
    static std::vector<NetAddress> Locals(const std::string& ns, uint16_t port) {
        if (ns.empty()) return {};
        return InNamespace(ns, [&] { return LocalAddresses(port); });
    }
    static uint64_t Get64(const uint8_t* p) {
        uint64_t v;
        std::memcpy(&v, p, 8);
        return v;
    }
    static void Put(uint8_t* p, uint64_t v) { std::memcpy(p, &v, 8); }
    static void Put(uint8_t* p, uint32_t v) { std::memcpy(p, &v, 4); }
    uint8_t Role() const { return client.IsHost() ? 'H' : 'J'; }
    std::vector<uint8_t> Probe(uint8_t kind) const {
        std::vector<uint8_t> p = {'K', 'T', kind, Role(), 0, 0, 0, 0, 0, 0, 0, 0};
        Put(p.data() + 4, client.Key());
        return p;
    }
    void Send(const NetAddress& to, const std::vector<uint8_t>& bytes) {
        SendDatagram(socket, to, bytes.data(), bytes.size());
    }
    uint64_t nextGameUs = 0;
};

// Runs the peers until done() or ms pass: each takes what it received as
// soon as it arrives and sends what is due at least every 2 ms. done()'s last answer.
inline bool Drive(const std::vector<MeetPeer*>& peers, int ms, const std::function<bool()>& done) {
    const uint64_t end = MeetPeer::Now() + static_cast<uint64_t>(ms) * 1000;
    std::vector<pollfd> fds;
    for (MeetPeer* p : peers) fds.push_back({p->socket.handle, POLLIN, 0});
    while (!done()) {
        if (MeetPeer::Now() >= end) return false;
        if (poll(fds.data(), fds.size(), 2) > 0) {
            for (size_t i = 0; i < peers.size(); ++i)
                if (fds[i].revents) peers[i]->Take();
        }
        for (MeetPeer* p : peers) p->Give();
    }
    return true;
}
