// Two real game processes playing one game over datagrams with rollback,
// the computer at both machines' controls: through a line that delays and
// loses packets both machines confirm the same game (equal checksums at
// every confirmed step); the greeting gets through heavy loss; a quit and a
// silent partner end the other side, on each side; a record changed on its
// way is found as a desync and named on both machines; strangers and junk on
// the host's port neither get an answer nor touch the game.
#include <gtest/gtest.h>

#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>

#include "game/Fingerprint.h"
#include "net/GameWire.h"
#include "net/GreetingWire.h"
#include "net/Discovery.h"
#include "platform/datagram.h"
#include "support/free_port.h"
#include "support/game_process.h"
#include "support/log_files.h"
#include "support/lossy_link.h"
#include "support/net_logs.h"

namespace {

const std::string kProgram = std::string(KAZIRO_TEST_BUILD_DIR) + "/kaziro";

std::string TempPath(const std::string& what) {
    return "/tmp/kaziro-" + std::to_string(getpid()) + "-" + what;
}

// Waits up to ms for a process started in a namespace; its exit status, or -1.
int WaitStatus(pid_t pid, int ms) {
    for (int waited = 0; waited < ms; waited += 10) {
        int status = 0;
        if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        usleep(10000);
    }
    return -1;
}

// A pair of games on this machine's loopback, with their logs.
struct LoopbackPair {
    explicit LoopbackPair(const std::string& name, uint16_t joinPort = 0)
        : port(FreePort()),
          hostLog(TempPath(name + "-host")),
          joinLog(TempPath(name + "-join")),
          host({"--host", std::to_string(port), "--no-upnp", "--autopilot", "1", "--net-log", hostLog}),
          joiner(Joining(name, joinPort ? joinPort : port)) {}
    std::vector<std::string> Joining(const std::string& name, uint16_t to) {
        const bool waited = host.WaitForError("waiting for a second machine", 10000);
        EXPECT_TRUE(waited) << host.Errors();
        return {"--join", "127.0.0.1:" + std::to_string(to), "--autopilot", "2", "--net-log",
                TempPath(name + "-join")};
    }
    ~LoopbackPair() {
        std::remove(hostLog.c_str());
        std::remove(joinLog.c_str());
    }
    // Until both have confirmed `steps` steps.
    bool Play(size_t steps, int ms) {
        for (int waited = 0; waited < ms; waited += 50) {
            if (Confirmed(hostLog).size() >= steps && Confirmed(joinLog).size() >= steps) return true;
            usleep(50000);
        }
        return false;
    }
    uint16_t port;
    std::string hostLog, joinLog;
    Game host;
    Game joiner;
};

}  // namespace

TEST(NetRollback, OverALossyLineBothMachinesConfirmTheSameGameAndAQuitEndsTheOther) {
    const std::string skip = NamespaceSkipReason();
    if (!skip.empty()) GTEST_SKIP() << skip;
    LossyLink link({25, 5, 0.03, 7u});  // a 50 ms round trip, 3 % of packets lost each way
    ASSERT_TRUE(link.Ready()) << link.Failure();
    const std::string hostLog = TempPath("lossy-host"), joinLog = TempPath("lossy-join");
    const std::string hostErr = hostLog + ".err", joinErr = joinLog + ".err";
    const pid_t host = link.Start(LossyLink::kA, {kProgram, "--host", "--no-upnp", "--autopilot", "1", "--net-log", hostLog}, hostErr);
    ASSERT_TRUE(LogSays(hostErr, "waiting for a second machine", 10000)) << ReadAll(hostErr);
    const pid_t joiner = link.Start(LossyLink::kB, {kProgram, "--join", LossyLink::kAddress[LossyLink::kA],
                                                   "--autopilot", "2", "--net-log", joinLog}, joinErr);
    ASSERT_TRUE(LogSays(joinErr, "joined 10.78.0.1:47800", 10000)) << ReadAll(joinErr);
    // Five seconds of play or so: both confirm the same game.
    for (int waited = 0; waited < 20000 && Confirmed(joinLog).size() < 300; waited += 100) usleep(100000);
    kill(host, SIGTERM);
    EXPECT_EQ(WaitStatus(host, 5000), 0) << ReadAll(hostErr);
    EXPECT_EQ(WaitStatus(joiner, 3000), 1) << ReadAll(joinErr);
    EXPECT_NE(ReadAll(joinErr).find("kaziro: network: the other machine quit"), std::string::npos)
        << ReadAll(joinErr);
    EXPECT_GE(SameGame(Confirmed(hostLog), Confirmed(joinLog)), 300u);
    // Predictions were wrong, and were put right.
    EXPECT_EQ(ReadAll(hostLog + ReadAll(joinLog)).find("end rollbacks 0 "), std::string::npos);
    EXPECT_NE(ReadAll(hostLog).find("end rollbacks"), std::string::npos);
    for (const std::string& f : {hostLog, joinLog, hostErr, joinErr}) std::remove(f.c_str());
}

TEST(NetRollback, TheGreetingGetsThroughHeavyLossWithTheMedianRoundTrip) {
    const std::string skip = NamespaceSkipReason();
    if (!skip.empty()) GTEST_SKIP() << skip;
    LossyLink link({40, 0, 0.3, 3u});  // an 80 ms round trip, 30 % lost each way
    ASSERT_TRUE(link.Ready()) << link.Failure();
    const std::string hostErr = TempPath("greet-host"), joinErr = TempPath("greet-join");
    const pid_t host = link.Start(LossyLink::kA, {kProgram, "--host", "--no-upnp"}, hostErr);
    ASSERT_TRUE(LogSays(hostErr, "waiting for a second machine", 10000)) << ReadAll(hostErr);
    link.Start(LossyLink::kB, {kProgram, "--join", LossyLink::kAddress[LossyLink::kA]}, joinErr);
    ASSERT_TRUE(LogSays(joinErr, "round trip", 12000)) << ReadAll(joinErr);
    unsigned roundTrip = 0;
    const std::string said = ReadAll(joinErr);
    ASSERT_EQ(std::sscanf(said.c_str() + said.find("round trip"), "round trip %u ms", &roundTrip), 1);
    // A lost ping is asked again, not counted long: the median is the line's.
    EXPECT_GE(roundTrip, 75u);
    EXPECT_LE(roundTrip, 110u);
    EXPECT_TRUE(LogSays(hostErr, "joined", 5000)) << ReadAll(hostErr);
    kill(host, SIGTERM);
    std::remove(hostErr.c_str());
    std::remove(joinErr.c_str());
}

TEST(NetRollback, AQuitAndASilentPartnerEndTheOtherSideOnEachSide) {
    LoopbackPair quits("quit"), hostSilent("hsilent"), joinerSilent("jsilent");
    for (LoopbackPair* pair : {&quits, &hostSilent, &joinerSilent}) {
        ASSERT_TRUE(pair->Play(30, 15000)) << pair->host.Errors() << pair->joiner.Errors();
    }
    kill(quits.joiner.pid, SIGTERM);
    kill(hostSilent.host.pid, SIGSTOP);
    kill(joinerSilent.joiner.pid, SIGSTOP);
    ASSERT_TRUE(quits.joiner.WaitExit(5000));
    EXPECT_EQ(quits.joiner.ExitCode(), 0);
    ASSERT_TRUE(quits.host.WaitExit(3000));
    EXPECT_EQ(quits.host.ExitCode(), 1);
    EXPECT_NE(quits.host.Errors().find("kaziro: network: the other machine quit"), std::string::npos)
        << quits.host.err;
    const std::string gaveUp = "kaziro: network: the other machine has not answered for 10 seconds";
    for (Game* waiting : {&hostSilent.joiner, &joinerSilent.host}) {
        ASSERT_TRUE(waiting->WaitExit(15000)) << "a silent partner was waited for too long";
        EXPECT_EQ(waiting->ExitCode(), 1);
        EXPECT_NE(waiting->Errors().find(gaveUp), std::string::npos) << waiting->err;
    }
    kill(hostSilent.host.pid, SIGKILL);
    kill(joinerSilent.joiner.pid, SIGKILL);
}

TEST(NetRollback, ARecordChangedOnItsWayIsFoundAsADesyncAndNamedOnBothMachines) {
    // A relay between the two that changes the joiner's records in a few of
    // its datagrams, the way a broken line or a broken game would.
    std::string error;
    DatagramSocket front = OpenDatagramSocket(0, &error);
    DatagramSocket back = OpenDatagramSocket(0, &error);
    ASSERT_TRUE(front.Open() && back.Open()) << error;
    std::atomic<bool> stop{false};
    std::atomic<int> changed{0};
    LoopbackPair pair("desync", front.port);
    NetAddress host;
    ASSERT_TRUE(ResolveAddress("127.0.0.1", pair.port, &host, &error));
    std::thread relay([&] {
        NetAddress joiner, from;
        uint8_t buffer[2048];
        int inputs = 0;
        while (!stop) {
            WaitDatagram(front, 5);
            long n;
            while ((n = ReceiveDatagram(&front, buffer, sizeof buffer, &from)) > 0) {
                joiner = from;
                // A datagram that carries records (its count at byte 20).
                if (DatagramKindOf(buffer, n) == 'I' && buffer[20] > 0 && ++inputs >= 150 && inputs < 160) {
                    float x;
                    std::memcpy(&x, buffer + 21, 4);  // the first record's x
                    x += 1.0f;
                    std::memcpy(buffer + 21, &x, 4);
                    ++changed;
                }
                SendDatagram(back, host, buffer, static_cast<size_t>(n));
            }
            while ((n = ReceiveDatagram(&back, buffer, sizeof buffer, &from)) > 0) {
                if (joiner.Valid()) SendDatagram(front, joiner, buffer, static_cast<size_t>(n));
            }
        }
    });
    const bool ended = pair.host.WaitExit(20000) && pair.joiner.WaitExit(5000);
    stop = true;
    relay.join();
    CloseDatagramSocket(&front);
    CloseDatagramSocket(&back);
    ASSERT_TRUE(ended) << pair.host.Errors() << pair.joiner.Errors();
    EXPECT_GT(changed.load(), 0);
    for (Game* game : {&pair.host, &pair.joiner}) {
        EXPECT_EQ(game->ExitCode(), 1);
        EXPECT_NE(game->Errors().find("the two machines' games went apart by step"), std::string::npos)
            << game->err;
    }
}

TEST(NetRollback, AStrangersGreetingNeitherEndsNorHoldsTheWaitingHost) {
    const uint16_t port = FreePort();
    Game host({"--host", std::to_string(port), "--no-upnp", "--autopilot", "1"});
    ASSERT_TRUE(host.WaitForError("waiting for a second machine", 10000)) << host.Errors();
    std::string error;
    DatagramSocket stranger = OpenDatagramSocket(0, &error);
    NetAddress to;
    ASSERT_TRUE(stranger.Open() && ResolveAddress("127.0.0.1", port, &to, &error)) << error;
    // Another version: refused with an answer no larger than the HELLO, and
    // the host goes on waiting.
    Greeting hello;
    hello.kind = DatagramKind::Hello;
    hello.nonce = 99;
    hello.version = "0.9";
    const std::vector<uint8_t> bytes = EncodeGreeting(hello);
    SendDatagram(stranger, to, bytes.data(), bytes.size());
    ASSERT_EQ(WaitDatagram(stranger, 3000), 1);
    uint8_t answer[256];
    NetAddress from;
    const long n = ReceiveDatagram(&stranger, answer, sizeof answer, &from);
    Greeting refused;
    ASSERT_TRUE(ParseGreeting(answer, static_cast<size_t>(n), &refused));
    EXPECT_EQ(refused.kind, DatagramKind::Refuse);
    EXPECT_LE(static_cast<size_t>(n), bytes.size());
    EXPECT_TRUE(host.WaitForError("a machine running kaziro 0.9 tried to join", 3000)) << host.err;
    // This version built to compute the rules' numbers otherwise: refused too, and said.
    hello.version = KAZIRO_VERSION;
    hello.nonce = 100;
    hello.fingerprint = ArithmeticFingerprint() ^ 1;
    const std::vector<uint8_t> other = EncodeGreeting(hello);
    SendDatagram(stranger, to, other.data(), other.size());
    ASSERT_EQ(WaitDatagram(stranger, 3000), 1);
    const long m = ReceiveDatagram(&stranger, answer, sizeof answer, &from);
    ASSERT_TRUE(ParseGreeting(answer, static_cast<size_t>(m), &refused));
    EXPECT_EQ(refused.reason, static_cast<uint8_t>(RefuseReason::OtherArithmetic));
    EXPECT_EQ(refused.fingerprint, ArithmeticFingerprint());
    EXPECT_TRUE(host.WaitForError("computes the game's numbers differently", 3000)) << host.err;
    CloseDatagramSocket(&stranger);
    // The real partner still joins (both games go when the test does).
    Game joiner({"--join", "127.0.0.1:" + std::to_string(port), "--autopilot", "2"});
    EXPECT_TRUE(host.WaitForError("joined; input delay 0 steps", 10000)) << host.Errors();
    EXPECT_TRUE(host.Running());
}

TEST(NetRollback, StrangersAndJunkOnTheHostsPortGetNoAnswerAndDoNotTouchTheGame) {
    LoopbackPair pair("flood");
    ASSERT_TRUE(pair.Play(60, 15000)) << pair.host.Errors() << pair.joiner.Errors();
    std::string error;
    DatagramSocket stranger = OpenDatagramSocket(0, &error);
    ASSERT_TRUE(stranger.Open()) << error;
    NetAddress host;
    ASSERT_TRUE(ResolveAddress("127.0.0.1", pair.port, &host, &error));
    // Junk of every kind, thousands a second for a few seconds: random bytes,
    // greetings, discovery probes, game datagrams without the token, too large.
    std::mt19937 random(5u);
    const size_t before = Confirmed(pair.hostLog).size();
    std::vector<std::vector<uint8_t>> kinds;
    Greeting hello;
    hello.kind = DatagramKind::Hello;
    hello.version = KAZIRO_VERSION;
    kinds.push_back(EncodeGreeting(hello));
    uint8_t probe[kProbeSize];
    WriteDiscoveryProbe(42, probe);
    kinds.emplace_back(probe, probe + sizeof probe);
    GamePacket forged;
    forged.token = 12345;
    forged.records.resize(10);
    kinds.push_back(EncodeGamePacket(forged));
    forged.quit = true;
    kinds.push_back(EncodeGamePacket(forged));
    kinds.emplace_back(3000, 0xAB);
    long sent = 0, answers = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (std::chrono::steady_clock::now() < end) {
        for (int i = 0; i < 20; ++i, ++sent) {
            std::vector<uint8_t> junk = kinds[random() % (kinds.size() + 1) % kinds.size()];
            if (random() % 3 == 0) {
                junk.resize(random() % 200);
                for (uint8_t& b : junk) b = static_cast<uint8_t>(random());
            }
            SendDatagram(stranger, host, junk.data(), junk.size());
        }
        uint8_t buffer[4096];
        NetAddress from;
        while (ReceiveDatagram(&stranger, buffer, sizeof buffer, &from) > 0) ++answers;
        usleep(4000);  // about 5,000 a second
    }
    EXPECT_GE(sent, 5000);
    EXPECT_EQ(answers, 0);
    ASSERT_TRUE(pair.Play(before + 150, 10000)) << "the game stopped under the flood";
    kill(pair.host.pid, SIGTERM);
    ASSERT_TRUE(pair.host.WaitExit(5000));
    ASSERT_TRUE(pair.joiner.WaitExit(3000));
    EXPECT_GE(SameGame(Confirmed(pair.hostLog), Confirmed(pair.joinLog)), before + 150);
    CloseDatagramSocket(&stranger);
}

namespace {

// The game datagrams a machine sent to its partner and took from it, as the
// last line of its --net-log counts them.
bool SentAndReceived(const std::string& path, unsigned long long* sent, unsigned long long* received) {
    const std::string text = ReadAll(path);
    const size_t at = text.find(" sent ");
    return at != std::string::npos && std::sscanf(text.c_str() + at, " sent %llu received %llu", sent, received) == 2;
}

}  // namespace

TEST(NetRollback, AFloodOfLargeDatagramsCostsThePartnersDatagramsNothing) {
    LoopbackPair pair("lflood");
    ASSERT_TRUE(pair.Play(60, 15000)) << pair.host.Errors() << pair.joiner.Errors();
    std::string error;
    DatagramSocket stranger = OpenDatagramSocket(0, &error);
    NetAddress host;
    ASSERT_TRUE(stranger.Open() && ResolveAddress("127.0.0.1", pair.port, &host, &error)) << error;
    // 5,000 datagrams of 1 to 60 kB, five every 3 ms at most (some three
    // seconds, 50 MB/s): far more than the system's usual receive buffer
    // holds between two frames.
    std::mt19937 random(8u);
    std::vector<uint8_t> junk(60000);
    for (uint8_t& b : junk) b = static_cast<uint8_t>(random());
    long sent = 0;
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (sent < 5000 && std::chrono::steady_clock::now() < end) {
        for (int i = 0; i < 5; ++i) sent += SendDatagram(stranger, host, junk.data(), 1000 + random() % 59001);
        usleep(3000);
    }
    CloseDatagramSocket(&stranger);
    const size_t after = Confirmed(pair.hostLog).size();
    ASSERT_TRUE(pair.Play(after + 60, 10000)) << "the game stopped after the flood";
    kill(pair.host.pid, SIGTERM);
    ASSERT_TRUE(pair.host.WaitExit(5000));
    ASSERT_TRUE(pair.joiner.WaitExit(3000));
    EXPECT_GE(sent, 5000);
    // Every datagram the joiner sent reached the host's game, but for the
    // few on their way when the host quit.
    unsigned long long joinerSent = 0, joinerReceived = 0, hostSent = 0, hostReceived = 0;
    ASSERT_TRUE(SentAndReceived(pair.joinLog, &joinerSent, &joinerReceived)) << ReadAll(pair.joinLog);
    ASSERT_TRUE(SentAndReceived(pair.hostLog, &hostSent, &hostReceived)) << ReadAll(pair.hostLog);
    EXPECT_GT(joinerSent, 300u);
    EXPECT_GE(hostReceived + 10, joinerSent);
    EXPECT_GE(SameGame(Confirmed(pair.hostLog), Confirmed(pair.joinLog)), after + 60);
}
