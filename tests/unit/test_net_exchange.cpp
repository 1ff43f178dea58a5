// The pad-state exchange: slot mapping on both roles, messages that arrive in
// pieces, the ways the exchange ends, the exit-time shut-down, and setting up
// the connection from the command line.
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

#include "input/cInput.h"
#include "net/cNetwork.h"
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

std::vector<uint8_t> PadMessage(const PadState& p) {
    std::vector<uint8_t> m(kPadMessageSize);
    m[0] = kMessagePadState;
    std::memcpy(m.data() + 1, &p, sizeof p);
    return m;
}

void Write(SocketHandle s, const std::vector<uint8_t>& bytes) {
    ASSERT_EQ(SocketSend(s, bytes.data(), bytes.size()), static_cast<long>(bytes.size()));
}

// Reads exactly n bytes, or fewer when the stream ends or nothing comes for 2 s.
std::vector<uint8_t> Read(SocketHandle s, size_t n) {
    std::vector<uint8_t> got;
    while (got.size() < n) {
        pollfd entry{s, POLLIN, 0};
        if (poll(&entry, 1, 2000) <= 0) break;
        uint8_t buffer[64];
        const long r = SocketReceive(s, buffer, std::min(sizeof buffer, n - got.size()));
        if (r <= 0) break;
        got.insert(got.end(), buffer, buffer + r);
    }
    return got;
}

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
        for (PadSlot& slot : input.pads) slot.current = slot.previous = PadState{};
    }
    void TearDown() override {
        netActive = false;
        netOpen = false;
        netRole = 0;
        netSocket1 = netSocket2 = kNoSocket;
        SocketClose(local);
        SocketClose(peer);
        for (PadSlot& slot : input.pads) slot.current = slot.previous = PadState{};
    }
    void Play(int32_t role) {
        netRole = role;
        (role == 1 ? netSocket1 : netSocket2) = local;
        netOpen = netActive = true;
    }
    // ShutdownNetwork closes the local end itself.
    void LocalClosedByShutdown() { local = kNoSocket; }

    SocketHandle local = kNoSocket;
    SocketHandle peer = kNoSocket;
};

}  // namespace

TEST_F(NetExchange, RoleOneSendsFirstAndTheOtherPadLandsInSlotOne) {
    Play(1);
    input.pads[0].current = Pad(10);
    input.pads[0].previous = Pad(9);
    input.pads[2].current = Pad(30);
    bool result = false;
    std::thread step([&] { result = ExchangePadStates(); });
    // The role-1 machine's pad comes before anything is answered.
    EXPECT_EQ(Read(peer, kPadMessageSize), PadMessage(Pad(10)));
    Write(peer, PadMessage(Pad(20)));
    step.join();
    ASSERT_TRUE(result) << NetworkFailure();
    EXPECT_TRUE(Same(input.pads[0].current, Pad(10)));
    EXPECT_TRUE(Same(input.pads[1].current, Pad(20)));
    // Only the current records of slots 0 and 1 are exchanged.
    EXPECT_TRUE(Same(input.pads[0].previous, Pad(9)));
    EXPECT_TRUE(Same(input.pads[2].current, Pad(30)));
    EXPECT_TRUE(Same(input.pads[1].previous, PadState{}));
}

TEST_F(NetExchange, OtherRoleReceivesFirstAndItsOwnPadMovesToSlotOne) {
    Play(2);
    input.pads[0].current = Pad(40);
    bool result = false;
    std::thread step([&] { result = ExchangePadStates(); });
    // It waits for the role-1 machine before it says anything.
    EXPECT_FALSE(Readable(peer, 150));
    Write(peer, PadMessage(Pad(50)));
    EXPECT_EQ(Read(peer, kPadMessageSize), PadMessage(Pad(40)));
    step.join();
    ASSERT_TRUE(result) << NetworkFailure();
    EXPECT_TRUE(Same(input.pads[0].current, Pad(50)));
    EXPECT_TRUE(Same(input.pads[1].current, Pad(40)));
}

TEST_F(NetExchange, TwoMachinesHoldTheSamePadsStepAfterStep) {
    // A second process plays the other role, so each side has its own state.
    constexpr int kSteps = 200;
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        SocketClose(local);
        netRole = 2;
        netSocket2 = peer;
        netOpen = netActive = true;
        int wrong = 0;
        for (int step = 0; step < kSteps; ++step) {
            input.pads[0].current = Pad(static_cast<uint8_t>(2 * step + 1));
            if (!ExchangePadStates()) _exit(100);
            if (!Same(input.pads[0].current, Pad(static_cast<uint8_t>(2 * step)))) ++wrong;
            if (!Same(input.pads[1].current, Pad(static_cast<uint8_t>(2 * step + 1)))) ++wrong;
        }
        _exit(wrong > 99 ? 99 : wrong);
    }
    Play(1);
    int wrong = 0;
    for (int step = 0; step < kSteps; ++step) {
        input.pads[0].current = Pad(static_cast<uint8_t>(2 * step));
        ASSERT_TRUE(ExchangePadStates()) << NetworkFailure();
        if (!Same(input.pads[0].current, Pad(static_cast<uint8_t>(2 * step)))) ++wrong;
        if (!Same(input.pads[1].current, Pad(static_cast<uint8_t>(2 * step + 1)))) ++wrong;
    }
    ShutdownNetwork();
    LocalClosedByShutdown();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "wrong pads on the role-2 side";
    EXPECT_EQ(wrong, 0);
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
    ASSERT_TRUE(ReceivePadState(&got)) << NetworkFailure();
    EXPECT_TRUE(Same(got, Pad(1)));
    ASSERT_TRUE(ReceivePadState(&got)) << NetworkFailure();
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
    ASSERT_TRUE(ReceivePadState(&got));
    EXPECT_TRUE(Same(got, Pad(3)));
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(ReceivePadState(&got));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_STREQ(NetworkFailure(), "the other machine quit");

    Write(peer, {2});
    EXPECT_FALSE(ReceivePadState(&got));
    EXPECT_NE(std::string(NetworkFailure()).find("unknown kind 2"), std::string::npos)
        << NetworkFailure();

    std::vector<uint8_t> odd = PadMessage(Pad(4));
    odd[0] = 0xFF;
    Write(peer, odd);
    EXPECT_FALSE(ReceivePadState(&got));
    EXPECT_TRUE(Same(got, Pad(3))) << "a refused message must not be copied out";
}

TEST_F(NetExchange, AFailedExchangeSaysWhyOnOneLine) {
    Play(2);
    input.pads[0].current = Pad(5);
    Write(peer, {kMessageQuit});
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ExchangePadStates());
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
    EXPECT_FALSE(ExchangePadStates());
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
    EXPECT_FALSE(ReceivePadState(&got));
    EXPECT_STREQ(NetworkFailure(), "the other machine closed the connection");
}

TEST_F(NetExchange, SendingToAPeerThatHasGoneFailsWithoutASignal) {
    struct sigaction defaultAction {}, saved {};
    defaultAction.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &defaultAction, &saved);
    Play(1);
    SocketClose(peer);
    peer = kNoSocket;
    EXPECT_FALSE(SendPadState(Pad(1)));
    EXPECT_NE(std::string(NetworkFailure()).find("broke"), std::string::npos) << NetworkFailure();
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ExchangePadStates());
    EXPECT_NE(testing::internal::GetCapturedStderr().find("kaziro: network: "), std::string::npos);
    // The shut-down's quit notice to the gone peer is not an error either.
    ShutdownNetwork();
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
        ShutdownNetwork();
        LocalClosedByShutdown();
        EXPECT_EQ(Read(peer, 1), std::vector<uint8_t>{kMessageQuit});
        uint8_t more = 0;
        EXPECT_EQ(SocketReceive(peer, &more, 1), 0) << "the connection is closed after the notice";
        EXPECT_FALSE(netOpen);
        EXPECT_FALSE(netActive);
        ShutdownNetwork();  // once is enough: nothing more happens
        SocketClose(peer);
        peer = kNoSocket;
    }
}

TEST_F(NetExchange, InactiveExchangeSendsNothingAndWithoutAConnectionShutDownIsANoOp) {
    // Open but no longer active: closed without a notice.
    Play(1);
    netActive = false;
    ShutdownNetwork();
    LocalClosedByShutdown();
    uint8_t byte = 0xAA;
    EXPECT_EQ(SocketReceive(peer, &byte, 1), 0);
    SocketClose(peer);

    // Never opened: nothing is sent and nothing is closed.
    ASSERT_TRUE(SocketPair(&local, &peer));
    netRole = 1;
    netSocket1 = local;
    netOpen = false;
    netActive = false;
    ShutdownNetwork();
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

void ResetNetwork() {
    netOpen = netActive = false;
    netRole = 0;
    netSocket1 = netSocket2 = kNoSocket;
}

}  // namespace

TEST(NetConnect, WithoutNetworkOptionsNothingIsTouched) {
    ResetNetwork();
    std::string error;
    EXPECT_TRUE(ConnectNetwork(AppOptions{}, &error));
    EXPECT_FALSE(netOpen);
    EXPECT_FALSE(netActive);
    EXPECT_EQ(netSocket1, kNoSocket);
    EXPECT_EQ(netSocket2, kNoSocket);
}

TEST(NetConnect, HostPlaysRoleOneAndJoinerRoleTwo) {
    ResetNetwork();
    AppOptions host;
    host.net = AppOptions::Net::Host;
    host.port = FreePort();
    SocketHandle other = kNoSocket;
    std::thread joiner([&] {
        bool cancelled = false;
        std::string e;
        other = ConnectToPartner("127.0.0.1", host.port, 5000, nullptr, &cancelled, &e);
    });
    std::string error;
    testing::internal::CaptureStderr();
    const bool ok = ConnectNetwork(host, &error);
    const std::string said = testing::internal::GetCapturedStderr();
    joiner.join();
    ASSERT_TRUE(ok) << error;
    EXPECT_EQ(said, "kaziro: network: waiting for a second machine to join on port " +
                        std::to_string(host.port) + " (Ctrl+C to cancel)\n");
    EXPECT_EQ(netRole, 1);
    EXPECT_NE(netSocket1, kNoSocket);
    EXPECT_TRUE(netOpen && netActive);
    ShutdownNetwork();
    EXPECT_EQ(Read(other, 1), std::vector<uint8_t>{kMessageQuit});
    SocketClose(other);

    ResetNetwork();
    AppOptions join;
    join.net = AppOptions::Net::Join;
    join.host = "::1";
    join.port = FreePort();
    std::thread hoster([&] {
        bool cancelled = false;
        std::string e;
        other = AcceptOnePartner(join.port, nullptr, nullptr, &cancelled, &e);
    });
    testing::internal::CaptureStderr();
    const bool joined = ConnectNetwork(join, 5000, &error);
    testing::internal::GetCapturedStderr();
    hoster.join();
    ASSERT_TRUE(joined) << error;
    EXPECT_EQ(netRole, 2);
    EXPECT_NE(netSocket2, kNoSocket);
    EXPECT_TRUE(netOpen && netActive);
    ShutdownNetwork();
    SocketClose(other);
    ResetNetwork();
}

TEST(NetConnect, JoinGivesUpAndCtrlCCancelsTheWaitLeavingNothingSet) {
    ResetNetwork();
    AppOptions join;
    join.net = AppOptions::Net::Join;
    join.host = "127.0.0.1";
    join.port = FreePort();
    std::string error;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(ConnectNetwork(join, 500, &error));
    testing::internal::GetCapturedStderr();
    EXPECT_NE(error.find("could not connect to 127.0.0.1 port"), std::string::npos) << error;
    EXPECT_FALSE(netOpen || netActive);

    AppOptions host;
    host.net = AppOptions::Net::Host;
    host.port = FreePort();
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
    const bool ok = ConnectNetwork(host, &error);
    testing::internal::GetCapturedStderr();
    interrupter.join();
    EXPECT_FALSE(ok);
    EXPECT_NE(error.find("cancelled"), std::string::npos) << error;
    EXPECT_FALSE(netOpen || netActive);
    EXPECT_EQ(netSocket1, kNoSocket);
    EXPECT_FALSE(PortInUse(host.port)) << "the listening socket was left open";
}
