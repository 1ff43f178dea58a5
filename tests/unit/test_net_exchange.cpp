// The exchange of the players' records: the order of sending and receiving on
// both roles, the input delay, the desync check, messages that arrive in
// pieces, a silent partner, the ways the exchange ends, the exit-time
// shut-down, and setting up the connection (greeting, version check, seed and
// delay) from the command line.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/Play.h"
#include "app/WinMain.h"
#include "input/cInput.h"
#include "net/cNetwork.h"
#include "platform/window.h"
#include "support/fake_partner.h"
#include "support/free_port.h"

namespace {

PadState Pad(uint8_t seed) {
    PadState p{};
    for (int i = 0; i < 12; ++i) p.buttons[i] = static_cast<uint8_t>(seed + i);
    p.x = seed * 1000 + 1;
    p.y = -seed;
    p.z = 65536 - seed;
    p.rz = 0x01020304 + seed;
    return p;
}

bool Same(const PadState& a, const PadState& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

// The fields that carry a player's controls; Z and RZ carry the checksum.
bool SameControls(const PadState& a, const PadState& b) {
    return std::memcmp(a.buttons, b.buttons, sizeof a.buttons) == 0 && a.x == b.x && a.y == b.y;
}

std::vector<uint8_t> PadMessage(const PadState& p) {
    std::vector<uint8_t> m(kPadMessageSize);
    m[0] = kMessagePadState;
    EncodePadState(p, m.data() + 1);
    return m;
}

// A message as this machine sends it in its first step: no checksum yet.
std::vector<uint8_t> FirstMessage(PadState p) {
    p.z = 0;
    p.rz = static_cast<int32_t>(cNetwork::kNoChecksumStep);
    return PadMessage(p);
}

// The record of a player who does nothing, as the exchange applies it in the first steps.
const PadState kNeutral = PackControls(NeutralControls());

// Whether anything (bytes or the end of the stream) is waiting on s within ms.
bool Readable(SocketHandle s, int ms) {
    pollfd entry{s, POLLIN, 0};
    return poll(&entry, 1, ms) > 0;
}

// This process plays one machine on `local`; the test plays the other on `peer`.
class NetExchange : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(SocketPair(&local, &peer));
        // A receive that wrongly waits for more fails after 3 s instead of hanging.
        timeval limit{3, 0};
        setsockopt(local, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    }
    void TearDown() override {
        if (net && net->Open()) LocalClosedByShutdown();
        net.reset();
        SocketClose(local);
        SocketClose(peer);
    }
    // This machine plays `role` (1: the host) over `local`.
    void Play(int32_t role, int32_t delay = 0) {
        net = std::make_unique<cNetwork>();
        net->Adopt(local, role == 1, static_cast<uint32_t>(delay), 0);
    }
    // The shut-down closes the local end itself.
    void LocalClosedByShutdown() {
        net->Shutdown();
        local = kNoSocket;
    }

    std::unique_ptr<cNetwork> net;
    SocketHandle local = kNoSocket;
    SocketHandle peer = kNoSocket;
};

}  // namespace

TEST_F(NetExchange, RoleOneSendsFirstThenWaitsTheOtherWaitsThenAnswers) {
    // Without delay: every step is a round trip. The host's record is player 1's.
    Play(1);
    PadState one{}, two{};
    ExchangeResult result = ExchangeResult::Failed;
    std::thread step([&] { result = net->Exchange(Pad(10), &one, &two); });
    // The role-1 machine's record comes before anything is answered.
    EXPECT_EQ(Read(peer, kPadMessageSize), FirstMessage(Pad(10)));
    Write(peer, PadMessage(Pad(20)));
    step.join();
    ASSERT_EQ(result, ExchangeResult::Done) << net->Failure();
    EXPECT_TRUE(SameControls(one, Pad(10)));
    EXPECT_TRUE(Same(two, Pad(20)));

    // The joining machine waits for the host before it says anything, and its
    // record is player 2's.
    LocalClosedByShutdown();
    SocketClose(peer);
    ASSERT_TRUE(SocketPair(&local, &peer));
    Play(2);
    std::thread answer([&] { result = net->Exchange(Pad(40), &one, &two); });
    EXPECT_FALSE(Readable(peer, 150));
    Write(peer, PadMessage(Pad(50)));
    EXPECT_EQ(Read(peer, kPadMessageSize), FirstMessage(Pad(40)));
    answer.join();
    ASSERT_EQ(result, ExchangeResult::Done) << net->Failure();
    EXPECT_TRUE(Same(one, Pad(50)));
    EXPECT_TRUE(SameControls(two, Pad(40)));
}

namespace {

// One pad, held in the six-button quit chord.
class ChordPad : public PadDevice {
public:
    int32_t Acquire() override { return 0; }
    bool Poll() override { return true; }
    bool GetState(JoyState2* state) override {
        *state = JoyState2{};
        for (int b : {PAD_R1, PAD_R2, PAD_L1, PAD_L2, PAD_SELECT, PAD_START}) state->buttons[b] = 0x80;
        return true;
    }
};
class ChordDevices : public InputDevices {
public:
    bool StartPads() override { return true; }
    int CountAttachedPads() override { return 1; }
    std::unique_ptr<PadDevice> OpenPad(int) override { return std::make_unique<ChordPad>(); }
    bool HasFocus(WindowHandle) override { return false; }
    WindowHandle FindWindowByTitle(const char*) override { return nullptr; }
    void ReadKeyboard(uint8_t*) override {}
    void GetCursor(WindowHandle, int* x, int* y) override { *x = *y = 0; }
};

}  // namespace

TEST_F(NetExchange, AQuitPostedDuringAStepLetsTheStepFinishAndTheNextDoesNotStart) {
    ChordDevices devices;
    input.Init(nullptr, &devices);
    Play(1);
    Write(peer, PadMessage(PackControls(NeutralControls())));  // the other's record for this step
    cPlay play;
    play.Seed(1u, 2);
    ASSERT_TRUE(play.Start(AppOptions{}, net.get()));
    CreateFirstScene(play.Game());
    net->Begin(&play.Game(), StepGame);
    int status = -1;
    // The chord posts the quit before the exchange: the step still sends its
    // record, runs the game and ends normally.
    EXPECT_EQ(RunLogicStep(play, &status), StepEnd::Going);
    EXPECT_EQ(Read(peer, kPadMessageSize).size(), kPadMessageSize);
    EXPECT_EQ(play.Game().spawnCounter, 1);
    EXPECT_TRUE(QuitMessageQueued(&status));
    // With the quit still queued the next step does not start.
    EXPECT_EQ(RunLogicStep(play, &status), StepEnd::Quit);
    EXPECT_EQ(status, 0);
    EXPECT_FALSE(Readable(peer, 50));
    EXPECT_EQ(play.Game().spawnCounter, 1);
    input.Shutdown();
    ClearMessageQueue();
}

namespace {

// Plays `steps` steps of one machine with input delay `delay`: the record for
// step k is Pad(2k + role - 1); every step checks both records against what
// the delay says and notes `checksum(k)` as its game state. Returns the number
// of wrong records, or -1 when an exchange did not finish (*failedAt is then
// its step).
int PlaySteps(cNetwork& net, int32_t role, int steps, int32_t delay,
              uint32_t (*checksum)(int32_t, int), int* failedAt) {
    int wrong = 0;
    for (int k = 0; k < steps; ++k) {
        PadState one{}, two{};
        const ExchangeResult r =
            net.Exchange(Pad(static_cast<uint8_t>(2 * k + role - 1)), &one, &two);
        if (r != ExchangeResult::Done) {
            *failedAt = k;
            return -1;
        }
        const int from = k - delay;  // the step these records were made in
        const PadState want1 = from < 0 ? kNeutral : Pad(static_cast<uint8_t>(2 * from));
        const PadState want2 = from < 0 ? kNeutral : Pad(static_cast<uint8_t>(2 * from + 1));
        if (!SameControls(one, want1) || !SameControls(two, want2)) ++wrong;
        net.NoteStateChecksum(checksum(role, k));
    }
    return wrong;
}

uint32_t SameGame(int32_t, int k) { return 0x1000u + static_cast<uint32_t>(k); }
// The joining machine's game goes its own way from step 50 on.
uint32_t ApartFromFifty(int32_t role, int k) { return role == 2 && k >= 50 ? 7u : SameGame(role, k); }

}  // namespace

TEST_F(NetExchange, WithADelayBothMachinesApplyEachRecordDStepsLaterAndFindADesync) {
    // A second process plays the other role, so each side has its own state.
    for (auto checksum : {SameGame, ApartFromFifty}) {
        const bool apart = checksum == ApartFromFifty;
        SCOPED_TRACE(apart ? "games apart" : "same game");
        if (local == kNoSocket) {
            ASSERT_TRUE(SocketPair(&local, &peer));
        }
        constexpr int kSteps = 200;
        constexpr int32_t kDelay = 3;
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            SocketClose(local);
            local = peer;
            Play(2, kDelay);
            int failedAt = -1;
            testing::internal::CaptureStderr();
            const int wrong = PlaySteps(*net, 2, kSteps, kDelay, checksum, &failedAt);
            const std::string said = testing::internal::GetCapturedStderr();
            if (apart) {
                _exit(wrong == -1 && failedAt >= 51 && failedAt <= 51 + kDelay + 1 &&
                              said.find("went apart at step 50") != std::string::npos
                          ? 0
                          : 98);
            }
            _exit(wrong < 0 ? 100 : (wrong > 99 ? 99 : wrong));
        }
        Play(1, kDelay);
        int failedAt = -1;
        testing::internal::CaptureStderr();
        const int wrong = PlaySteps(*net, 1, kSteps, kDelay, checksum, &failedAt);
        const std::string said = testing::internal::GetCapturedStderr();
        if (apart) {
            // Found within a couple of steps, on this side as well, with the step named.
            EXPECT_EQ(wrong, -1);
            EXPECT_GE(failedAt, 51);
            EXPECT_LE(failedAt, 51 + kDelay + 1);
            EXPECT_NE(said.find("kaziro: network: the two machines' games went apart at step 50 "
                                "(state checksum 00001032 here, 00000007 on the other machine)"),
                      std::string::npos)
                << said;
        } else {
            EXPECT_EQ(wrong, 0);
            EXPECT_EQ(said, "");
        }
        // The joining side plays its last steps before this one goes away.
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        LocalClosedByShutdown();
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 0) << "the joining side saw other records or no desync";
        SocketClose(peer);
        peer = kNoSocket;
    }
}

TEST_F(NetExchange, ASilentPartnerLeavesTheWaitToTheHook) {
    Play(1);
    std::vector<uint32_t> asked;
    PadState one{}, two{};
    testing::internal::CaptureStderr();
    const ExchangeResult r = net->Exchange(Pad(1), &one, &two, [&](uint32_t waited) {
        asked.push_back(waited);
        return waited < 60;
    });
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "") << "giving up is the hook's to report";
    EXPECT_EQ(r, ExchangeResult::GaveUp);
    ASSERT_GE(asked.size(), 3u) << "asked between short waits";
    EXPECT_GE(asked.back(), 60u);
    EXPECT_LT(asked.back(), 500u);
    for (size_t i = 1; i < asked.size(); ++i) EXPECT_GE(asked[i], asked[i - 1]);

    // A partner that trickles its record a byte at a time is waited for as
    // long as one that sends nothing, not as long per byte.
    std::atomic<bool> stop{false};
    std::thread trickle([&] {
        const std::vector<uint8_t> m = PadMessage(Pad(2));
        for (size_t i = 0; i < m.size() && !stop; ++i) {
            Write(peer, {m[i]});
            std::this_thread::sleep_for(std::chrono::milliseconds(30));
        }
    });
    PadState got{};
    EXPECT_FALSE(net->ReceivePadState(&got, [](uint32_t waited) { return waited < 100; }))
        << "the whole record came: the wait started over with every byte";
    stop = true;
    trickle.join();
}

TEST_F(NetExchange, AMessageInPiecesIsOneMessageAndTheNextStartsAtTheFollowingByte) {
    Play(2);
    const std::vector<uint8_t> first = PadMessage(Pad(1));
    const std::vector<uint8_t> second = PadMessage(Pad(2));
    std::thread writer([&] {
        Write(peer, std::vector<uint8_t>(first.begin(), first.begin() + 10));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        // The rest of the first message and the start of the next in one piece.
        std::vector<uint8_t> piece(first.begin() + 10, first.end());
        piece.insert(piece.end(), second.begin(), second.begin() + 5);
        Write(peer, piece);
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        for (size_t i = 5; i < second.size(); ++i) Write(peer, {second[i]});
    });
    PadState got{};
    ASSERT_TRUE(net->ReceivePadState(&got)) << net->Failure();
    EXPECT_TRUE(Same(got, Pad(1)));
    ASSERT_TRUE(net->ReceivePadState(&got)) << net->Failure();
    EXPECT_TRUE(Same(got, Pad(2)));
    writer.join();
}

TEST_F(NetExchange, QuitNoticeAndUnknownKindsEndTheReceivingSide) {
    Play(1);
    PadState got = Pad(7);
    // A pad-state message, then the quit notice: the first is taken, the second ends it
    // at once, without waiting for bytes that will never come.
    std::vector<uint8_t> stream = PadMessage(Pad(3));
    stream.push_back(kMessageQuit);
    Write(peer, stream);
    ASSERT_TRUE(net->ReceivePadState(&got));
    EXPECT_TRUE(Same(got, Pad(3)));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(net->ReceivePadState(&got));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_STREQ(net->Failure(), "the other machine quit");

    Write(peer, {2});
    EXPECT_FALSE(net->ReceivePadState(&got));
    EXPECT_NE(std::string(net->Failure()).find("unknown kind 2"), std::string::npos)
        << net->Failure();

    std::vector<uint8_t> odd = PadMessage(Pad(4));
    odd[0] = 0xFF;
    Write(peer, odd);
    EXPECT_FALSE(net->ReceivePadState(&got));
    EXPECT_TRUE(Same(got, Pad(3))) << "a refused message must not be copied out";
}

TEST_F(NetExchange, AFailedExchangeSaysWhyOnOneLine) {
    Play(2);
    Write(peer, {kMessageQuit});
    testing::internal::CaptureStderr();
    PadState one{}, two{};
    EXPECT_EQ(net->Exchange(Pad(5), &one, &two), ExchangeResult::Failed);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "kaziro: network: the other machine quit\n");
    // Nothing was answered to a machine that quit.
    EXPECT_FALSE(Readable(peer, 50));
}

TEST_F(NetExchange, APeerThatClosesWithoutNoticeEndsTheExchange) {
    // Closed between messages.
    Play(2);
    SocketClose(peer);
    peer = kNoSocket;
    testing::internal::CaptureStderr();
    PadState one{}, two{};
    EXPECT_EQ(net->Exchange(Pad(5), &one, &two), ExchangeResult::Failed);
    EXPECT_EQ(testing::internal::GetCapturedStderr(),
              "kaziro: network: the other machine closed the connection\n");
}

TEST_F(NetExchange, APeerThatClosesInTheMiddleOfAMessageEndsTheReceive) {
    Play(1);
    const std::vector<uint8_t> m = PadMessage(Pad(6));
    Write(peer, std::vector<uint8_t>(m.begin(), m.begin() + 10));
    SocketClose(peer);
    peer = kNoSocket;
    PadState got{};
    EXPECT_FALSE(net->ReceivePadState(&got));
    EXPECT_STREQ(net->Failure(), "the other machine closed the connection");
}

TEST_F(NetExchange, SendingToAPeerThatHasGoneFailsWithoutASignal) {
    struct sigaction defaultAction {}, saved {};
    defaultAction.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &defaultAction, &saved);
    Play(1);
    SocketClose(peer);
    peer = kNoSocket;
    EXPECT_FALSE(net->SendPadState(Pad(1)));
    EXPECT_NE(std::string(net->Failure()).find("broke"), std::string::npos) << net->Failure();
    testing::internal::CaptureStderr();
    PadState one{}, two{};
    EXPECT_EQ(net->Exchange(Pad(1), &one, &two), ExchangeResult::Failed);
    EXPECT_NE(testing::internal::GetCapturedStderr().find("kaziro: network: "), std::string::npos);
    // The shut-down's quit notice to the gone peer is not an error either.
    LocalClosedByShutdown();
    sigaction(SIGPIPE, &saved, nullptr);
}

TEST_F(NetExchange, ShutDownSendsTheQuitNoticeWhileActiveAndClosesOnBothRoles) {
    for (int32_t role : {1, 2}) {
        SCOPED_TRACE(role);
        if (local == kNoSocket) {
            ASSERT_TRUE(SocketPair(&local, &peer));
        }
        Play(role);
        LocalClosedByShutdown();
        EXPECT_EQ(Read(peer, 1), std::vector<uint8_t>{kMessageQuit});
        uint8_t more = 0;
        EXPECT_EQ(SocketReceive(peer, &more, 1), 0) << "the connection is closed after the notice";
        EXPECT_FALSE(net->Open());
        EXPECT_FALSE(net->Active());
        net->Shutdown();  // once is enough: nothing more happens
        SocketClose(peer);
        peer = kNoSocket;
    }
}

TEST_F(NetExchange, WithoutAConnectionShutDownIsANoOp) {
    // Never given a connection: nothing is sent and nothing is closed.
    cNetwork never;
    never.Shutdown();
    EXPECT_FALSE(Readable(peer, 50));
    Write(local, {9});  // still open
    EXPECT_EQ(Read(peer, 1), std::vector<uint8_t>{9});
}

namespace {


bool PortInUse(uint16_t port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    const bool used = bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0;
    close(s);
    return used;
}

NetSettings Hosting(uint16_t port, int delay = -1) {
    NetSettings s;
    s.role = NetSettings::Role::Host;
    s.port = port;
    s.delay = delay;
    s.lockstep = true;
    return s;
}

NetSettings Joining(const char* host, uint16_t port, uint32_t timeoutMs) {
    NetSettings s;
    s.role = NetSettings::Role::Join;
    s.host = host;
    s.port = port;
    s.lockstep = true;
    s.connectTimeoutMs = timeoutMs;
    return s;
}

}  // namespace

TEST(NetConnect, WithoutNetworkOptionsNothingIsTouched) {
    cNetwork net;
    std::string error;
    EXPECT_TRUE(net.Connect(NetSettingsOf(AppOptions{}), {}, &error));
    EXPECT_FALSE(net.Open());
    EXPECT_FALSE(net.Active());
}

TEST(NetConnect, HostPlaysRoleOneJoinerRoleTwoAndTheHostsSeedAndDelayHoldForBoth) {
    const NetSettings host = Hosting(FreePort(), 4);
    cNetwork net;
    FakePartner joiner;
    std::thread joining([&] {
        bool cancelled = false;
        std::string e;
        joiner.socket = ConnectToPartner("127.0.0.1", host.port, 5000, nullptr, &cancelled, &e);
        joiner.Join(KAZIRO_VERSION);
    });
    std::string error;
    testing::internal::CaptureStderr();
    const bool ok = net.Connect(host, {}, &error);
    const std::string said = testing::internal::GetCapturedStderr();
    joining.join();
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(said.substr(0, said.find('\n') + 1),
              "kaziro: network: waiting for a second machine to join on port " +
                  std::to_string(host.port) + " (Ctrl+C to cancel)\n");
    EXPECT_NE(said.find("input delay 4 steps (64 ms)"), std::string::npos) << said;
    EXPECT_TRUE(net.IsHost());
    EXPECT_EQ(net.Delay(), 4u);
    EXPECT_EQ(joiner.theirHello, Hello(KAZIRO_VERSION, 4));
    ASSERT_EQ(joiner.start.size(), kStartSize);
    EXPECT_EQ(joiner.start[1], 4);
    const uint32_t sentSeed = joiner.start[4] | (joiner.start[5] << 8) | (joiner.start[6] << 16) |
                              (static_cast<uint32_t>(joiner.start[7]) << 24);
    EXPECT_EQ(sentSeed, net.Seed());
    EXPECT_TRUE(net.Open() && net.Active());
    net.Shutdown();
    EXPECT_EQ(Read(joiner.socket, 1), std::vector<uint8_t>{kMessageQuit});
    SocketClose(joiner.socket);

    const NetSettings join = Joining("::1", FreePort(), 5000);
    cNetwork joined;
    FakePartner hoster;
    std::thread hosting([&] {
        bool cancelled = false;
        std::string e;
        hoster.socket = AcceptOnePartner(join.port, nullptr, nullptr, &cancelled, &e);
        hoster.Host(0xC0FFEE11u, 7);
    });
    testing::internal::CaptureStderr();
    const bool ok2 = joined.Connect(join, {}, &error);
    testing::internal::GetCapturedStderr();
    hosting.join();
    ASSERT_TRUE(ok2) << error;
    EXPECT_FALSE(joined.IsHost());
    EXPECT_EQ(joined.Seed(), 0xC0FFEE11u);
    EXPECT_EQ(joined.Delay(), 7u);
    EXPECT_TRUE(joined.Open() && joined.Active());
    joined.Shutdown();
    SocketClose(hoster.socket);
}

TEST(NetConnect, APartnerOfAnotherVersionIsToldAndRefused) {
    for (const bool older : {false, true}) {
        SCOPED_TRACE(older ? "an older kaziro that does not greet" : "another version");
        const NetSettings host = Hosting(FreePort());
        cNetwork net;
        FakePartner joiner;
        std::thread joining([&] {
            bool cancelled = false;
            std::string e;
            joiner.socket = ConnectToPartner("127.0.0.1", host.port, 5000, nullptr, &cancelled, &e);
            if (older) {
                Write(joiner.socket, PadMessage(Pad(1)));  // it starts with its first record
            } else {
                Write(joiner.socket, Hello("0.9.0"));
            }
            joiner.theirHello = Read(joiner.socket, kHelloSize);
        });
        std::string error;
        testing::internal::CaptureStderr();
        EXPECT_FALSE(net.Connect(host, {}, &error));
        testing::internal::GetCapturedStderr();
        joining.join();
        if (older) {
            EXPECT_EQ(error, std::string("the other machine does not greet as kaziro ") +
                                 KAZIRO_VERSION +
                                 " does: it runs another version (both machines must run the "
                                 "same version)");
        } else {
            EXPECT_EQ(error, std::string("the other machine runs kaziro 0.9.0, this one ") +
                                 KAZIRO_VERSION + ": both machines must run the same version");
        }
        // The other machine got this one's greeting, so it can tell its player too.
        EXPECT_EQ(joiner.theirHello, Hello(KAZIRO_VERSION));
        EXPECT_FALSE(net.Open() || net.Active());
        SocketClose(joiner.socket);
    }
}

TEST(NetConnect, JoinGivesUpAndCtrlCCancelsTheWaitLeavingNothingSet) {
    cNetwork net;
    std::string error;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(net.Connect(Joining("127.0.0.1", FreePort(), 500), {}, &error));
    testing::internal::GetCapturedStderr();
    EXPECT_NE(error.find("could not connect to 127.0.0.1 port"), std::string::npos) << error;
    EXPECT_FALSE(net.Open() || net.Active());

    const NetSettings host = Hosting(FreePort());
    InterruptWatch watch;
    std::thread interrupter([&] {
        // Ctrl+C once the port is open (so the wait's own handling is in place).
        const auto start = std::chrono::steady_clock::now();
        while (!PortInUse(host.port) &&
               std::chrono::steady_clock::now() - start < std::chrono::seconds(5)) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        if (PortInUse(host.port)) kill(getpid(), SIGINT);
    });
    testing::internal::CaptureStderr();
    const bool ok = net.Connect(host, [&watch] { return watch.Interrupted(); }, &error);
    testing::internal::GetCapturedStderr();
    interrupter.join();
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find("cancelled"), std::string::npos) << error;
    EXPECT_FALSE(net.Open() || net.Active());
    EXPECT_FALSE(PortInUse(host.port)) << "the listening socket was left open";
}
