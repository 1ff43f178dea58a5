// The tests' lossy line carries real UDP between its two namespaces with the
// delay and the loss it was given (wide bounds: it is a tool, not a timing test).
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>

#include <algorithm>

#include "support/lossy_link.h"

namespace {

// Side B's echo: every datagram to port 7007 goes back to its sender.
constexpr const char* kEcho =
    "import socket\n"
    "s = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)\n"
    "s.bind(('10.78.0.2', 7007))\n"
    "while True:\n"
    "    data, peer = s.recvfrom(2048)\n"
    "    s.sendto(data, peer)\n";

double NowMs() {
    return std::chrono::duration<double, std::milli>(LossyLink::Clock::now().time_since_epoch())
        .count();
}

}  // namespace

TEST(LossyLink, UdpEchoTakesTwiceTheDelayAndLosesWhatWasAsked) {
    const std::string skip = NamespaceSkipReason();
    if (!skip.empty()) GTEST_SKIP() << skip;
    LossyLink link({20, 5, 0.1, 7});
    ASSERT_TRUE(link.Ready()) << link.Failure();
    ASSERT_GT(link.Start(LossyLink::kB, {"python3", "-c", kEcho}), 0);
    const int s = InNamespace(link.Name(LossyLink::kA), [] {
        return socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    });
    ASSERT_GE(s, 0);
    sockaddr_in echo{};
    echo.sin_family = AF_INET;
    echo.sin_port = htons(7007);
    inet_pton(AF_INET, LossyLink::kAddress[LossyLink::kB], &echo.sin_addr);
    auto send = [&](double stamp) {
        sendto(s, &stamp, sizeof stamp, 0, reinterpret_cast<sockaddr*>(&echo), sizeof echo);
    };
    std::vector<double> roundTrips;
    auto takeFor = [&](double ms) {  // takes each echo as it arrives
        const double end = NowMs() + ms;
        for (double left = ms; left > 0; left = end - NowMs()) {
            pollfd entry{s, POLLIN, 0};
            double stamp;
            if (poll(&entry, 1, static_cast<int>(left) + 1) > 0 &&
                recv(s, &stamp, sizeof stamp, 0) == sizeof stamp) {
                roundTrips.push_back(NowMs() - stamp);
            }
        }
    };

    // Until the echo answers (it may take a moment to start), then 300 probes 5 ms apart.
    for (int i = 0; i < 100 && roundTrips.empty(); ++i) send(NowMs()), takeFor(50);
    ASSERT_FALSE(roundTrips.empty()) << "no echo through the link";
    takeFor(200);
    roundTrips.clear();
    link.ResetCounts();
    for (int i = 0; i < 300; ++i) send(NowMs()), takeFor(5);
    takeFor(300);
    close(s);

    const LossyLink::Counts &there = link.counts[LossyLink::kA], &back = link.counts[LossyLink::kB];
    EXPECT_EQ(there.packets, 300u);
    EXPECT_EQ(back.packets, there.packets - there.dropped);  // the echo answered each
    EXPECT_EQ(roundTrips.size(), back.packets - back.dropped);
    for (const LossyLink::Counts* way : {&there, &back}) {
        EXPECT_GT(static_cast<double>(way->dropped) / way->packets, 0.03);
        EXPECT_LT(static_cast<double>(way->dropped) / way->packets, 0.2);
    }
    std::sort(roundTrips.begin(), roundTrips.end());
    ASSERT_FALSE(roundTrips.empty());
    EXPECT_GE(roundTrips.front(), 2 * (20 - 5) - 1);  // never under the shortest delay twice
    EXPECT_GT(roundTrips[roundTrips.size() / 2], 2 * 20 - 5);
    EXPECT_LT(roundTrips[roundTrips.size() / 2], 2 * 20 + 30);
}
