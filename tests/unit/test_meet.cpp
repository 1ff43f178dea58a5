// The meeting server's protocol as bytes and its rooms as a state machine
// (no socket: time and datagrams are handed in). A game's side of it meets
// another through the real server in tests/e2e/test_net_meet.cpp.
#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "net/MeetClient.h"
#include "net/MeetServer.h"
#include "net/MeetWire.h"

namespace {

Endpoint Ip(uint8_t a, uint8_t b, uint8_t c, uint8_t d, uint16_t port) {
    Endpoint e;
    e.family = 4;
    e.ip[0] = a, e.ip[1] = b, e.ip[2] = c, e.ip[3] = d;
    e.port = port;
    return e;
}

Endpoint Ip6(uint8_t last, uint16_t port) {
    Endpoint e;
    e.family = 6;
    e.ip[0] = 0x20, e.ip[1] = 0x01, e.ip[2] = 0x0d, e.ip[3] = 0xb8, e.ip[15] = last;
    e.port = port;
    return e;
}

MeetMessage Request(MeetKind kind, uint64_t nonce, const std::string& code = "",
                    std::vector<Endpoint> locals = {}) {
    MeetMessage m;
    m.kind = kind;
    m.nonce = nonce;
    m.code = code;
    for (size_t i = 0; i < locals.size() && i < kMeetLocals; ++i) m.locals[i] = locals[i];
    return m;
}

// A server in memory with its clock, and what it sent and logged.
struct Lab {
    explicit Lab(MeetLimits limits = {})
        : random(11),
          server(limits, [this] { return random(); }, [this](const std::string& l) { lines.push_back(l); }) {}
    // Sends bytes from `from`; returns the messages the server sent back to `from`.
    std::vector<MeetMessage> Send(const Endpoint& from, const std::vector<uint8_t>& bytes) {
        std::vector<MeetServer::Send> out;
        server.Receive(now, AddressOf(from), bytes.data(), bytes.size(), &out);
        return Take(out, from, bytes.size());
    }
    std::vector<MeetMessage> Send(const Endpoint& from, const MeetMessage& m) { return Send(from, EncodeMeet(m)); }
    // Lets time pass in ticks of 50 ms.
    void Pass(uint64_t ms) {
        for (uint64_t end = now + ms; now < end;) {
            now += 50;
            std::vector<MeetServer::Send> out;
            server.Tick(now, &out);
            Take(out, Endpoint{}, 0);
        }
    }
    std::vector<MeetMessage> Take(const std::vector<MeetServer::Send>& out, const Endpoint& asker, size_t asked) {
        std::vector<MeetMessage> back;
        for (const MeetServer::Send& s : out) {
            const Endpoint to = EndpointOf(s.to);
            MeetMessage m;
            if (!ParseMeet(s.bytes.data(), s.bytes.size(), &m)) {
                forwarded[to].push_back(s.bytes);
                continue;
            }
            EXPECT_FALSE(IsMeetRequest(m.kind));
            if (to == asker) {
                EXPECT_LE(s.bytes.size(), asked) << "an answer larger than its request";
                back.push_back(m);
            } else {
                notices[to].push_back(m);
            }
        }
        return back;
    }
    // Opens a room from `host`; its code.
    std::string Open(const Endpoint& host, uint64_t nonce, std::vector<Endpoint> locals = {}) {
        const auto answers = Send(host, Request(MeetKind::Open, nonce, "", locals));
        EXPECT_EQ(answers.size(), 1u);
        if (answers.size() != 1 || answers[0].kind != MeetKind::Opened) return "";
        EXPECT_EQ(answers[0].seen, host);
        return answers[0].code;
    }
    std::mt19937_64 random;
    MeetServer server;
    uint64_t now = 1000;
    std::vector<std::string> lines;
    struct Less {
        bool operator()(const Endpoint& a, const Endpoint& b) const { return a.Text() < b.Text(); }
    };
    std::map<Endpoint, std::vector<MeetMessage>, Less> notices;            // sent unasked
    std::map<Endpoint, std::vector<std::vector<uint8_t>>, Less> forwarded;  // relayed
};

bool Said(const Lab& lab, const std::string& text) {
    for (const std::string& l : lab.lines)
        if (l.find(text) != std::string::npos) return true;
    return false;
}

const Endpoint kHost = Ip(198, 51, 100, 2, 47800), kJoiner = Ip(198, 51, 100, 3, 40000),
               kStranger = Ip(203, 0, 113, 9, 5000);

}  // namespace

TEST(MeetWire, EveryKindReadsBackAsWrittenAndEveryCutOrChangeIsRefused) {
    std::vector<MeetMessage> all;
    for (MeetKind k : {MeetKind::Open, MeetKind::Keep, MeetKind::Join, MeetKind::Relay, MeetKind::Seen,
                       MeetKind::Done, MeetKind::Opened, MeetKind::Kept, MeetKind::Peer, MeetKind::Relaying,
                       MeetKind::Error}) {
        MeetMessage m = Request(k, 0x1122334455667788ull, k == MeetKind::Open || k == MeetKind::Error ? "" : "7KQ2MX",
                                k == MeetKind::Open || k == MeetKind::Join || k == MeetKind::Peer
                                    ? std::vector<Endpoint>{Ip(192, 168, 1, 20, 47800), Ip6(7, 47800)}
                                    : std::vector<Endpoint>{});
        if (k == MeetKind::Opened || k == MeetKind::Peer) m.seen = Ip(198, 51, 100, 2, 61000);
        if (k == MeetKind::Peer) m.key = 0xA5A5A5A5DEADBEEFull;
        if (k == MeetKind::Opened || k == MeetKind::Kept) m.seconds = 599;
        if (k == MeetKind::Seen) m.detail = 'p';
        if (k == MeetKind::Error) m.detail = static_cast<uint8_t>(MeetError::RoomFull);
        all.push_back(m);
    }
    for (const MeetMessage& m : all) {
        const std::vector<uint8_t> bytes = EncodeMeet(m);
        SCOPED_TRACE(static_cast<char>(m.kind));
        if (IsMeetRequest(m.kind)) {
            EXPECT_EQ(bytes.size(), kMeetRequestSize);
        } else {
            EXPECT_LE(bytes.size(), 121u);
        }
        MeetMessage back;
        ASSERT_TRUE(ParseMeet(bytes.data(), bytes.size(), &back));
        EXPECT_EQ(EncodeMeet(back), bytes);
        EXPECT_EQ(back.nonce, m.nonce);
        EXPECT_EQ(back.code, m.code);
        EXPECT_EQ(back.seen, m.seen);
        EXPECT_EQ(back.locals[1], m.locals[1]);
        EXPECT_EQ(back.key, m.key);
        EXPECT_EQ(back.seconds, m.seconds);
        EXPECT_EQ(back.detail, m.detail);
        for (size_t cut = 0; cut < bytes.size(); ++cut) {
            EXPECT_FALSE(ParseMeet(bytes.data(), cut, &back)) << cut;
        }
        std::vector<uint8_t> other = bytes;
        other[3] = kMeetProtocol + 1;
        EXPECT_FALSE(ParseMeet(other.data(), other.size(), &back));
        uint64_t nonce = 0;
        EXPECT_EQ(IsOtherMeetProtocol(other.data(), other.size(), &nonce), IsMeetRequest(m.kind));
        if (m.kind == MeetKind::Join) {
            other = bytes;
            other[4 + 8] = 'O';  // not in the alphabet
            EXPECT_FALSE(ParseMeet(other.data(), other.size(), &back));
            other = bytes;
            other[4 + 8 + 6] = 5;  // an endpoint of family 5
            EXPECT_FALSE(ParseMeet(other.data(), other.size(), &back));
        }
    }
    EXPECT_EQ(NormalizeMeetCode("7kq-2mx"), "7KQ2MX");
    EXPECT_EQ(NormalizeMeetCode(" 7KQ 2MX "), "7KQ2MX");
    for (const char* bad : {"7KQ2M", "7KQ2MXX", "OKQ2MX", "0KQ2MX", "1KQ2MX", "IKQ2MX", "LKQ2MX", "7KQ2M!"}) {
        EXPECT_EQ(NormalizeMeetCode(bad), "") << bad;
    }
    EXPECT_EQ(MeetCodeText(MeetCodeNumber("Z2A9YX")), "Z2A9YX");
    MeetClient typo(NetAddress{}, {}, 5);
    typo.Join("7KQ-20X", 0);
    EXPECT_EQ(typo.State(), MeetClient::Stage::Failed);
    EXPECT_NE(typo.Why().find("not a room code"), std::string::npos);
}

TEST(MeetServer, ARoomsCodeIsUsedOnceAndExpiresAfterTenMinutesUnused) {
    Lab lab;
    std::set<std::string> codes;
    for (uint8_t i = 0; i < 200; ++i) {
        const std::string code = lab.Open(Ip(10, 1, i, 1, 1000), 100 + i);
        ASSERT_EQ(code.size(), kMeetCodeLength);
        EXPECT_EQ(code.find_first_not_of(kMeetAlphabet), std::string::npos) << code;
        codes.insert(code);
    }
    EXPECT_EQ(codes.size(), 200u);

    // The joiner gets the host's candidates, the host the joiner's (IPv6 only
    // to one that has IPv6), both the same key; then the code is used.
    const std::string code = lab.Open(kHost, 1, {Ip(192, 168, 1, 20, 47800), Ip6(1, 47800)});
    auto answers = lab.Send(kJoiner, Request(MeetKind::Join, 2, code, {Ip(192, 168, 7, 5, 40000)}));
    ASSERT_EQ(answers.size(), 1u);
    ASSERT_EQ(answers[0].kind, MeetKind::Peer);
    EXPECT_EQ(answers[0].seen, kHost);
    EXPECT_EQ(answers[0].locals[0], Ip(192, 168, 1, 20, 47800));
    EXPECT_FALSE(answers[0].locals[1].Valid());  // the joiner has no IPv6
    ASSERT_EQ(lab.notices[kHost].size(), 1u);
    const MeetMessage told = lab.notices[kHost][0];
    EXPECT_EQ(told.kind, MeetKind::Peer);
    EXPECT_EQ(told.nonce, 1u);
    EXPECT_EQ(told.seen, kJoiner);
    EXPECT_EQ(told.locals[0], Ip(192, 168, 7, 5, 40000));
    EXPECT_EQ(told.key, answers[0].key);
    // The host's notice is repeated until it says SEEN; the joiner's answer whenever it asks again.
    lab.Pass(600);
    EXPECT_GE(lab.notices[kHost].size(), 3u);
    MeetMessage seen = Request(MeetKind::Seen, 1, code);
    seen.detail = 'p';
    EXPECT_TRUE(lab.Send(kHost, seen).empty());
    const size_t before = lab.notices[kHost].size();
    lab.Pass(1000);
    EXPECT_EQ(lab.notices[kHost].size(), before);
    EXPECT_EQ(lab.Send(kJoiner, Request(MeetKind::Join, 2, code))[0].kind, MeetKind::Peer);
    for (const Endpoint& third : {kStranger, Ip(198, 51, 100, 3, 40001)}) {
        answers = lab.Send(third, Request(MeetKind::Join, 3, code));
        ASSERT_EQ(answers.size(), 1u);
        EXPECT_EQ(answers[0].kind, MeetKind::Error);
        EXPECT_EQ(answers[0].detail, static_cast<uint8_t>(MeetError::RoomFull));
    }

    // Held by KEEPs, a code still expires ten minutes after it was given.
    const std::string waiting = lab.Open(Ip(198, 51, 100, 9, 47800), 9);
    for (int minute = 0; minute < 10; ++minute) {
        for (int keep = 0; keep < 12; ++keep) {
            lab.Pass(5000);
            lab.Send(Ip(198, 51, 100, 9, 47800), Request(MeetKind::Keep, 9, waiting));
        }
    }
    lab.Pass(1000);
    answers = lab.Send(kJoiner, Request(MeetKind::Join, 4, waiting));
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].detail, static_cast<uint8_t>(MeetError::UnknownCode));
    EXPECT_TRUE(Said(lab, "room " + waiting + " closed (code expired unused): host 198.51.100.9:47800, joiner none"));
    // The 200 rooms sent no KEEP; the joined room neither met nor relayed.
    EXPECT_TRUE(Said(lab, "(host gone)"));
    EXPECT_TRUE(Said(lab, "room " + code + " closed (no relay asked)"));
    EXPECT_EQ(lab.server.Rooms(), 0u);
}

TEST(MeetServer, ARelayForwardsOnlyBetweenTheRoomsTwoEndpointsWithinItsRate) {
    MeetLimits limits;
    limits.relayKbps = 160;  // 10,000 bytes a second each way
    Lab lab(limits);
    const std::string code = lab.Open(kHost, 1);
    lab.Send(kJoiner, Request(MeetKind::Join, 2, code));
    std::vector<uint8_t> game(100, 0x33);
    game[0] = 'K', game[1] = 'R';
    lab.Send(kHost, game);
    EXPECT_TRUE(lab.forwarded.empty());  // not relaying yet

    auto answers = lab.Send(kJoiner, Request(MeetKind::Relay, 2, code));
    ASSERT_EQ(answers.size(), 1u);
    EXPECT_EQ(answers[0].kind, MeetKind::Relaying);
    EXPECT_EQ(lab.notices[kHost].back().kind, MeetKind::Relaying);
    // A stranger, and the host's address from another port, are not relayed.
    lab.Send(kStranger, game);
    lab.Send(Ip(198, 51, 100, 2, 47801), game);
    EXPECT_TRUE(lab.forwarded.empty());
    // 1,000 datagrams a second for 3 s from the host: its share of the rate gets through, unchanged.
    for (int i = 0; i < 3000; ++i) {
        game[2] = static_cast<uint8_t>(i);
        lab.Send(kHost, game);
        lab.now += 1;
    }
    const auto& got = lab.forwarded[kJoiner];
    EXPECT_TRUE(lab.forwarded.size() == 1);
    EXPECT_GE(got.size(), 280u);   // 30,000 bytes in 3 s
    EXPECT_LE(got.size(), 330u);   // and a quarter second's burst
    for (size_t i = 0; i < got.size(); ++i) {
        game[2] = got[i][2];
        EXPECT_EQ(got[i], game) << i;
    }
    lab.Send(kJoiner, game);
    EXPECT_EQ(lab.forwarded[kHost].size(), 1u);
    lab.Pass(31000);
    EXPECT_TRUE(Said(lab, "room " + code + " closed (relay idle): host 198.51.100.2:47800, joiner 198.51.100.3:40000, relay, " +
                              std::to_string(100 * (got.size() + 1)) + " bytes relayed"));
    lab.Send(kHost, game);
    EXPECT_EQ(lab.forwarded[kJoiner].size(), got.size());
}

TEST(MeetServer, AStrangerGetsAFewAnswersASecondNeverLargerAndAFullServerSaysSo) {
    MeetLimits limits;
    limits.maxRooms = 40;
    limits.roomsPerAddress = 3;
    Lab lab(limits);
    std::mt19937 random(3);
    std::vector<uint64_t> answeredAt;
    // 2,000 requests a second for 3 s: opens and junk from one port, guessed
    // codes from many ports of the same address.
    for (int i = 0; i < 6000; ++i) {
        lab.now += i % 2;
        std::vector<uint8_t> bytes;
        if (i % 3 == 0) {
            lab.Send(Ip(203, 0, 113, 9, static_cast<uint16_t>(6000 + i)),
                     Request(MeetKind::Join, i, MeetCodeText(random() % 887503681u)));
            continue;
        } else if (i % 3 == 1) {
            bytes = EncodeMeet(Request(MeetKind::Open, i));
        } else {
            bytes.resize(random() % 200);
            for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
            if (bytes.size() > 2) bytes[0] = 'K', bytes[1] = 'M';
        }
        for (size_t n = lab.Send(kStranger, bytes).size(); n > 0; --n) answeredAt.push_back(lab.now);
    }
    EXPECT_GE(answeredAt.size(), 3 * MeetServer::kAnswersPerSecond);
    for (size_t i = MeetServer::kAnswersPerSecond; i < answeredAt.size(); ++i) {
        EXPECT_GE(answeredAt[i] - answeredAt[i - MeetServer::kAnswersPerSecond], 1000u) << i;
    }
    EXPECT_LE(lab.server.Rooms(), 1u);  // one endpoint, one room
    const std::string code = lab.Open(kHost, 1);  // and a real host is served meanwhile
    // Its guesses used up, the stranger's address is not even tried with the right code; others are.
    Endpoint sameAddress = kStranger;
    sameAddress.port = 5001;
    EXPECT_TRUE(lab.Send(sameAddress, Request(MeetKind::Join, 8, code)).empty());
    EXPECT_EQ(lab.Send(kJoiner, Request(MeetKind::Join, 2, code))[0].kind, MeetKind::Peer);

    // Three rooms per IP address; then forty rooms in all; each limit one line.
    for (uint16_t port = 1; port <= 4; ++port) {
        const auto answers = lab.Send(Ip(203, 0, 113, 50, port), Request(MeetKind::Open, port));
        EXPECT_EQ(answers[0].kind, port <= 3 ? MeetKind::Opened : MeetKind::Error);
    }
    std::vector<MeetMessage> last;
    for (uint8_t i = 0; i < 50; ++i) last = lab.Send(Ip(10, 9, i, 1, 7), Request(MeetKind::Open, i));
    ASSERT_EQ(last.size(), 1u);
    EXPECT_EQ(last[0].detail, static_cast<uint8_t>(MeetError::ServerFull));
    EXPECT_EQ(lab.server.Rooms(), 40u);
    size_t limitLines = 0;
    for (const std::string& l : lab.lines) limitLines += l.find("reached") != std::string::npos;
    EXPECT_EQ(limitLines, 3u);
    EXPECT_TRUE(Said(lab, "join limit reached: 203.0.113.9 had too many codes refused"));
    EXPECT_TRUE(Said(lab, "room limit reached: 40 rooms open"));
    EXPECT_TRUE(Said(lab, "rooms per address reached: 203.0.113.50 hosts 3 rooms"));
}
