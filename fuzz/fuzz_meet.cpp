// Fuzz target: the meeting server's rooms fed arbitrary datagrams from a few
// addresses, with the requests that reach its deeper states (opening a room,
// joining the last code it gave, relaying, acknowledging) made from the input
// too. Whatever arrives: an answer is never larger than what it answers, no
// address gets more than kAnswersPerSecond meeting datagrams in any second,
// a relayed datagram goes unchanged and only from one side of a relaying room
// to the other, every meeting datagram the server sends parses, and the rooms
// stay within their bounds. Messages the parser takes are written back the same.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "net/MeetServer.h"
#include "net/MeetWire.h"

namespace {

constexpr int kSources = 5;

Endpoint Source(int i) {
    Endpoint e;
    e.family = i == 4 ? 6 : 4;
    e.ip[0] = i == 4 ? 0x20 : 198;
    e.ip[1] = i == 4 ? 0x01 : 51;
    e.ip[2] = 100;
    e.ip[3] = static_cast<uint8_t>(i == 3 ? 2 : i + 2);  // 3: the same IP address as 0, another port
    e.port = static_cast<uint16_t>(40000 + i);
    return e;
}

void CheckWire(const uint8_t* data, size_t size) {
    MeetMessage m;
    if (!ParseMeet(data, size, &m)) return;
    const std::vector<uint8_t> again = EncodeMeet(m);
    MeetMessage back;
    if (!ParseMeet(again.data(), again.size(), &back) || EncodeMeet(back) != again) __builtin_trap();
    if (!IsMeetRequest(m.kind) && again != std::vector<uint8_t>(data, data + size)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MeetLimits limits;
    limits.maxRooms = 6;
    limits.maxRelays = 2;
    limits.roomsPerAddress = 2;
    limits.maxSources = 4;
    limits.relayKbps = 16;
    uint64_t counter = 0;
    MeetServer server(limits, [&counter] { return ++counter * 0x9E3779B97F4A7C15ull; }, nullptr);
    uint64_t now = 1000;
    std::string lastCode = "222222";
    std::unordered_map<Endpoint, std::vector<uint64_t>, EndpointHash> told;  // when each address got meeting datagrams
    std::vector<MeetServer::Send> out;

    // Every datagram the server sends: meeting ones parse, a few a second per address.
    const auto check = [&](const Endpoint* asker, const std::vector<uint8_t>* asked) {
        for (const MeetServer::Send& s : out) {
            const Endpoint to = EndpointOf(s.to);
            bool known = false;
            for (int i = 0; i < kSources; ++i) known = known || to == Source(i);
            if (!known) __builtin_trap();
            MeetMessage m;
            if (IsMeetDatagram(s.bytes.data(), s.bytes.size())) {
                if (!ParseMeet(s.bytes.data(), s.bytes.size(), &m) || IsMeetRequest(m.kind)) __builtin_trap();
                if (asker && to == *asker && s.bytes.size() > asked->size()) __builtin_trap();
                if (m.kind == MeetKind::Opened) lastCode = m.code;
                std::vector<uint64_t>& times = told[to];
                times.push_back(now);
                times.erase(times.begin(), std::find_if(times.begin(), times.end(),
                                                        [now](uint64_t t) { return now - t < 1000; }));
                if (times.size() > MeetServer::kAnswersPerSecond) __builtin_trap();
            } else if (!asker || s.bytes != *asked || to == *asker) {
                __builtin_trap();  // relayed: unchanged, from one side to the other
            }
        }
        out.clear();
        if (server.Rooms() > limits.maxRooms || server.Relays() > limits.maxRelays) __builtin_trap();
    };

    size_t at = 0;
    while (at + 2 <= size) {
        const uint8_t op = data[at++];
        const int source = op % kSources;
        const uint8_t arg = data[at++];
        std::vector<uint8_t> bytes;
        MeetMessage m;
        m.nonce = static_cast<uint64_t>(source) + 1;  // each address keeps its nonce, mostly
        m.code = lastCode;
        switch ((op / kSources) % 6) {
            case 0: {  // a datagram of the input's bytes
                const size_t n = std::min<size_t>(arg, size - at);
                bytes.assign(data + at, data + at + n);
                at += n;
                CheckWire(bytes.data(), bytes.size());
                break;
            }
            case 1:
                m.kind = MeetKind::Open;
                if (arg & 1) m.locals[0] = Source((arg >> 1) % kSources);
                break;
            case 2:
                m.kind = MeetKind::Join;
                if (arg & 1) m.nonce = arg;
                break;
            case 3: {
                const MeetKind kinds[] = {MeetKind::Keep, MeetKind::Relay, MeetKind::Seen, MeetKind::Done};
                m.kind = kinds[arg % 4];
                m.detail = arg & 4 ? 'p' : 'r';
                break;
            }
            case 4:  // a game's datagram, to be relayed or dropped
                bytes.assign(20 + arg % 100, arg);
                bytes[0] = 'K', bytes[1] = 'R';
                break;
            default:  // time passes
                now += uint64_t{arg} * (arg > 200 ? 4000 : 7);
                server.Tick(now, &out);
                check(nullptr, nullptr);
                continue;
        }
        if (bytes.empty() && (op / kSources) % 6 != 0) bytes = EncodeMeet(m);
        const Endpoint from = Source(source);
        server.Receive(now, AddressOf(from), bytes.data(), bytes.size(), &out);
        check(&from, &bytes);
    }
    server.CloseAll(now, "end");
    return 0;
}
