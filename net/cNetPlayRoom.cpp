// cNetPlay's greeting by a room code: the host's room held while it waits
// (its HELLO going to the joiner's candidates once the server has told it
// of them), the joiner's whole greeting (its HELLO to every candidate of the
// host's, then to the server's relay when the relay is on), and the way the
// two ended up on. The greeting's datagrams are the usual ones; only their
// nonce is the room's key, and the host's WELCOME gives it as the token.
#include "game/Fingerprint.h"
#include "net/cNetPlay.h"

#include "platform/clock.h"
#include "platform/report.h"

namespace {

// How often the joiner greets through the relay, and repeats a round-trip
// measurement.
constexpr uint32_t kRoomHelloEveryMs = 200;
constexpr uint32_t kRoomPingWaitMs = 400;
// Once the server has told both sides of each other: the punching, and then
// the greeting over the way found. Beyond that neither waits.
constexpr uint64_t kMeetingGivesUpMs = MeetClient::kPunchMs + kGreetingMs;

std::vector<uint8_t> RoomHello(uint64_t key, uint8_t delayWish) {
    Greeting hello;
    hello.kind = DatagramKind::Hello;
    hello.nonce = key;
    hello.version = KAZIRO_VERSION;
    hello.delay = delayWish;
    hello.fingerprint = ArithmeticFingerprint();
    return EncodeGreeting(hello);
}

}  // namespace

bool cNetPlay::OpenRoom(const NetSettings& settings, std::string* error) {
    room_ = std::make_unique<cMeetLink>();
    return room_->Start(settings, link_.socket, true, error);
}

// Each pass of the host's greeting. False (*error) when the room is lost
// before its joiner came (the server stopped answering, or the code expired),
// or the joiner did not get through in time.
bool cNetPlay::FollowRoom(std::string* error) {
    room_->Poll(room_->Key() != 0 ? RoomHello(room_->Key(), kNoDelayWish) : std::vector<uint8_t>{});
    if (!room_->Meeting()) {
        if (room_->Failed()) *error = room_->Why();
        return !room_->Failed();
    }
    if (room_->MeetingMs() <= kMeetingGivesUpMs) return true;
    *error = "the partner who joined room " + room_->Code() + " did not get through" +
             (room_->Failed() ? ": " + room_->Why() : std::string()) + "; host again for a new code";
    return false;
}

void cNetPlay::SayWay() {
    way_ = room_->IsServer(link_.partner) ? Way::Relayed : Way::Direct;
    room_->Met(link_.partner);
    if (way_ == Way::Direct) {
        Report("network", "room %s: playing directly with %s", room_->Code().c_str(),
               link_.partner.Text().c_str());
    } else {
        Report("network", "room %s: playing through the meeting server's relay at %s", room_->Code().c_str(),
               link_.partner.Text().c_str());
    }
}

// Joins the room, greets every candidate of the host's (and the relay, once
// it is on) until one answers with the room's key, then measures the round
// trip over that way as Join does and says READY.
bool cNetPlay::JoinRoom(const NetSettings& settings, const std::function<bool()>& cancelled,
                        std::string* error) {
    std::string why;
    link_.socket = OpenDatagramSocket(0, &why);
    if (!link_.socket.Open()) {
        *error = "cannot open a UDP socket: " + why;
        return false;
    }
    room_ = std::make_unique<cMeetLink>();
    if (!room_->Start(settings, link_.socket, false, error)) return false;

    const uint8_t wish = settings.delay >= 0 ? static_cast<uint8_t>(settings.delay) : kNoDelayWish;
    std::vector<uint8_t> hello;  // once the key is known
    bool welcomed = false;
    RoundTrips roundTrips;
    uint8_t sequence = 0;
    uint32_t pingSent = 0, relayedHello = 0;
    uint8_t buffer[kMaxDatagram];
    std::string refused;
    while (!roundTrips.Enough()) {
        if (cancelled && cancelled()) {
            *error = "cancelled while joining room " + room_->Code();
            return false;
        }
        if (!room_->Meeting() && room_->Failed()) {
            *error = room_->Why();
            return false;
        }
        if (room_->MeetingMs() > kMeetingGivesUpMs) {
            *error = welcomed ? "the host of room " + room_->Code() + " did not finish the greeting"
                              : "no way to the host of room " + room_->Code() + " answered" +
                                    (room_->Failed() ? ": " + room_->Why() : std::string());
            return false;
        }
        if (hello.empty() && room_->Key() != 0) hello = RoomHello(room_->Key(), wish);
        room_->Poll(welcomed ? std::vector<uint8_t>{} : hello);
        const uint32_t now = timeGetTime();
        if (!welcomed && room_->Relayed() && now - relayedHello >= kRoomHelloEveryMs) {
            SendDatagram(link_.socket, room_->Server(), hello.data(), hello.size());
            relayedHello = now;
        }
        if (welcomed && now - pingSent >= kRoomPingWaitMs) {  // the first, or one that was lost
            SendPing(sequence, now);
            pingSent = now;
        }
        WaitDatagram(link_.socket, 20);
        DrainDatagrams(&link_.socket, buffer, sizeof buffer,
                       [&](const uint8_t* bytes, size_t size, const NetAddress& from) {
            if (room_->Take(from, bytes, size)) return true;
            Greeting g;
            const uint64_t key = room_->Key();
            if (key == 0 || !ParseGreeting(bytes, size, &g)) {
                ++dropped;
                return true;
            }
            const uint32_t at = timeGetTime();
            if (g.kind == DatagramKind::Hello && g.nonce == key) {
                room_->Probed(from);  // the host's: where its router lets it out towards this machine
            } else if (g.kind == DatagramKind::Refuse && g.nonce == key &&
                       g.reason != static_cast<uint8_t>(RefuseReason::Busy)) {
                refused = RefusalText(g);
                return false;
            } else if (!welcomed && g.kind == DatagramKind::Welcome && g.nonce == key && g.token == key) {
                // The first way that answered with the room's key is the partner's.
                welcomed = true;
                link_.partner = from;
                TakeWelcome(g);
                pingSent = at - kRoomPingWaitMs;
            } else if (welcomed && from == link_.partner && g.kind == DatagramKind::Pong &&
                       g.token == link_.token && g.sequence == sequence && g.clock == pingSent) {
                roundTrips.Add(at - g.clock);
                ++sequence;
                pingSent = at - kRoomPingWaitMs;
            } else {
                ++dropped;
            }
            return true;
        });
        if (!refused.empty()) {
            *error = refused;
            return false;
        }
    }
    Joined(roundTrips.Median());
    SayWay();
    return true;
}
