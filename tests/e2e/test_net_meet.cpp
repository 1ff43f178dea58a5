// The real kaziro-meet process and games' stand-ins (tests/support/meet_peer.h)
// meeting through it: behind home routers of each kind in network namespaces
// (nftables address translation that drops what was not asked for), two
// games meet directly where a way through exists and through the server's
// relay where none does, with their datagrams' token intact end to end; two
// machines behind one router without hairpin meet over their LAN. On
// loopback: a stranger's flood gets a few answers a second, none larger than
// what asked, while two games meet; a used and an expired code are refused;
// a full server says so.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>

#include "net/MeetWire.h"
#include "support/free_port.h"
#include "support/log_files.h"
#include "support/meet_peer.h"
#include "support/nat_lab.h"

namespace {

const std::string kMeet = std::string(KAZIRO_TEST_BUILD_DIR) + "/kaziro-meet";

// kaziro-meet with `args`, its standard error in `log`, in namespace `ns` ("": here).
pid_t StartServer(const std::string& ns, std::vector<std::string> args, const std::string& log) {
    args.insert(args.begin(), kMeet);
    if (!ns.empty()) return StartInNamespace(ns, args, log);
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    const pid_t pid = fork();
    if (pid != 0) return pid;
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    dup2(out, 1);
    dup2(out, 2);
    execv(argv[0], argv.data());
    _exit(127);
}

// Ends the server as its service manager would, and waits: its last lines are written.
void StopServer(pid_t pid) {
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

NetAddress At(const std::string& host, uint16_t port) {
    NetAddress a;
    std::string error;
    EXPECT_TRUE(ResolveAddress(host, port, &a, &error)) << error;
    return a;
}

}  // namespace

TEST(NetMeet, BehindEachKindOfHomeRouterGamesMeetDirectlyOrThroughTheRelay) {
    const std::string skip = NamespaceSkipReason();
    if (!skip.empty()) GTEST_SKIP() << skip;
    using Kind = NatLab::Kind;
    struct Case {
        const char* name;
        Kind host, joiner;
        bool oneRouter;  // both machines behind the host's router
        bool direct;
    };
    const Case cases[] = {
        {"cone/cone", Kind::PortRestricted, Kind::PortRestricted, false, true},
        {"symmetric/symmetric", Kind::Symmetric, Kind::Symmetric, false, false},
        {"one router, no hairpin", Kind::PortRestricted, Kind::PortRestricted, true, true},
        {"full cone/symmetric", Kind::FullCone, Kind::Symmetric, false, true},
        {"cone/symmetric", Kind::PortRestricted, Kind::Symmetric, false, false},
    };
    NatLab lab;
    std::vector<std::pair<int, int>> homes;  // host's, joiner's
    for (const Case& c : cases) {
        const int h = lab.AddHome(c.host, c.oneRouter ? 2 : 1);
        homes.push_back({h, c.oneRouter ? h : lab.AddHome(c.joiner)});
    }
    ASSERT_TRUE(lab.Ready()) << lab.Failure();
    const std::string log = "/tmp/" + UniqueName("kaziro-meet-", ".log");
    const pid_t server = StartServer(lab.Internet(), {}, log);
    ASSERT_TRUE(LogSays(log, "on UDP port 47801", 5000)) << ReadAll(log);
    const NetAddress at = At(NatLab::kServer, kMeetPort);

    std::vector<std::unique_ptr<MeetPeer>> hosts, joiners;
    std::vector<MeetPeer*> all;
    for (size_t i = 0; i < homes.size(); ++i) {
        hosts.push_back(std::make_unique<MeetPeer>(at, 47800, lab.Machine(homes[i].first)));
        joiners.push_back(std::make_unique<MeetPeer>(at, 0, lab.Machine(homes[i].second, cases[i].oneRouter)));
        hosts.back()->client.Open(MeetPeer::Now() / 1000);
        all.push_back(hosts.back().get());
        all.push_back(joiners.back().get());
    }
    auto each = [&](const std::vector<std::unique_ptr<MeetPeer>>& side, bool (*test)(const MeetPeer&)) {
        return [&side, test] {
            for (const auto& p : side)
                if (!test(*p)) return false;
            return true;
        };
    };
    ASSERT_TRUE(Drive(all, 5000, each(hosts, [](const MeetPeer& p) { return !p.client.Code().empty(); })));
    for (size_t i = 0; i < homes.size(); ++i) joiners[i]->client.Join(hosts[i]->client.Code(), MeetPeer::Now() / 1000);
    Drive(all, 10000, [&] { return each(hosts, [](const MeetPeer& p) { return p.Settled(); })() &&
                                   each(joiners, [](const MeetPeer& p) { return p.Settled(); })(); });

    for (size_t i = 0; i < homes.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        for (MeetPeer* p : {hosts[i].get(), joiners[i].get()}) {
            ASSERT_EQ(p->client.State(), cases[i].direct ? MeetClient::Stage::Direct : MeetClient::Stage::Relayed)
                << p->client.Why();
            p->playing = true;
        }
        if (cases[i].oneRouter) {  // over the LAN: the router's own address does not loop back
            EXPECT_EQ(hosts[i]->client.Partner(), At(NatLab::LanAddress(1), joiners[i]->socket.port));
            EXPECT_EQ(joiners[i]->client.Partner(), At(NatLab::LanAddress(0), 47800));
        } else if (cases[i].direct) {
            EXPECT_EQ(joiners[i]->client.Partner().Text().rfind(NatLab::PublicAddress(homes[i].first) + ":", 0), 0u);
        } else {
            EXPECT_EQ(hosts[i]->client.Partner(), at);
        }
    }
    // A third machine with a code in use is refused.
    MeetPeer third(at, 0, lab.Machine(homes[1].second));
    third.client.Join(hosts[1]->client.Code(), MeetPeer::Now() / 1000);
    Drive({&third}, 3000, [&] { return third.Settled(); });
    EXPECT_NE(third.client.Why().find("already has its two players"), std::string::npos) << third.client.Why();

    // A second of play at the game's rate, each way: every datagram arrives with its token.
    Drive(all, 8000, [&] {
        for (MeetPeer* p : all)
            if (p->received < p->toSend) return false;
        return true;
    });
    for (size_t i = 0; i < homes.size(); ++i) {
        SCOPED_TRACE(cases[i].name);
        EXPECT_EQ(hosts[i]->received, hosts[i]->toSend);
        EXPECT_EQ(joiners[i]->received, joiners[i]->toSend);
    }
    StopServer(server);
    const std::string said = ReadAll(log);
    for (size_t i = 0; i < homes.size(); ++i) {
        const std::string line = "room " + hosts[i]->client.Code() + " closed (" +
                                 (cases[i].direct ? "met directly" : "server stopped") + ")";
        const size_t found = said.find(line);
        ASSERT_NE(found, std::string::npos) << cases[i].name << "\n" << said;
        const std::string path = cases[i].direct ? ", direct, 0 bytes relayed" : ", relay, 20000 bytes relayed";
        EXPECT_NE(said.substr(found, said.find('\n', found) - found).find(path), std::string::npos)
            << cases[i].name << "\n" << said;
    }
    std::remove(log.c_str());
}

TEST(NetMeet, AStrangersFloodAUsedCodeAnExpiredCodeAndAFullServer) {
    const uint16_t port = FreePort();
    const std::string log = "/tmp/" + UniqueName("kaziro-meet-", ".log");
    const pid_t server = StartServer("", {"--port", std::to_string(port), "--max-rooms", "3", "--code-seconds", "2"}, log);
    ASSERT_TRUE(LogSays(log, "on UDP port " + std::to_string(port), 5000)) << ReadAll(log);
    const NetAddress at = At("127.0.0.1", port);

    // The stranger: joins with guessed codes, junk of this protocol, game-like
    // datagrams and oversized ones, from one address and port, as fast as it
    // can, until the two games have met and played.
    std::atomic<bool> flooding{true};
    const uint64_t floodStart = MeetPeer::Now() / 1000;
    std::vector<uint64_t> answeredAt;
    size_t largest = 0, flood = 0;
    std::thread stranger([&] {
        // From an address of its own (its refused codes count against it, not the games').
        DatagramSocket s;
        s.handle = socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK, 0);
        sockaddr_in own{};
        own.sin_family = AF_INET;
        own.sin_addr.s_addr = htonl(0x7F000002);  // 127.0.0.2
        bind(s.handle, reinterpret_cast<sockaddr*>(&own), sizeof own);
        std::mt19937 random(9);
        std::vector<uint8_t> bytes;
        uint8_t buffer[2048];
        for (; flooding; ++flood) {
            MeetMessage join;
            join.kind = MeetKind::Join;
            join.code = MeetCodeText(random() % 887503681u);
            switch (flood % 4) {
                case 0: bytes = EncodeMeet(join); break;
                case 1: bytes.assign(40 + random() % 100, 0x4B); bytes[1] = 'M'; break;
                case 2: bytes.assign(100, 0x11); bytes[0] = 'K', bytes[1] = 'R'; break;
                default: bytes.assign(1400, 0x22); break;
            }
            SendDatagram(s, at, bytes.data(), bytes.size());
            if (flood % 64 == 0) usleep(1000);
            long n;
            while ((n = ReceiveDatagram(&s, buffer, sizeof buffer, nullptr)) > 0) {
                answeredAt.push_back(MeetPeer::Now() / 1000);
                largest = std::max(largest, static_cast<size_t>(n));
            }
        }
        CloseDatagramSocket(&s);
    });
    MeetPeer host(at, 0), joiner(at, 0);
    host.client.Open(MeetPeer::Now() / 1000);
    Drive({&host, &joiner}, 3000, [&] { return !host.client.Code().empty(); });
    joiner.client.Join(host.client.Code(), MeetPeer::Now() / 1000);
    Drive({&host, &joiner}, 3000, [&] { return host.Settled() && joiner.Settled(); });
    EXPECT_EQ(host.client.State(), MeetClient::Stage::Direct) << host.client.Why();
    EXPECT_EQ(joiner.client.State(), MeetClient::Stage::Direct) << joiner.client.Why();
    host.playing = joiner.playing = true;
    Drive({&host, &joiner}, 6000, [&] { return host.received == host.toSend && joiner.received == joiner.toSend; });
    EXPECT_EQ(joiner.received, joiner.toSend);
    flooding = false;
    stranger.join();
    const uint64_t seconds = (MeetPeer::Now() / 1000 - floodStart + 999) / 1000;
    EXPECT_GT(flood, 10000u);
    EXPECT_GE(answeredAt.size(), 4u);
    EXPECT_LE(answeredAt.size(), 4u * seconds);
    EXPECT_LE(largest, kMeetRequestSize);
    // Four a second (as received: a busy machine may hand a few over late together).
    for (size_t i = 4; i < answeredAt.size(); ++i) EXPECT_GE(answeredAt[i] - answeredAt[i - 4], 500u) << i;

    // The code was used: refused. A code left for its 2 seconds: expired.
    MeetPeer late(at, 0), waiting(at, 0), tooLate(at, 0);
    late.client.Join(host.client.Code(), MeetPeer::Now() / 1000);
    waiting.client.Open(MeetPeer::Now() / 1000);
    Drive({&late, &waiting}, 3000, [&] { return late.Settled() && !waiting.client.Code().empty(); });
    EXPECT_NE(late.client.Why().find("no room has the code"), std::string::npos) << late.client.Why();
    Drive({&waiting}, 3300, [] { return false; });  // the server looks at its rooms' times once a second
    tooLate.client.Join(waiting.client.Code(), MeetPeer::Now() / 1000);
    Drive({&tooLate}, 3000, [&] { return tooLate.Settled(); });
    EXPECT_NE(tooLate.client.Why().find("no room has the code"), std::string::npos) << tooLate.client.Why();

    // Three rooms at most: the fourth host is told the server is full.
    std::vector<std::unique_ptr<MeetPeer>> four;
    std::vector<MeetPeer*> peers;
    for (int i = 0; i < 4; ++i) {
        four.push_back(std::make_unique<MeetPeer>(at, 0));
        four.back()->client.Open(MeetPeer::Now() / 1000);
        peers.push_back(four.back().get());
        Drive(peers, 3000, [&] { return peers.back()->client.State() != MeetClient::Stage::Opening; });
    }
    for (int i = 0; i < 3; ++i) EXPECT_EQ(four[i]->client.State(), MeetClient::Stage::Waiting);
    EXPECT_EQ(four[3]->client.Why(), "the meeting server is full; try again later");
    StopServer(server);
    const std::string said = ReadAll(log);
    EXPECT_NE(said.find("room limit reached: 3 rooms open"), std::string::npos) << said;
    EXPECT_NE(said.find("room " + host.client.Code() + " closed (met directly)"), std::string::npos) << said;
    EXPECT_NE(said.find("room " + waiting.client.Code() + " closed (code expired unused)"), std::string::npos) << said;
    std::remove(log.c_str());
}
