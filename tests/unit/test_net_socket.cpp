// The socket layer of the two-machine game: setting up the one connection on
// loopback, giving up and cancelling, and sends to a peer that has gone.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <csignal>
#include <thread>

#include "platform/socket.h"

namespace {

using Clock = std::chrono::steady_clock;

// A port that was free a moment ago (the kernel's pick for port 0).
uint16_t FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t length = sizeof address;
    getsockname(s, reinterpret_cast<sockaddr*>(&address), &length);
    close(s);
    return ntohs(address.sin_port);
}

int NoDelayOf(SocketHandle s) {
    int value = -1;
    socklen_t length = sizeof value;
    getsockopt(s, IPPROTO_TCP, TCP_NODELAY, &value, &length);
    return value;
}

bool PortIsFree(uint16_t port) {
    const int s = socket(AF_INET6, SOCK_STREAM, 0);
    int off = 0;
    setsockopt(s, IPPROTO_IPV6, IPV6_V6ONLY, &off, sizeof off);
    sockaddr_in6 address{};
    address.sin6_family = AF_INET6;
    address.sin6_addr = in6addr_any;
    address.sin6_port = htons(port);
    const bool ok = bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(s);
    return ok;
}

long Elapsed(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

}  // namespace

TEST(NetSocket, HostAndJoinerConnectOverIpv4AndIpv6LoopbackWithNoDelay) {
    for (const char* host : {"127.0.0.1", "::1", "localhost"}) {
        const uint16_t port = FreePort();
        std::atomic<bool> listening{false};
        SocketHandle hosted = kNoSocket;
        std::string hostError;
        std::thread hostThread([&] {
            bool cancelled = false;
            hosted = AcceptOnePartner(
                port, [&] { listening = true; }, [] { return false; }, &cancelled, &hostError);
        });
        bool cancelled = false;
        std::string error;
        const SocketHandle joined =
            ConnectToPartner(host, port, 5000, nullptr, &cancelled, &error);
        hostThread.join();
        ASSERT_NE(joined, kNoSocket) << host << ": " << error;
        ASSERT_NE(hosted, kNoSocket) << host << ": " << hostError;
        EXPECT_TRUE(listening);
        EXPECT_EQ(NoDelayOf(joined), 1);
        EXPECT_EQ(NoDelayOf(hosted), 1);

        // The stream works both ways, and the listening port was let go.
        const char hello[3] = {1, 2, 3};
        char got[3] = {};
        ASSERT_EQ(SocketSend(joined, hello, 3), 3);
        ASSERT_EQ(SocketReceive(hosted, got, 3), 3);
        EXPECT_EQ(got[2], 3);
        SocketClose(joined);
        SocketClose(hosted);
    }
}

TEST(NetSocket, JoinerKeepsTryingUntilTheHostListens) {
    const uint16_t port = FreePort();
    SocketHandle hosted = kNoSocket;
    std::thread hostThread([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        bool cancelled = false;
        std::string error;
        hosted = AcceptOnePartner(port, nullptr, nullptr, &cancelled, &error);
    });
    bool cancelled = false;
    std::string error;
    const SocketHandle joined = ConnectToPartner("127.0.0.1", port, 5000, nullptr, &cancelled,
                                                 &error);
    hostThread.join();
    EXPECT_NE(joined, kNoSocket) << error;
    EXPECT_NE(hosted, kNoSocket);
    SocketClose(joined);
    SocketClose(hosted);
}

TEST(NetSocket, JoinerGivesUpAfterItsTimeWithAClearMessage) {
    const uint16_t port = FreePort();
    bool cancelled = true;
    std::string error;
    const auto start = Clock::now();
    const SocketHandle joined =
        ConnectToPartner("127.0.0.1", port, 700, nullptr, &cancelled, &error);
    const long took = Elapsed(start);
    EXPECT_EQ(joined, kNoSocket);
    EXPECT_FALSE(cancelled);
    EXPECT_NE(error.find("could not connect to 127.0.0.1 port " + std::to_string(port)),
              std::string::npos)
        << error;
    EXPECT_NE(error.find("refused"), std::string::npos) << error;
    EXPECT_GE(took, 600);
    EXPECT_LT(took, 3000);
}

TEST(NetSocket, CancelledWaitsLeaveNothingOpen) {
    const uint16_t port = FreePort();
    const auto start = Clock::now();
    const CancelCheck after300ms = [start] { return Elapsed(start) >= 300; };

    bool cancelled = false;
    std::string error;
    EXPECT_EQ(AcceptOnePartner(port, nullptr, after300ms, &cancelled, &error), kNoSocket);
    EXPECT_TRUE(cancelled);
    EXPECT_NE(error.find("cancelled"), std::string::npos) << error;
    EXPECT_LT(Elapsed(start), 2000);
    EXPECT_TRUE(PortIsFree(port)) << "the listening socket was left open";

    const auto start2 = Clock::now();
    cancelled = false;
    error.clear();
    EXPECT_EQ(ConnectToPartner("127.0.0.1", port, 10000,
                               [start2] { return Elapsed(start2) >= 300; }, &cancelled, &error),
              kNoSocket);
    EXPECT_TRUE(cancelled);
    EXPECT_NE(error.find("cancelled"), std::string::npos) << error;
    EXPECT_LT(Elapsed(start2), 2000);
}

TEST(NetSocket, HostReportsAPortInUse) {
    const uint16_t port = FreePort();
    bool cancelled = false;
    std::string error;
    std::atomic<bool> stop{false};
    std::atomic<bool> listening{false};
    std::thread first([&] {
        bool c = false;
        std::string e;
        AcceptOnePartner(port, [&] { listening = true; }, [&] { return stop.load(); }, &c, &e);
    });
    while (!listening) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(AcceptOnePartner(port, nullptr, nullptr, &cancelled, &error), kNoSocket);
    EXPECT_NE(error.find("cannot listen on port"), std::string::npos) << error;
    stop = true;
    first.join();
}

TEST(NetSocket, SendToAClosedPeerIsAnErrorNotASignal) {
    // With the default SIGPIPE handling a plain send here would end the test program.
    struct sigaction defaultAction {}, saved {};
    defaultAction.sa_handler = SIG_DFL;
    sigaction(SIGPIPE, &defaultAction, &saved);

    SocketHandle a = kNoSocket, b = kNoSocket;
    ASSERT_TRUE(SocketPair(&a, &b));
    SocketClose(b);
    const char byte = 0;
    EXPECT_EQ(SocketSend(a, &byte, 1), -1);
    EXPECT_FALSE(SocketErrorText().empty());
    char got = 0;
    EXPECT_EQ(SocketReceive(a, &got, 1), 0);  // the closed peer: no bytes, no error
    SocketClose(a);
    sigaction(SIGPIPE, &saved, nullptr);
}

TEST(NetSocket, InterruptWatchTurnsCtrlCIntoAFlagAndPutsTheOldHandlingBack) {
    struct sigaction before {};
    sigaction(SIGINT, nullptr, &before);
    {
        InterruptWatch watch;
        EXPECT_FALSE(watch.Interrupted());
        raise(SIGINT);
        EXPECT_TRUE(watch.Interrupted());
    }
    struct sigaction after {};
    sigaction(SIGINT, nullptr, &after);
    EXPECT_EQ(after.sa_handler, before.sa_handler);
    InterruptWatch fresh;
    EXPECT_FALSE(fresh.Interrupted());
}
