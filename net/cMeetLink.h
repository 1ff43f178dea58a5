// A two-machine game's way to its partner through the meeting server
// (kaziro-meet), over the session's own UDP socket: the host asks for a room
// and holds it while it waits, the joiner joins it by its code; once the
// server has told each side the other's candidates, both send the game's
// HELLO to every candidate (net/MeetClient.h says how, and when the relay is
// asked for). cNetPlay greets over whichever way answers first; this link
// only meets.
//
// Both sides' HELLOs carry the room's meeting key as their nonce, and the
// host answers one with the key as the session's token: a game of the same
// network that is not the partner (a host at the same LAN address in the
// joiner's home, say) answers with a token of its own and is not taken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "net/MeetClient.h"
#include "net/NetSettings.h"
#include "platform/datagram.h"

class cMeetLink {
public:
    // Finds the meeting server of `settings` and asks for a room (host) or
    // to join room settings.code, from `socket` (which must outlive the
    // link). False with *error (one line).
    bool Start(const NetSettings& settings, const DatagramSocket& socket, bool host, std::string* error);
    // A datagram the socket received: true when it was the meeting server's
    // (taken here), false when it is the game's.
    bool Take(const NetAddress& from, const uint8_t* bytes, size_t size);
    // Sends what is due: requests, their repeats, keep-alives, and while
    // punching `hello` (the game's HELLO) to every candidate.
    void Poll(const std::vector<uint8_t>& hello);
    // The partner's HELLO came from `from`: a way back to it.
    void Probed(const NetAddress& from) { client_->Probed(from); }
    // The greeting finished with `partner`; a direct way is told to the server.
    void Met(const NetAddress& partner);

    // Whether both sides know each other's candidates (the server sent them).
    bool Meeting() const { return meetingSince_ != 0; }
    // Milliseconds since then.
    uint64_t MeetingMs() const;
    bool Relayed() const { return client_->State() == MeetClient::Stage::Relayed; }
    bool Failed() const { return client_->State() == MeetClient::Stage::Failed && reopenAt_ == 0; }
    const std::string& Why() const { return client_->Why(); }
    bool IsServer(const NetAddress& address) const { return address == client_->Server(); }
    const NetAddress& Server() const { return client_->Server(); }
    uint64_t Key() const { return client_->Key(); }
    const std::string& Code() const { return client_->Code(); }

private:
    static uint64_t Now();
    void Send(const std::vector<MeetClient::Send>& out, const std::vector<uint8_t>& hello);
    void Follow();

    // A host refused because its port still plays in a room (a relayed game
    // just ended: its room closes 30 s after its last datagram) asks again
    // every kReopenEveryMs, for kReopenForMs.
    static constexpr uint64_t kReopenEveryMs = 3000;
    static constexpr uint64_t kReopenForMs = 45000;
    bool Reopen();

    const DatagramSocket* socket_ = nullptr;
    NetAddress serverAddress_;
    std::unique_ptr<MeetClient> client_;
    uint64_t startedAt_ = 0;
    uint64_t reopenAt_ = 0;
    bool toldReopen_ = false;
    std::function<void(const std::string&)> tellCode_;
    std::string server_;
    bool codeTold_ = false;
    uint64_t meetingSince_ = 0;
};
