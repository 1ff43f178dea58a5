// Two real game processes on loopback, headless, joined through a relay of
// the test's own that can give the line the latency of the internet: they
// greet, play one game step for step (the state checksums both send agree
// for every step), keep to the lockstep the input delay allows, find a
// forced desync, wait for a silent partner only so long, and when one of
// them is ended the other leaves by itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "platform/socket.h"
#include "support/delay_relay.h"
#include "support/fake_partner.h"
#include "support/free_port.h"
#include "support/game_process.h"

namespace {

using Clock = std::chrono::steady_clock;

long MsBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(b - a).count();
}

// A hosting and a joining game with the relay between them.
struct TwoGames {
    std::unique_ptr<Game> host;
    std::unique_ptr<Game> joiner;
    std::unique_ptr<DelayRelay> relay;
    SocketHandle toHost = kNoSocket;
    SocketHandle toJoiner = kNoSocket;

    ~TwoGames() {
        SocketClose(toHost);
        SocketClose(toJoiner);
    }
};

// Starts both games; empty pointers (and a test failure) when they cannot connect.
void StartTwoGames(TwoGames* games, DelayRelay::Line line, std::vector<std::string> hostArgs = {},
                   const std::vector<std::string>& joinArgs = {}) {
    const uint16_t hostPort = FreePort();
    hostArgs.insert(hostArgs.begin(), {"--lockstep", "--host", std::to_string(hostPort)});
    games->host = std::make_unique<Game>(hostArgs);
    ASSERT_TRUE(games->host->WaitForError("waiting for a second machine", 10000))
        << games->host->Errors();
    bool cancelled = false;
    std::string error;
    games->toHost = ConnectToPartner("127.0.0.1", hostPort, 5000, nullptr, &cancelled, &error);
    ASSERT_NE(games->toHost, kNoSocket) << error;
    const uint16_t relayPort = FreePort();
    games->toJoiner = AcceptOnePartner(
        relayPort,
        [&] {
            std::vector<std::string> args{"--lockstep", "--join", "127.0.0.1:" + std::to_string(relayPort)};
            args.insert(args.end(), joinArgs.begin(), joinArgs.end());
            games->joiner = std::make_unique<Game>(args);
        },
        nullptr, &cancelled, &error);
    ASSERT_NE(games->toJoiner, kNoSocket) << error;
    games->relay = std::make_unique<DelayRelay>(games->toHost, games->toJoiner, line);
}

// Neither machine gets further ahead of the other than the input delay lets it:
// the host sends record k + 1 only after the joiner's record k - D came, and
// the joiner sends record k only after the host's record k - D.
int LockstepBreaks(const DelayRelay& relay) {
    const int d = relay.AnnouncedDelay();
    const auto& down = relay.down.arrivals;
    const auto& up = relay.up.arrivals;
    int breaks = 0;
    for (size_t i = 0; i < down.size(); ++i) {
        const long before = std::lower_bound(up.begin(), up.end(), down[i]) - up.begin();
        if (static_cast<long>(i) + 1 > before + d + 1) ++breaks;
    }
    for (size_t j = 0; j < up.size(); ++j) {
        const long before = std::lower_bound(down.begin(), down.end(), up[j]) - down.begin();
        if (static_cast<long>(j) + 1 > before + d) ++breaks;
    }
    return breaks;
}

// The lines of a --net-log that start with `kind` ("s": a step shown, "c": a
// step confirmed, with its checksum), in order.
std::vector<std::string> LogLines(const std::string& path, char kind) {
    std::vector<std::string> lines;
    std::ifstream in(path);
    for (std::string line; std::getline(in, line);) {
        if (line.size() > 2 && line[0] == kind && line[1] == ' ') lines.push_back(line);
    }
    return lines;
}

// Plays both games through `line` until each has sent `steps` records, checks
// that they played the same game step for step, then ends one with SIGTERM
// (the close box's path): the other must leave by itself within a second.
// Both keep a --net-log, as rollback games do: every step shown, every step
// confirmed with its checksum, the same on both machines.
void PlayThenEndOne(DelayRelay::Line line, int steps, bool endHost) {
    TwoGames games;
    const std::string logs[2] = {"/tmp/kaziro-" + std::to_string(getpid()) + "-lockstep-host",
                                 "/tmp/kaziro-" + std::to_string(getpid()) + "-lockstep-join"};
    StartTwoGames(&games, line, {"--net-log", logs[0]}, {"--net-log", logs[1]});
    if (::testing::Test::HasFatalFailure()) return;
    DelayRelay& relay = *games.relay;
    const auto enough = [&] {
        return relay.down.arrivals.size() >= static_cast<size_t>(steps) &&
               relay.up.arrivals.size() >= static_cast<size_t>(steps);
    };
    relay.Run(60000, enough);
    ASSERT_TRUE(enough()) << relay.down.arrivals.size() << " and " << relay.up.arrivals.size()
                          << " records\n" << games.host->Errors() << games.joiner->Errors();
    Game& ended = endHost ? *games.host : *games.joiner;
    Game& other = endHost ? *games.joiner : *games.host;
    ASSERT_TRUE(ended.Running() && other.Running()) << games.host->Errors() << games.joiner->Errors();
    kill(ended.pid, SIGTERM);
    relay.Run(10000);

    int compared = 0, differing = 0;
    relay.CompareChecksums(&compared, &differing);
    std::printf("line %d ms each way (±%d): input delay %d; %d steps compared; %.1f and %.1f "
                "steps/s\n",
                line.delayMs, line.jitterMs, relay.AnnouncedDelay(), compared,
                DelayRelay::StepsPerSecond(relay.down, 100),
                DelayRelay::StepsPerSecond(relay.up, 100));
    EXPECT_GE(compared, steps - 10);
    EXPECT_EQ(differing, 0) << "the two machines played different games";
    EXPECT_GE(relay.AnnouncedDelay(), 1);
    EXPECT_EQ(LockstepBreaks(relay), 0);
    EXPECT_EQ(relay.down.badKinds + relay.up.badKinds, 0);
    EXPECT_EQ((endHost ? relay.down : relay.up).quits, 1) << "the ended game sends one quit notice";
    ASSERT_TRUE(ended.WaitExit(5000));
    EXPECT_EQ(ended.ExitCode(), 0) << ended.Errors();
    ASSERT_TRUE(other.WaitExit(1000 + 2 * line.delayMs)) << "the other game kept running";
    EXPECT_EQ(other.ExitCode(), 1);
    EXPECT_NE(other.Errors().find("kaziro: network: the other machine quit"), std::string::npos)
        << other.err;
    const std::vector<std::string> confirmed[2] = {LogLines(logs[0], 'c'), LogLines(logs[1], 'c')};
    const size_t both = std::min(confirmed[0].size(), confirmed[1].size());
    EXPECT_GE(both, static_cast<size_t>(steps - 10));
    for (size_t i = 0; i < both; ++i) ASSERT_EQ(confirmed[0][i], confirmed[1][i]) << i;
    for (const std::string& log : logs) {
        EXPECT_GE(LogLines(log, 's').size(), static_cast<size_t>(steps - 10)) << log;
        std::remove(log.c_str());
    }
}

}  // namespace

TEST(NetTwoMachines, OptionsAreCheckedBeforeAnythingStarts) {
    Game version({"--version"});
    ASSERT_TRUE(version.WaitExit(5000));
    EXPECT_EQ(version.ExitCode(), 0);

    Game bad({"--host", "notaport"});
    ASSERT_TRUE(bad.WaitExit(5000));
    EXPECT_NE(bad.ExitCode(), 0);
    EXPECT_NE(bad.Errors().find("kaziro: bad port for --host"), std::string::npos) << bad.err;
    EXPECT_NE(bad.err.find("Usage:"), std::string::npos) << bad.err;
}

TEST(NetTwoMachines, CtrlCWhileWaitingForAPartnerCancels) {
    const std::string port = std::to_string(FreePort());
    Game host({"--lockstep", "--host", port});
    ASSERT_TRUE(host.WaitForError("waiting for a second machine to join on port " + port, 10000))
        << host.Errors();
    kill(host.pid, SIGINT);
    ASSERT_TRUE(host.WaitExit(3000));
    EXPECT_EQ(host.ExitCode(), 1);
    EXPECT_NE(host.Errors().find("kaziro: network: cancelled while waiting"), std::string::npos)
        << host.err;
}

TEST(NetTwoMachines, OneGameStepForStepAndEndingTheHostEndsTheJoiner) {
    PlayThenEndOne(DelayRelay::Line{}, 120, true);
}

TEST(NetTwoMachines, OneGameStepForStepAndEndingTheJoinerEndsTheHost) {
    PlayThenEndOne(DelayRelay::Line{}, 120, false);
}

// An ordinary internet round trip: 100 ms, the pieces jittering by 10 ms.
TEST(NetTwoMachines, OverALineOf100MillisecondsTheyStillPlayOneGame) {
    PlayThenEndOne(DelayRelay::Line{50, 10}, 400, true);
}

TEST(NetTwoMachines, ADesyncEndsBothGamesWithTheStepItBeganAt) {
    TwoGames games;
    StartTwoGames(&games, DelayRelay::Line{});
    if (::testing::Test::HasFatalFailure()) return;
    // Player 1's record 150 reaches the joining machine changed: from then on
    // the two play different games.
    games.relay->down.tamper = 150;
    games.relay->Run(30000);
    for (Game* g : {games.host.get(), games.joiner.get()}) {
        ASSERT_TRUE(g->WaitExit(3000)) << "a game went on after the desync";
        EXPECT_EQ(g->ExitCode(), 1);
        EXPECT_NE(g->Errors().find("kaziro: network: the two machines' games went apart at step "),
                  std::string::npos)
            << g->Errors();
    }
}

TEST(NetTwoMachines, ASilentPartnerIsGivenUpAfterTenSecondsAndTheWindowAnswersMeanwhile) {
    // The joining machine greets, then says nothing more: the host plays its
    // first D steps, waits, and gives up after 10 s with one line.
    {
        const uint16_t port = FreePort();
        Game host({"--lockstep", "--host", std::to_string(port), "--delay", "2"});
        ASSERT_TRUE(host.WaitForError("waiting for a second machine", 10000)) << host.Errors();
        FakePartner joiner;
        bool cancelled = false;
        std::string error;
        joiner.socket = ConnectToPartner("127.0.0.1", port, 5000, nullptr, &cancelled, &error);
        ASSERT_NE(joiner.socket, kNoSocket) << error;
        joiner.Join(KAZIRO_VERSION);
        const auto silent = Clock::now();
        ASSERT_TRUE(host.WaitExit(20000)) << "the host waited for ever";
        EXPECT_GE(MsBetween(silent, host.exitTime), 9000);
        EXPECT_EQ(host.ExitCode(), 1);
        EXPECT_NE(host.Errors().find("kaziro: network: the other machine has not answered for 10 "
                                     "seconds\n"),
                  std::string::npos)
            << host.Errors();
        SocketClose(joiner.socket);
    }
    // The hosting machine goes silent after the greeting; while the joining
    // game waits, its close path still works at once, and the quit notice goes out.
    {
        const uint16_t port = FreePort();
        FakePartner hoster;
        std::unique_ptr<Game> joiner;
        bool cancelled = false;
        std::string error;
        hoster.socket = AcceptOnePartner(
            port,
            [&] {
                joiner = std::make_unique<Game>(
                    std::vector<std::string>{"--lockstep", "--join", "127.0.0.1:" + std::to_string(port)});
            },
            nullptr, &cancelled, &error);
        ASSERT_NE(hoster.socket, kNoSocket) << error;
        hoster.Host(1234u, 0);
        // Its first step waits for the host's first record, which never comes.
        std::this_thread::sleep_for(std::chrono::milliseconds(2500));
        ASSERT_TRUE(joiner->Running()) << joiner->Errors();
        const auto asked = Clock::now();
        kill(joiner->pid, SIGTERM);
        ASSERT_TRUE(joiner->WaitExit(2000)) << "the waiting game did not answer its close";
        EXPECT_LE(MsBetween(asked, joiner->exitTime), 1000);
        EXPECT_EQ(joiner->ExitCode(), 0) << joiner->Errors();
        EXPECT_EQ(Read(hoster.socket, 1), std::vector<uint8_t>{kMessageQuit});
        SocketClose(hoster.socket);
    }
}
