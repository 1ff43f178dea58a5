#include "net/cMeetLink.h"

#include <chrono>
#include <cstdio>

#include "net/SessionParts.h"
#include "platform/report.h"

uint64_t cMeetLink::Now() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

bool cMeetLink::Start(const NetSettings& settings, const DatagramSocket& socket, bool host, std::string* error) {
    NetAddress server;
    std::string why;
    if (!ResolveAddress(settings.meet, settings.meetPort, &server, &why)) {
        *error = "cannot find the meeting server " + settings.meet + ": " + why;
        return false;
    }
    socket_ = &socket;
    serverAddress_ = server;
    server_ = server.Text();
    tellCode_ = settings.roomCode;
    startedAt_ = Now();
    client_ = std::make_unique<MeetClient>(server, LocalAddresses(socket.port), NewToken());
    if (host) {
        client_->Open(Now());
        Report("network", "asking the meeting server at %s for a room code", server_.c_str());
    } else {
        client_->Join(settings.code, Now());
        if (client_->State() == MeetClient::Stage::Failed) {
            *error = client_->Why();
            return false;
        }
        Report("network", "joining room %s through the meeting server at %s (Ctrl+C to cancel)",
               client_->Code().c_str(), server_.c_str());
    }
    return true;
}

void cMeetLink::Send(const std::vector<MeetClient::Send>& out, const std::vector<uint8_t>& hello) {
    for (const MeetClient::Send& s : out) {
        const std::vector<uint8_t>& bytes = s.probe ? hello : s.bytes;
        if (!bytes.empty()) SendDatagram(*socket_, s.to, bytes.data(), bytes.size());
    }
}

bool cMeetLink::Take(const NetAddress& from, const uint8_t* bytes, size_t size) {
    std::vector<MeetClient::Send> out;
    if (!client_->Receive(Now(), from, bytes, size, &out)) return false;
    Send(out, {});
    Follow();
    return true;
}

void cMeetLink::Poll(const std::vector<uint8_t>& hello) {
    if (Reopen()) return;
    std::vector<MeetClient::Send> out;
    client_->Poll(Now(), &out);
    Send(out, hello);
    Follow();
}

// What the server's answers changed: the code to tell, the meeting begun.
void cMeetLink::Follow() {
    if (!codeTold_ && client_->IsHost() && !client_->Code().empty()) {
        codeTold_ = true;
        std::printf("room code: %s\n", client_->Code().c_str());
        std::fflush(stdout);
        Report("network", "room %s is open on the meeting server at %s: give your partner the code "
               "(kaziro --join-code %s); it waits 10 minutes (Ctrl+C to cancel)",
               client_->Code().c_str(), server_.c_str(), client_->Code().c_str());
        if (tellCode_) tellCode_(client_->Code());
    }
    if (meetingSince_ == 0 && client_->Key() != 0) {
        meetingSince_ = Now();
        Report("network", "room %s: the partner's game is known; looking for a way to it (%zu addresses)",
               client_->Code().c_str(), client_->Candidates().size());
    }
}

// True while the host waits to ask for its room again.
bool cMeetLink::Reopen() {
    const bool refused = client_->IsHost() && client_->State() == MeetClient::Stage::Failed &&
                         client_->Code().empty() && client_->Refusal() == MeetError::RoomFull;
    if (refused && reopenAt_ == 0 && Now() - startedAt_ < kReopenForMs) {
        if (!toldReopen_) {
            toldReopen_ = true;
            Report("network", "%s (a relayed game's room closes 30 s after its last datagram); asking again",
                   client_->Why().c_str());
        }
        reopenAt_ = Now() + kReopenEveryMs;
    }
    if (reopenAt_ == 0) return false;
    if (Now() < reopenAt_) return true;
    reopenAt_ = 0;
    client_ = std::make_unique<MeetClient>(serverAddress_, LocalAddresses(socket_->port), NewToken());
    client_->Open(Now());
    return false;
}

uint64_t cMeetLink::MeetingMs() const { return meetingSince_ == 0 ? 0 : Now() - meetingSince_; }

void cMeetLink::Met(const NetAddress& partner) {
    if (IsServer(partner)) return;
    std::vector<MeetClient::Send> out;
    client_->Answered(Now(), partner, &out);
    Send(out, {});
}
