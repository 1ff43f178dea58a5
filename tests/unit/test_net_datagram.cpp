// UDP sockets on loopback (addresses as the game compares them, datagrams
// too large for the buffer) and the host's side of finding a game: what it
// answers, and how often.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <vector>

#include "net/Discovery.h"
#include "platform/clock.h"
#include "platform/datagram.h"

namespace {

NetAddress Resolved(const char* host, uint16_t port) {
    NetAddress address;
    std::string error;
    EXPECT_TRUE(ResolveAddress(host, port, &address, &error)) << error;
    return address;
}

long ReceiveWithin(DatagramSocket* s, void* buffer, size_t capacity, NetAddress* from) {
    WaitDatagram(*s, 1000);
    return ReceiveDatagram(s, buffer, capacity, from);
}

}  // namespace

TEST(Datagram, PeersCompareAsResolvedAndOversizeDatagramsAreDroppedUnread) {
    std::string error;
    DatagramSocket host = OpenDatagramSocket(0, &error);
    DatagramSocket peer = OpenDatagramSocket(0, &error);
    ASSERT_TRUE(host.Open() && peer.Open()) << error;
    EXPECT_EQ(Resolved("::ffff:127.0.0.1", 9), Resolved("127.0.0.1", 9));

    // A dual-stack socket sees an IPv4 peer as ::ffff:127.0.0.1; the game sees 127.0.0.1.
    uint8_t buffer[64 + 8];
    NetAddress from;
    ASSERT_TRUE(SendDatagram(peer, Resolved("127.0.0.1", host.port), "hello", 5));
    ASSERT_EQ(ReceiveWithin(&host, buffer, 64, &from), 5);
    EXPECT_EQ(from, Resolved("127.0.0.1", peer.port));
    EXPECT_EQ(from.Text(), "127.0.0.1:" + std::to_string(peer.port));
    ASSERT_TRUE(SendDatagram(host, from, "back", 4));  // to the mapped form, from IPv6
    ASSERT_EQ(ReceiveWithin(&peer, buffer, 64, nullptr), 4);

    if (host.dualStack) {
        ASSERT_TRUE(SendDatagram(peer, Resolved("::1", host.port), "six", 3));
        ASSERT_EQ(ReceiveWithin(&host, buffer, 64, &from), 3);
        EXPECT_EQ(from.Text(), "[::1]:" + std::to_string(peer.port));
        EXPECT_NE(from, Resolved("127.0.0.1", peer.port));
    }

    // 100 bytes into a 64-byte buffer: dropped, counted, and the bytes past it untouched.
    const uint64_t received = host.received;
    std::vector<uint8_t> large(100, 0xAB);
    std::memset(buffer, 0, sizeof buffer);
    ASSERT_TRUE(SendDatagram(peer, Resolved("127.0.0.1", host.port), large.data(), large.size()));
    ASSERT_TRUE(SendDatagram(peer, Resolved("127.0.0.1", host.port), "small", 5));
    ASSERT_EQ(ReceiveWithin(&host, buffer, 64, &from), 5);
    EXPECT_EQ(std::memcmp(buffer, "small", 5), 0);
    EXPECT_EQ(host.received - received, 2u);
    EXPECT_EQ(host.rejected, 1u);
    for (size_t i = 64; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], 0) << i;
    EXPECT_EQ(ReceiveDatagram(&host, buffer, 64, &from), 0);  // nothing waiting

    CloseDatagramSocket(&host);
    CloseDatagramSocket(&peer);
}

TEST(Discovery, AnAnswerEchoesTheNonceAndIsNeverLargerThanWhatItAnswers) {
    uint8_t probe[kProbeSize + 16];
    WriteDiscoveryProbe(0x0123456789ABCDEFull, probe);
    uint8_t answer[kProbeAnswerSize];
    HostAnswer host;
    ASSERT_EQ(AnswerDiscoveryProbe(probe, kProbeSize, "1.2.3", "h", answer, sizeof answer),
              kProbeAnswerSize);
    EXPECT_TRUE(ParseDiscoveryAnswer(answer, kProbeAnswerSize, 0x0123456789ABCDEFull, &host));
    EXPECT_EQ(host.version, "1.2.3");
    EXPECT_FALSE(ParseDiscoveryAnswer(answer, kProbeAnswerSize, 0x0123456789ABCDEEull, &host));
    EXPECT_EQ(AnswerDiscoveryProbe(answer, kProbeAnswerSize, "1.2.3", "h", answer, sizeof answer), 0u);

    // Cut short, changed at random, or of another protocol: an answer only
    // to a whole probe, and never a byte longer than it.
    std::mt19937 random(5);
    for (int round = 0; round < 20000; ++round) {
        WriteDiscoveryProbe(random(), probe);
        if (round % 2) probe[random() % sizeof probe] ^= static_cast<uint8_t>(1u << (random() % 8));
        const size_t size = random() % (sizeof probe + 1);
        const size_t length = AnswerDiscoveryProbe(probe, size, "9.9.9", "h", answer, sizeof answer);
        ASSERT_TRUE(length <= size && (length == 0 || size >= kProbeSize)) << size;
    }
    WriteDiscoveryProbe(1, probe);
    probe[4] = kDiscoveryProtocol + 1;
    EXPECT_EQ(AnswerDiscoveryProbe(probe, kProbeSize, "1.2.3", "h", answer, sizeof answer), 0u);
}

TEST(Discovery, AFloodOfProbesGetsAtMostFourAnswersASecondFromOneSourceAndAFewDozenFromAll) {
    std::string error;
    DatagramSocket host = OpenDatagramSocket(0, &error);
    DatagramSocket flood = OpenDatagramSocket(0, &error);
    ASSERT_TRUE(host.Open() && flood.Open()) << error;
    DiscoveryResponder responder("1.0.0", "h");
    const NetAddress target = Resolved("127.0.0.1", host.port);
    uint8_t probe[kProbeSize], buffer[256];
    std::vector<uint32_t> answered;  // when each answer arrived
    NetAddress from;
    long n;
    auto takeAnswers = [&] {
        while ((n = ReceiveDatagram(&flood, buffer, sizeof buffer, &from)) > 0) {
            HostAnswer h;
            EXPECT_EQ(n, static_cast<long>(kProbeAnswerSize));  // no larger than its probe
            const uint64_t nonce = buffer[8] | buffer[9] << 8;  // the flood's nonces are 0..299
            EXPECT_TRUE(ParseDiscoveryAnswer(buffer, n, nonce, &h));
            EXPECT_EQ(h.version, "1.0.0");
            answered.push_back(timeGetTime());
        }
    };
    for (uint64_t i = 0; i < 300; ++i) {  // one probe every 5 ms for 1.5 s, and one record
        WriteDiscoveryProbe(i, probe);
        SendDatagram(flood, target, probe, sizeof probe);
        if (i == 150) SendDatagram(flood, target, "record", 6);
        Sleep(5);
        while ((n = ReceiveDatagram(&host, buffer, sizeof buffer, &from)) > 0) {
            const bool wasProbe = responder.Handle(host, buffer, n, from, timeGetTime());
            EXPECT_EQ(wasProbe, n == static_cast<long>(kProbeSize)) << n;
        }
        takeAnswers();
    }
    WaitDatagram(flood, 50);
    takeAnswers();
    // Four at once, the next four a second later: never five in one second.
    EXPECT_GE(answered.size(), 2 * kProbeAnswersPerSecond);
    EXPECT_EQ(responder.Answered(), answered.size());
    for (size_t i = kProbeAnswersPerSecond; i < answered.size(); ++i) {
        EXPECT_GE(answered[i] - answered[i - kProbeAnswersPerSecond], 990u) << i;
    }
    CloseDatagramSocket(&host);
    CloseDatagramSocket(&flood);

    // Forged sources, a hundred at once: a few dozen answers in all. (A real
    // joiner beside one stranger: tests/e2e/test_net_discovery.cpp.)
    cAnswerLimit limit(kProbeAnswersPerSecond, kProbeAnswersInAll);
    uint32_t allowed = 0;
    for (int i = 0; i < 100; ++i) allowed += limit.Allow(Resolved(("10.1.0." + std::to_string(i)).c_str(), 9), 5000);
    EXPECT_EQ(allowed, kProbeAnswersInAll);
    EXPECT_TRUE(limit.Allow(Resolved("10.1.0.1", 9), 6000));  // a second later
}
