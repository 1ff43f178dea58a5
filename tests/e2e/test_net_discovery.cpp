// Finding a game on the local network: a host and a joining machine in two
// network namespaces of their own, one Ethernet link between them.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "net/Discovery.h"
#include "platform/clock.h"
#include "support/netns.h"

TEST(Discovery, JoinerFindsTheHostOnItsNetworkAndGivesUpWhereThereIsNone) {
    const std::string skip = NamespaceSkipReason();
    if (!skip.empty()) GTEST_SKIP() << skip;
    Namespace hostSide(UniqueName("kzdisc", "h")), joinerSide(UniqueName("kzdisc", "j"));
    ASSERT_TRUE(hostSide.Ok() && joinerSide.Ok());
    ASSERT_TRUE(Veth(hostSide.Name(), UniqueName("kzd", "h"), "10.79.0.1/24", joinerSide.Name(),
                     UniqueName("kzd", "j"), "10.79.0.2/24"));

    // The host: its game port, answering probes until the test is done.
    constexpr uint16_t kPort = 47800;
    std::string error;
    DatagramSocket game =
        InNamespace(hostSide.Name(), [&] { return OpenDatagramSocket(kPort, &error); });
    ASSERT_TRUE(game.Open()) << error;
    std::atomic<bool> done{false};
    DiscoveryResponder responder("1.0.0");
    std::thread host([&] {
        uint8_t buffer[512];
        NetAddress from;
        while (!done) {
            WaitDatagram(game, 20);
            long n;
            while ((n = ReceiveDatagram(&game, buffer, sizeof buffer, &from)) > 0) {
                responder.Handle(game, buffer, static_cast<size_t>(n), from, timeGetTime());
            }
        }
    });

    NetAddress found, expected;
    std::string version, why;
    const bool ok = InNamespace(joinerSide.Name(),
                                [&] { return FindHostOnLan(kPort, 2000, &found, &version, &why); });
    EXPECT_TRUE(ok) << why;
    ASSERT_TRUE(ResolveAddress("10.79.0.1", kPort, &expected, &error)) << error;
    EXPECT_EQ(found, expected) << found.Text();
    EXPECT_EQ(version, "1.0.0");

    // Nobody plays on another port: the search ends within its time with one line.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(InNamespace(
        joinerSide.Name(), [&] { return FindHostOnLan(kPort + 1, 1000, &found, &version, &why); }));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(seconds, 0.9);
    EXPECT_LT(seconds, 3.0);
    EXPECT_EQ(why, "no game answered on the local network within 1 s (port 47801)");

    done = true;
    host.join();
    CloseDatagramSocket(&game);
}
