// Every byte format of the game, written and read back: each field comes back
// where it was put (every field a different value, so two fields read in
// each other's place are caught), the bytes are the ones the format
// describes, and no piece of a whole message is taken for one.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "game/RecordWire.h"
#include "net/DiscoveryWire.h"
#include "net/GameWire.h"
#include "net/GreetingWire.h"
#include "net/LockstepWire.h"

namespace {

PlayerControls Record(float x, float y, uint32_t digits) {
    PlayerControls r;
    r.x = x;
    r.y = y;
    r.turnLeft = 1;
    r.confirm = 1;
    r.digits = digits;
    return r;
}

bool SameRecord(const PlayerControls& a, const PlayerControls& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every proper prefix of `bytes` is refused by `parse`.
template <typename Parse>
void EveryTruncationRefused(const std::vector<uint8_t>& bytes, Parse parse, const char* what) {
    for (size_t n = 0; n < bytes.size(); ++n) {
        std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<long>(n));
        EXPECT_FALSE(parse(cut.data(), cut.size())) << what << " cut to " << n << " bytes";
    }
}

}  // namespace

TEST(Wire, ARecordIsTwelveLittleEndianBytesAndNothingNoRecordMakesIsRead) {
    const PlayerControls r = Record(12.5f, -3.0f, KeypadDigitBit(2) | RowDigitBit(9));
    uint8_t bytes[kRecordBytes];
    EncodeRecord(r, bytes);
    const std::vector<uint8_t> want{0x00, 0x00, 0x48, 0x41, 0x00, 0x00, 0x40, 0xC0,
                                    0x05, 0x02, 0x00, 0x02};
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + kRecordBytes), want);
    PlayerControls back;
    ASSERT_TRUE(DecodeRecord(bytes, &back));
    EXPECT_TRUE(SameRecord(back, r));
    bytes[8] |= 0x10;  // a button bit that means nothing
    EXPECT_FALSE(DecodeRecord(bytes, &back));
    EncodeRecord(Record(2.0e6f, 0.0f, 0), bytes);  // a million pixels away
    EXPECT_FALSE(DecodeRecord(bytes, &back));
}

TEST(Wire, AGameDatagramComesBackFieldForFieldAndNoPartOfItIsOne) {
    GamePacket p;
    p.token = 0x1122334455667788ull;
    p.held = 101;
    p.first = 202;
    p.records = {Record(1.0f, 2.0f, 3), Record(4.0f, 5.0f, 6)};
    p.next = 303;
    p.confirmed = 404;
    p.checksum = 0xC0DEC0DEu;
    p.clock = 505;
    p.echo = 606;
    p.echoAge = 707;
    for (const bool quit : {false, true}) {
        SCOPED_TRACE(quit ? "QUIT" : "INPUT");
        p.quit = quit;
        p.reason = QuitReason::Desync;
        p.reasonStep = 808;
        const std::vector<uint8_t> bytes = EncodeGamePacket(p);
        ASSERT_EQ(bytes.size(), 4 + 8 + (quit ? 5u : 0u) + 9 + 2 * kRecordBytes + 22);
        // The header, the token, then (after a QUIT's reason and step) what
        // the receiver holds and where the records start, little-endian.
        EXPECT_EQ(bytes[2], quit ? 'Q' : 'I');
        const size_t at = 12 + (quit ? 5 : 0);
        EXPECT_EQ(GetLittle(bytes.data() + 4, 8), p.token);
        EXPECT_EQ(GetLittle(bytes.data() + at, 4), 101u);
        EXPECT_EQ(GetLittle(bytes.data() + at + 4, 4), 202u);
        EXPECT_EQ(bytes[at + 8], 2);
        const uint8_t* tail = bytes.data() + at + 9 + 2 * kRecordBytes;
        const uint32_t tailWant[5] = {303, 404, 0xC0DEC0DEu, 505, 606};
        for (int i = 0; i < 5; ++i) EXPECT_EQ(GetLittle(tail + 4 * i, 4), tailWant[i]) << i;
        EXPECT_EQ(GetLittle(tail + 20, 2), 707u);

        GamePacket back;
        ASSERT_TRUE(ParseGamePacket(bytes.data(), bytes.size(), &back));
        EXPECT_EQ(back.quit, quit);
        EXPECT_EQ(back.token, p.token);
        EXPECT_EQ(back.held, p.held);
        EXPECT_EQ(back.first, p.first);
        ASSERT_EQ(back.records.size(), 2u);
        EXPECT_TRUE(SameRecord(back.records[1], p.records[1]));
        EXPECT_EQ(back.next, p.next);
        EXPECT_EQ(back.confirmed, p.confirmed);
        EXPECT_EQ(back.checksum, p.checksum);
        EXPECT_EQ(back.clock, p.clock);
        EXPECT_EQ(back.echo, p.echo);
        EXPECT_EQ(back.echoAge, p.echoAge);
        if (quit) {
            EXPECT_EQ(back.reason, QuitReason::Desync);
            EXPECT_EQ(back.reasonStep, 808u);
        }
        EveryTruncationRefused(bytes, [](const uint8_t* d, size_t n) {
            GamePacket g;
            return ParseGamePacket(d, n, &g);
        }, "a game datagram");
        std::vector<uint8_t> longer = bytes;
        longer.push_back(0);
        EXPECT_FALSE(ParseGamePacket(longer.data(), longer.size(), &back));
    }
}

TEST(Wire, EveryGreetingComesBackAndNoPartOfOneIsOne) {
    std::vector<Greeting> all(6);
    const DatagramKind kinds[] = {DatagramKind::Hello, DatagramKind::Welcome, DatagramKind::Refuse,
                                  DatagramKind::Ping, DatagramKind::Pong, DatagramKind::Ready};
    for (size_t i = 0; i < all.size(); ++i) {
        Greeting& g = all[i];
        g.kind = kinds[i];
        const bool nonce = i <= 2, token = i >= 1 && i != 2, version = i <= 2;
        if (nonce) g.nonce = 0xA1A2A3A4A5A6A7A8ull + i;
        if (token) g.token = 0xB1B2B3B4B5B6B7B8ull + i;
        if (version) g.version = "1.2.3-test";
        if (i == 0 || i == 1) g.delay = static_cast<uint8_t>(7 + i);
        if (i == 1) g.seed = 0xDEADBEEFu;
        if (i == 2) g.reason = 3;
        if (i == 0 || i == 2) g.fingerprint = 0xF1F2F3F4u + static_cast<uint32_t>(i);
        if (i == 3 || i == 4) {
            g.sequence = 9;
            g.clock = 0x01020304u;
        }
    }
    for (const Greeting& g : all) {
        SCOPED_TRACE(static_cast<char>(g.kind));
        const std::vector<uint8_t> bytes = EncodeGreeting(g);
        if (g.kind == DatagramKind::Hello) {
            EXPECT_EQ(bytes.size(), kNetHelloSize);
        } else {
            EXPECT_LT(bytes.size(), kNetHelloSize) << "an answer is smaller than a HELLO";
        }
        Greeting back;
        ASSERT_TRUE(ParseGreeting(bytes.data(), bytes.size(), &back));
        EXPECT_EQ(back.kind, g.kind);
        EXPECT_EQ(back.nonce, g.nonce);
        EXPECT_EQ(back.token, g.token);
        EXPECT_EQ(back.version, g.version);
        EXPECT_EQ(back.delay, g.delay);
        EXPECT_EQ(back.seed, g.seed);
        EXPECT_EQ(back.reason, g.reason);
        EXPECT_EQ(back.fingerprint, g.fingerprint);
        EXPECT_EQ(back.sequence, g.sequence);
        EXPECT_EQ(back.clock, g.clock);
        EveryTruncationRefused(bytes, [](const uint8_t* d, size_t n) {
            Greeting x;
            return ParseGreeting(d, n, &x);
        }, "a greeting");
    }
}

TEST(Wire, DiscoveryAnswersCarryTheNonceTheVersionAndTheNameAndNoPartOfOneCounts) {
    uint8_t probe[kProbeSize];
    WriteDiscoveryProbe(0x0102030405060708ull, probe);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(probe), 4), "KZDP");
    EXPECT_EQ(probe[4], 2);  // the protocol that names its hosts
    EXPECT_EQ(GetLittle(probe + 8, 8), 0x0102030405060708ull);
    uint8_t answer[kProbeAnswerSize];
    // A name longer than its field is cut; a byte that is no printable ASCII reads as '?'.
    const std::string name = "table-by-the-window\x01" + std::string(20, 'x');
    ASSERT_EQ(AnswerDiscoveryProbe(probe, sizeof probe, "4.5.6", name.c_str(), answer, sizeof answer),
              kProbeAnswerSize);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(answer + 16), 5), "4.5.6");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(answer + 32), 5), "table");
    HostAnswer host;
    ASSERT_TRUE(ParseDiscoveryAnswer(answer, sizeof answer, 0x0102030405060708ull, &host));
    EXPECT_EQ(host.version, "4.5.6");
    EXPECT_EQ(host.name, "table-by-the-window?" + std::string(12, 'x'));
    const std::vector<uint8_t> whole(answer, answer + sizeof answer);
    EveryTruncationRefused(whole, [](const uint8_t* d, size_t n) {
        HostAnswer h;
        return ParseDiscoveryAnswer(d, n, 0x0102030405060708ull, &h);
    }, "an answer");
    for (size_t n = 0; n < kProbeSize; ++n) {
        EXPECT_EQ(AnswerDiscoveryProbe(probe, n, "4.5.6", "n", answer, sizeof answer), 0u) << n;
    }
    // A probe of the first protocol, which had no names, is not answered.
    probe[4] = 1;
    EXPECT_EQ(AnswerDiscoveryProbe(probe, sizeof probe, "4.5.6", "n", answer, sizeof answer), 0u);
}

TEST(Wire, TheStepForStepBytesAreLittleEndianOnEveryMachine) {
    PadState s{};
    s.buttons[0] = 0x80;
    s.buttons[11] = 0x01;
    s.x = 0x01020304;
    s.y = 0x7FFFFFFF;
    s.z = INT32_MIN;
    s.rz = -2;
    uint8_t bytes[kPadStateSize];
    EncodePadState(s, bytes);
    // What every machine sends, whatever its own byte order: a big-endian one
    // holds x in memory as 01 02 03 04 and must still send 04 03 02 01.
    const std::vector<uint8_t> wire{0x80, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01,
                                    0x04, 0x03, 0x02, 0x01, 0xFF, 0xFF, 0xFF, 0x7F,
                                    0x00, 0x00, 0x00, 0x80, 0xFE, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(std::vector<uint8_t>(bytes, bytes + kPadStateSize), wire);
    const PadState back = DecodePadState(wire.data());
    EXPECT_EQ(std::memcmp(&back, &s, sizeof s), 0);

    // A player's record in a pad record, and back; z and rz stay the exchange's.
    const PlayerControls r = Record(640.25f, 17.0f, RowDigitBit(1) | KeypadDigitBit(9));
    const PadState packed = PackControls(r);
    EXPECT_EQ(packed.z, 0);
    EXPECT_EQ(packed.rz, 0);
    EXPECT_TRUE(SameRecord(UnpackControls(packed), r));

    LockstepHello hello;
    hello.delayWish = 12;
    hello.version = "1.2.3";
    uint8_t h[kHelloSize];
    EncodeLockstepHello(hello, h);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(h), 6), "KAZIRO");
    LockstepHello helloBack;
    ASSERT_TRUE(ParseLockstepHello(h, &helloBack));
    EXPECT_EQ(helloBack.protocol, kProtocolVersion);
    EXPECT_EQ(helloBack.delayWish, 12);
    EXPECT_EQ(helloBack.version, "1.2.3");
    h[0] = 0;  // an older kaziro that starts with its first record
    EXPECT_FALSE(ParseLockstepHello(h, &helloBack));

    uint8_t start[kStartSize];
    EncodeLockstepStart(LockstepStart{9, 0xC0FFEE11u}, start);
    EXPECT_EQ(std::vector<uint8_t>(start, start + kStartSize),
              (std::vector<uint8_t>{'S', 9, 0, 0, 0x11, 0xEE, 0xFF, 0xC0}));
    LockstepStart startBack;
    ASSERT_TRUE(ParseLockstepStart(start, &startBack));
    EXPECT_EQ(startBack.delay, 9);
    EXPECT_EQ(startBack.seed, 0xC0FFEE11u);
}
