// The router's port mapping against a real miniupnpd: a home network of two
// network namespaces, a router (LAN side 10.77.0.1, WAN side holding its
// public address) and a machine on its LAN (10.77.0.2) that runs the game's
// side. The mapping has to appear in the router's NAT rules and go again, by
// UPnP and by NAT-PMP; a lease kept by the game is renewed before it runs
// out, and one left behind runs out by itself.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <thread>

#include "net/RouterLease.h"
#include "platform/port_mapping.h"
#include "support/netns.h"

namespace {

// The rules miniupnpd keeps its mappings in; it adds to them, it does not make them.
constexpr const char* kRouterRules = R"(table inet filter {
  chain forward { type filter hook forward priority 0; policy accept; jump miniupnpd; }
  chain miniupnpd { }
  chain prerouting { type nat hook prerouting priority -100; policy accept; jump prerouting_miniupnpd; }
  chain postrouting { type nat hook postrouting priority 100; policy accept; jump postrouting_miniupnpd; }
  chain prerouting_miniupnpd { }
  chain postrouting_miniupnpd { }
})";

class HomeNetwork {
public:
    HomeNetwork() : router(UniqueName("kzupnp", "r")), lan(UniqueName("kzupnp", "l")) {
        char pattern[] = "/tmp/kaziro-upnp-XXXXXX";
        if (mkdtemp(pattern)) dir = pattern;
        ok = !dir.empty() && router.Ok() && lan.Ok() &&
             Veth(router.Name(), lanSide, "10.77.0.1/24", lan.Name(), machine, "10.77.0.2/24") &&
             Sh("ip -n " + lan.Name() + " route add default via 10.77.0.1") &&
             Veth(router.Name(), wan, "", router.Name(), wan + "p", "");
        std::ofstream(dir + "/rules.nft") << kRouterRules;
        ok = ok && Sh("ip netns exec " + router.Name() + " nft -f " + dir + "/rules.nft");
    }
    ~HomeNetwork() {
        StopRouter();
        if (!dir.empty()) Sh("rm -rf " + dir);
    }

    // Starts miniupnpd with `publicAddress` on the WAN side, NAT-PMP on or
    // off; false with the daemon's log.
    bool StartRouter(const std::string& publicAddress, std::string* log, bool natPmp = false) {
        Sh("ip -n " + router.Name() + " addr flush dev " + wan);
        Sh("ip -n " + router.Name() + " addr add " + publicAddress + "/24 dev " + wan);
        std::ofstream(dir + "/miniupnpd.conf")
            << "ext_ifname=" << wan << "\nlistening_ip=" << lanSide
            << "\nenable_upnp=yes\nenable_natpmp=" << (natPmp ? "yes" : "no")
            << "\nsecure_mode=yes\nsystem_uptime=no\n"
               "uuid=8e0c5e2a-3c1b-4f7e-9a55-6b6172697a6f\n"
               "allow 1024-65535 10.77.0.0/24 1024-65535\ndeny 0-65535 0.0.0.0/0 0-65535\n";
        daemon = StartInNamespace(
            router.Name(), {"miniupnpd", "-d", "-f", dir + "/miniupnpd.conf", "-P", dir + "/pid"},
            dir + "/log");
        // Ready once it has joined the search's multicast group on its LAN side.
        for (int i = 0; i < 500; ++i) {
            if (Output("ip -n " + router.Name() + " maddress show dev " + lanSide)
                    .find("239.255.255.250") != std::string::npos) {
                return true;
            }
            if (waitpid(daemon, nullptr, WNOHANG) == daemon) break;
            usleep(10000);
        }
        *log = Output("cat " + dir + "/log");
        return false;
    }
    void StopRouter() {
        StopProcess(daemon);
        daemon = -1;
    }
    // The router's port forwarding rules, as nft lists them.
    std::string Forwarding() {
        return Output("ip netns exec " + router.Name() +
                      " nft list chain inet filter prerouting_miniupnpd");
    }

    Namespace router, lan;
    std::string dir, lanSide = UniqueName("kzu", "r"), machine = UniqueName("kzu", "l"),
                     wan = UniqueName("kzu", "w");
    pid_t daemon = -1;
    bool ok = false;
};

}  // namespace

TEST(PortMapping, MapsTheGamePortOnARouterRemovesItAndSaysWhenThereIsNoRouter) {
    const std::string skip = NamespaceSkipReason();
    if (!skip.empty()) GTEST_SKIP() << skip;
    HomeNetwork home;
    ASSERT_TRUE(home.ok) << "cannot build the test's home network";
    std::string log, why;
    PortMapping mapping;

    // miniupnpd 2.3 refuses to forward behind a reserved public address; the
    // refusal reaches the game as one line.
    ASSERT_TRUE(home.StartRouter("203.0.113.2", &log)) << log;
    EXPECT_FALSE(InNamespace(home.lan.Name(), [&] { return MapUdpPort(47800, 3600, &mapping, &why); }));
    EXPECT_EQ(why.rfind("the router refused to open UDP port 47800: ", 0), 0u) << why;
    EXPECT_FALSE(mapping.mapped);
    home.StopRouter();

    // An address that looks public: the port is forwarded to this machine
    // (by UPnP: this router does not speak NAT-PMP).
    ASSERT_TRUE(home.StartRouter("11.78.0.2", &log)) << log;
    ASSERT_TRUE(InNamespace(home.lan.Name(), [&] { return MapUdpPort(47800, 3600, &mapping, &why); }))
        << why;
    EXPECT_TRUE(mapping.mapped);
    EXPECT_EQ(mapping.way, MappingWay::Upnp);
    EXPECT_EQ(mapping.leaseSeconds, 3600u);
    EXPECT_EQ(mapping.externalAddress, "11.78.0.2");
    EXPECT_EQ(mapping.lanAddress, "10.77.0.2");
    EXPECT_NE(home.Forwarding().find("dport 47800 dnat ip to 10.77.0.2:47800"), std::string::npos)
        << home.Forwarding();
    InNamespace(home.lan.Name(), [&] {
        UnmapPort(mapping);
        return 0;
    });
    EXPECT_FALSE(mapping.mapped);
    EXPECT_EQ(home.Forwarding().find("47800"), std::string::npos) << home.Forwarding();
    UnmapPort(mapping);  // nothing mapped: nothing to do

    // No router at all: a plain answer within a few seconds.
    home.StopRouter();
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(InNamespace(home.lan.Name(), [&] { return MapUdpPort(47800, 3600, &mapping, &why); }));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_EQ(why, "no router answered NAT-PMP or UPnP");

    // A host cancelled while the router search still runs leaves at once:
    // the search (two seconds of waiting for answers) ends without it.
    const std::string errors = home.dir + "/game.err";
    const pid_t game = StartInNamespace(home.lan.Name(),
                                        {std::string(KAZIRO_TEST_BUILD_DIR) + "/kaziro", "--host"}, errors);
    for (int i = 0; i < 1000 && Output("cat " + errors).find("waiting for a second") == std::string::npos; ++i) {
        usleep(10000);
    }
    const auto asked = std::chrono::steady_clock::now();
    kill(game, SIGINT);
    int status = 0;
    waitpid(game, &status, 0);
    EXPECT_LT(std::chrono::steady_clock::now() - asked, std::chrono::milliseconds(1000))
        << Output("cat " + errors);
    EXPECT_NE(Output("cat " + errors).find("cancelled while waiting"), std::string::npos)
        << Output("cat " + errors);
}

// A router that speaks NAT-PMP: a lease the game keeps is renewed at half
// its length and removed when the game ends; a lease left behind (the game
// crashed) runs out, and the router closes the port by itself.
TEST(PortMapping, ANatPmpLeaseIsRenewedWhileKeptAndRunsOutWhenLeftBehind) {
    const std::string skip = NamespaceSkipReason();
    if (!skip.empty()) GTEST_SKIP() << skip;
    HomeNetwork home;
    ASSERT_TRUE(home.ok) << "cannot build the test's home network";
    std::string log;
    ASSERT_TRUE(home.StartRouter("11.78.0.2", &log, true)) << log;
    // The whole test on the LAN's side: NAT-PMP finds its router by this
    // process's routes.
    InNamespace(home.lan.Name(), [&] {
        constexpr uint32_t kLease = 3;
        cRouterLease kept;
        kept.Start(47801, kLease, false);
        PortMapping left;
        std::string why;
        ASSERT_TRUE(MapWithNatPmp(47802, kLease, &left, &why)) << why;
        EXPECT_EQ(left.way, MappingWay::NatPmp);
        EXPECT_EQ(left.externalAddress, "11.78.0.2");
        EXPECT_EQ(left.externalPort, 47802);
        EXPECT_EQ(left.leaseSeconds, kLease);
        for (int i = 0; i < 300 && kept.Current().state == RouterPort::State::Searching; ++i) usleep(10000);
        const RouterPort open = kept.Current();
        ASSERT_EQ(open.state, RouterPort::State::Open) << open.why;
        EXPECT_EQ(open.way, "NAT-PMP");
        EXPECT_EQ(open.address, "11.78.0.2");
        EXPECT_EQ(open.port, 47801);
        EXPECT_NE(home.Forwarding().find("dport 47801 dnat ip to 10.77.0.2:47801"), std::string::npos)
            << home.Forwarding();
        EXPECT_NE(home.Forwarding().find("dport 47802 dnat ip to 10.77.0.2:47802"), std::string::npos)
            << home.Forwarding();

        // Past twice the lease: the kept one was renewed and is still there,
        // the one left behind is gone.
        std::this_thread::sleep_for(std::chrono::seconds(2 * kLease + 1));
        const std::string rules = home.Forwarding();
        EXPECT_GE(kept.Current().renewals, 3u);
        EXPECT_NE(rules.find("dport 47801"), std::string::npos) << rules;
        EXPECT_EQ(rules.find("dport 47802"), std::string::npos) << rules;

        // The game ends: its port is closed at once.
        kept.Stop();
        EXPECT_EQ(kept.Current().state, RouterPort::State::Off);
        EXPECT_EQ(home.Forwarding().find("dport 47801"), std::string::npos) << home.Forwarding();
    });
}
