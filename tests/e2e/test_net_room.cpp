// Real game processes meeting by a room code: behind home routers in network
// namespaces (nftables address translation that drops whatever was not asked
// for, tests/support/nat_lab.h) with the real kaziro-meet on the "internet",
// a host with --host-online prints its code and a joiner with --join-code
// plays it: two port-keeping (cone) routers go direct, two symmetric routers
// through the server's relay, two machines behind one router that does not
// loop back over their LAN; each plays hundreds of confirmed steps with equal
// checksums on both machines, and the net logs say the way. On loopback: a
// stranger's HELLOs that never finish do not keep a real partner out.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "game/Fingerprint.h"
#include "net/GreetingWire.h"
#include "net/MeetWire.h"
#include "net/SessionParts.h"
#include "platform/datagram.h"
#include "support/free_port.h"
#include "support/game_process.h"
#include "support/log_files.h"
#include "support/nat_lab.h"
#include "support/net_logs.h"

namespace {

const std::string kProgram = std::string(KAZIRO_TEST_BUILD_DIR) + "/kaziro";
const std::string kMeet = std::string(KAZIRO_TEST_BUILD_DIR) + "/kaziro-meet";

std::string TempPath(const std::string& what) {
    return "/tmp/kaziro-room-" + std::to_string(getpid()) + "-" + what;
}

// The code a host printed on its standard output ("" until it did).
std::string RoomCode(const std::string& path) {
    const std::string said = ReadAll(path);
    const size_t at = said.find("room code: ");
    if (at == std::string::npos || said.size() < at + 11 + kMeetCodeLength) return "";
    return said.substr(at + 11, kMeetCodeLength);
}

// A host and a joiner of one room, each in its own machine's namespace.
struct Pair {
    std::string name;
    std::string hostNs, joinNs;
    bool relayed;
    std::string hostOut = TempPath(name + "-host.out"), joinOut = TempPath(name + "-join.out");
    std::string hostLog = TempPath(name + "-host.log"), joinLog = TempPath(name + "-join.log");
    ~Pair() {
        for (const std::string& f : {hostOut, joinOut, hostLog, joinLog}) std::remove(f.c_str());
    }
    bool Played(size_t steps) const {
        return Confirmed(hostLog).size() >= steps && Confirmed(joinLog).size() >= steps;
    }
};

}  // namespace

TEST(NetRoom, ByARoomCodeRealGamesMeetBehindHomeRoutersDirectlyOrThroughTheRelay) {
    const std::string skip = NamespaceSkipReason();
    if (!skip.empty()) GTEST_SKIP() << skip;
    using Kind = NatLab::Kind;
    NatLab lab;
    const int coneA = lab.AddHome(Kind::PortRestricted), coneB = lab.AddHome(Kind::PortRestricted);
    const int symA = lab.AddHome(Kind::Symmetric), symB = lab.AddHome(Kind::Symmetric);
    const int house = lab.AddHome(Kind::PortRestricted, 2);
    ASSERT_TRUE(lab.Ready()) << lab.Failure();
    std::vector<std::unique_ptr<Pair>> pairs;
    pairs.emplace_back(new Pair{"cone", lab.Machine(coneA), lab.Machine(coneB), false});
    pairs.emplace_back(new Pair{"symmetric", lab.Machine(symA), lab.Machine(symB), true});
    pairs.emplace_back(new Pair{"house", lab.Machine(house, 0), lab.Machine(house, 1), false});

    const std::string meetLog = TempPath("meet.log");
    const pid_t server = StartInNamespace(lab.Internet(), {kMeet}, meetLog);
    ASSERT_TRUE(LogSays(meetLog, "on UDP port 47801", 5000)) << ReadAll(meetLog);
    for (auto& p : pairs) {
        lab.Start(p->hostNs, {kProgram, "--host-online", "--meet", NatLab::kServer, "--autopilot", "1", "--net-log",
                              p->hostLog}, p->hostOut);
    }
    for (auto& p : pairs) {
        ASSERT_TRUE(LogSays(p->hostOut, "room code: ", 10000)) << p->name << "\n" << ReadAll(p->hostOut);
        // The code as a player types it: lower case, with a space.
        std::string typed = RoomCode(p->hostOut);
        for (char& c : typed) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        typed.insert(3, " ");
        lab.Start(p->joinNs, {kProgram, "--join-code", typed, "--meet", std::string(NatLab::kServer) + ":47801",
                              "--autopilot", "2", "--net-log", p->joinLog}, p->joinOut);
    }
    // Hundreds of steps each, the relayed pair after its 4 seconds of trying.
    for (int waited = 0; waited < 40000; waited += 100) {
        bool all = true;
        for (auto& p : pairs) all = all && p->Played(300);
        if (all) break;
        usleep(100000);
    }
    for (auto& p : pairs) {
        SCOPED_TRACE(p->name);
        const std::string hostSaid = ReadAll(p->hostOut), joinSaid = ReadAll(p->joinOut);
        EXPECT_GE(SameGame(Confirmed(p->hostLog), Confirmed(p->joinLog)), 300u) << hostSaid << joinSaid;
        const std::string path = p->relayed ? "path relay\n" : "path direct\n";
        EXPECT_EQ(ReadAll(p->hostLog).rfind(path, 0), 0u) << ReadAll(p->hostLog).substr(0, 40);
        EXPECT_EQ(ReadAll(p->joinLog).rfind(path, 0), 0u) << ReadAll(p->joinLog).substr(0, 40);
        if (p->relayed) {
            EXPECT_NE(joinSaid.find("playing through the meeting server's relay at 198.51.100.1:47801"),
                      std::string::npos) << joinSaid;
        } else if (p->name == "house") {  // over the LAN: the router's public address does not loop back
            EXPECT_NE(joinSaid.find("playing directly with 192.168.1.2:47800"), std::string::npos) << joinSaid;
            EXPECT_NE(hostSaid.find("playing directly with 192.168.1.3:"), std::string::npos) << hostSaid;
        } else {  // to the host's router, at the port its router kept
            EXPECT_NE(joinSaid.find("playing directly with " + NatLab::PublicAddress(coneA) + ":47800"),
                      std::string::npos) << joinSaid;
        }
    }
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    const std::string said = ReadAll(meetLog);
    for (auto& p : pairs) {
        const std::string line = "room " + RoomCode(p->hostOut) + " closed (";
        const size_t at = said.find(line);
        ASSERT_NE(at, std::string::npos) << p->name << "\n" << said;
        const std::string closed = said.substr(at, said.find('\n', at) - at);
        if (p->relayed) {
            EXPECT_NE(closed.find(", relay, "), std::string::npos) << closed;
            EXPECT_EQ(closed.find(", relay, 0 bytes"), std::string::npos) << closed;
        } else {
            EXPECT_NE(closed.find("(met directly)"), std::string::npos) << closed;
        }
    }
    std::remove(meetLog.c_str());
}

TEST(NetRoom, AStrangersUnfinishedGreetingsDoNotKeepTheRealPartnerOut) {
    const uint16_t port = FreePort();
    Game host({"--host", std::to_string(port), "--no-upnp", "--autopilot", "1"});
    ASSERT_TRUE(host.WaitForError("waiting for a second machine", 10000)) << host.Errors();
    NetAddress to;
    std::string error;
    // The strangers come from another address than the partner (IPv6 loopback:
    // the host's answers are limited per source address, and a partner sharing
    // the strangers' address would share their few answers too).
    ASSERT_TRUE(ResolveAddress("::1", port, &to, &error)) << error;
    // Strangers from a dozen ports: each greets, is welcomed and never goes on,
    // greeting again now and then with a new nonce, while the partner joins.
    std::vector<DatagramSocket> strangers;
    for (int i = 0; i < 12; ++i) strangers.push_back(OpenDatagramSocket(0, &error));
    Greeting hello;
    hello.kind = DatagramKind::Hello;
    hello.version = KAZIRO_VERSION;
    hello.fingerprint = ArithmeticFingerprint();
    size_t welcomes = 0, largest = 0;
    const auto greet = [&] {
        for (DatagramSocket& s : strangers) {
            hello.nonce = NewToken();
            const std::vector<uint8_t> bytes = EncodeGreeting(hello);
            SendDatagram(s, to, bytes.data(), bytes.size());
            uint8_t answer[256];
            long n;
            while ((n = ReceiveDatagram(&s, answer, sizeof answer, nullptr)) > 0) {
                Greeting g;
                welcomes += ParseGreeting(answer, static_cast<size_t>(n), &g) && g.kind == DatagramKind::Welcome;
                largest = std::max(largest, static_cast<size_t>(n));
            }
        }
    };
    greet();
    Game joiner({"--join", "127.0.0.1:" + std::to_string(port), "--autopilot", "2"});
    bool joined = false;
    for (int waited = 0; waited < 8000 && !joined; waited += 250) {
        greet();
        usleep(250000);
        joined = host.Errors().find("joined; input delay") != std::string::npos;
    }
    EXPECT_TRUE(joined) << host.Errors() << joiner.Errors();
    EXPECT_EQ(joiner.Errors().find("already playing"), std::string::npos) << joiner.Errors();
    EXPECT_TRUE(joiner.WaitForError("joined 127.0.0.1:" + std::to_string(port), 3000)) << joiner.Errors();
    EXPECT_TRUE(host.Running() && joiner.Running());
    usleep(300000);  // the answers to the last HELLOs
    greet();
    // They were answered (as any machine is), never with more than they sent.
    EXPECT_GT(welcomes, 0u);
    EXPECT_LE(largest, kNetHelloSize);
    for (DatagramSocket& s : strangers) CloseDatagramSocket(&s);
}
