// Finding games on the local network, in network namespaces of the test's
// own: a host and a joining machine on one Ethernet link; then two real
// hosting games and a joining one on one switch, with a stranger beside the
// joiner probing the host's port as fast as it can.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "net/Discovery.h"
#include "platform/clock.h"
#include "support/log_files.h"
#include "support/netns.h"

namespace {

const std::string kProgram = std::string(KAZIRO_TEST_BUILD_DIR) + "/kaziro";

}  // namespace

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
    DiscoveryResponder responder("1.0.0", "kitchen");
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

    std::vector<FoundHost> found;
    NetAddress expected;
    std::string why;
    const bool ok = InNamespace(joinerSide.Name(),
                                [&] { return FindHostsOnLan(kPort, 500, 2000, {}, &found, &why); });
    EXPECT_TRUE(ok) << why;
    ASSERT_EQ(found.size(), 1u);
    ASSERT_TRUE(ResolveAddress("10.79.0.1", kPort, &expected, &error)) << error;
    EXPECT_EQ(found[0].address, expected) << found[0].address.Text();
    EXPECT_EQ(found[0].version, "1.0.0");
    EXPECT_EQ(found[0].name, "kitchen");

    // Nobody plays on another port: the search ends within its time with one line.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(InNamespace(
        joinerSide.Name(), [&] { return FindHostsOnLan(kPort + 1, 500, 1000, {}, &found, &why); }));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_GT(seconds, 0.9);
    EXPECT_LT(seconds, 3.0);
    EXPECT_EQ(why, "no game answered on the local network within 1 s (port 47801)");

    done = true;
    host.join();
    CloseDatagramSocket(&game);
}

// Two hosting games on one network and a stranger probing their port from
// the joiner's side as fast as it can: `--join` alone still hears both
// within its second, lists them, joins one and says how to join the other;
// the stranger gets its few answers a second from each, no more.
TEST(Discovery, OneJoinListsTwoHostsWhileAStrangerProbesThemWithoutEnd) {
    const std::string skip = NamespaceSkipReason();
    if (!skip.empty()) GTEST_SKIP() << skip;
    Namespace first(UniqueName("kzdisc", "1")), second(UniqueName("kzdisc", "2")),
        joinerSide(UniqueName("kzdisc", "j"));
    ASSERT_TRUE(first.Ok() && second.Ok() && joinerSide.Ok());
    // A switch (a bridge) in the joiner's namespace; each host on a port of it.
    const std::string bridge = UniqueName("kzb", "s"), j = "ip -n " + joinerSide.Name() + " ";
    ASSERT_TRUE(Sh(j + "link add " + bridge + " type bridge") && Sh(j + "link set " + bridge + " up") &&
                Sh(j + "addr add 10.79.0.2/24 brd + dev " + bridge) &&
                Sh(j + "addr add 10.79.0.9/24 dev " + bridge));
    const std::string hostDevices[2] = {UniqueName("kzd", "a"), UniqueName("kzd", "b")};
    const std::string ports[2] = {UniqueName("kzp", "a"), UniqueName("kzp", "b")};
    const std::string addresses[2] = {"10.79.0.1", "10.79.0.3"};
    Namespace* hosts[2] = {&first, &second};
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(Veth(hosts[i]->Name(), hostDevices[i], addresses[i] + "/24", joinerSide.Name(),
                         ports[i], ""));
        ASSERT_TRUE(Sh(j + "link set " + ports[i] + " master " + bridge));
    }
    const std::string base = "/tmp/kaziro-" + std::to_string(getpid()) + "-disc";
    for (int i = 0; i < 2; ++i) {
        StartInNamespace(hosts[i]->Name(), {kProgram, "--host", "--no-upnp", "--autopilot", "1"},
                         base + std::to_string(i));
    }
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(LogSays(base + std::to_string(i), "waiting for a second machine", 10000))
            << ReadAll(base + std::to_string(i));
    }

    // The stranger, from its own address on the joiner's side: probes back to
    // back to both hosts, for as long as the joiner looks.
    std::atomic<bool> done{false};
    std::atomic<long> sent{0}, answers{0};
    const int stranger = InNamespace(joinerSide.Name(), [] { return socket(AF_INET, SOCK_DGRAM, 0); });
    sockaddr_in own{};
    own.sin_family = AF_INET;
    inet_pton(AF_INET, "10.79.0.9", &own.sin_addr);
    ASSERT_EQ(bind(stranger, reinterpret_cast<sockaddr*>(&own), sizeof own), 0);
    timeval shortWait{0, 1000};
    setsockopt(stranger, SOL_SOCKET, SO_RCVTIMEO, &shortWait, sizeof shortWait);
    const auto floodStart = std::chrono::steady_clock::now();
    std::thread flood([&] {
        uint8_t probe[kProbeSize], answer[256];
        WriteDiscoveryProbe(99, probe);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(47800);
        for (int i = 0; !done; ++i) {
            inet_pton(AF_INET, addresses[i % 2].c_str(), &to.sin_addr);
            sent += sendto(stranger, probe, sizeof probe, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) > 0;
            while (recv(stranger, answer, sizeof answer, MSG_DONTWAIT) > 0) ++answers;
            if (i % 16 == 0) usleep(1000);  // thousands a second
        }
    });
    usleep(300000);  // the flood has used up the stranger's share by now

    const std::string joinLog = base + "j";
    StartInNamespace(joinerSide.Name(), {kProgram, "--join", "--autopilot", "2"}, joinLog);
    const bool joined = LogSays(joinLog, "joined 10.79.0.", 10000);
    done = true;
    flood.join();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - floodStart).count();
    close(stranger);
    const std::string said = ReadAll(joinLog);
    EXPECT_TRUE(joined) << said;
    EXPECT_NE(said.find("found 2 games:"), std::string::npos) << said;
    for (const std::string& a : addresses) EXPECT_NE(said.find(a + ":47800"), std::string::npos) << said;
    EXPECT_NE(said.find("to join another, start again with --join"), std::string::npos) << said;
    // Each host answered the stranger a few times a second and no more.
    EXPECT_GT(sent.load(), 2000);
    EXPECT_LE(answers.load(), static_cast<long>(2 * kProbeAnswersPerSecond * (seconds + 1)));
    EXPECT_GT(answers.load(), 0);
    for (const char* suffix : {"0", "1", "j"}) std::remove((base + suffix).c_str());
    // The namespaces end the three games as they go.
}
