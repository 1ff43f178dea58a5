// Two real game processes on loopback, headless: they connect, step in
// lockstep, and when one of them is ended the other leaves by itself.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/socket.h"
#include "support/free_port.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr const char* kGame = "./kaziro";  // tests run in the build folder


// One game process with its standard error collected. Killed and reaped when
// the test leaves early.
class Game {
public:
    explicit Game(const std::vector<std::string>& args) {
        int pipeFds[2];
        if (pipe2(pipeFds, O_CLOEXEC) != 0) return;
        pid = fork();
        if (pid == 0) {
            dup2(pipeFds[1], 2);
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            dup2(null, 1);
            std::vector<char*> argv;
            argv.push_back(const_cast<char*>(kGame));
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            execv(kGame, argv.data());
            _exit(127);
        }
        close(pipeFds[1]);
        errFd = pipeFds[0];
        fcntl(errFd, F_SETFL, O_NONBLOCK);
    }
    ~Game() {
        if (pid > 0 && !exited) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
        }
        if (errFd >= 0) close(errFd);
    }
    Game(const Game&) = delete;
    Game& operator=(const Game&) = delete;

    // Collects what the game wrote to standard error so far.
    const std::string& Errors() {
        char buffer[512];
        long n;
        while (errFd >= 0 && (n = read(errFd, buffer, sizeof buffer)) > 0) err.append(buffer, n);
        return err;
    }
    bool WaitForError(const std::string& text, int ms) {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (Errors().find(text) == std::string::npos) {
            if (Clock::now() >= end || !Running()) return Errors().find(text) != std::string::npos;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return true;
    }
    bool Running() {
        if (exited) return false;
        int s = 0;
        if (waitpid(pid, &s, WNOHANG) == pid) {
            exited = true;
            status = s;
            exitTime = Clock::now();
        }
        return !exited;
    }
    // Waits up to ms for the process to end; false when it is still running.
    bool WaitExit(int ms) {
        const auto end = Clock::now() + std::chrono::milliseconds(ms);
        while (Running() && Clock::now() < end) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        return !Running();
    }
    // The exit status, or minus the signal that ended the process.
    int ExitCode() const { return WIFEXITED(status) ? WEXITSTATUS(status) : -WTERMSIG(status); }

    pid_t pid = -1;
    int errFd = -1;
    bool exited = false;
    int status = 0;
    Clock::time_point exitTime;
    std::string err;
};

long MsBetween(Clock::time_point a, Clock::time_point b) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(b - a).count();
}

// Counts the messages going one way through the relay and checks their kinds.
struct Direction {
    SocketHandle from, to;
    size_t bytes = 0;        // pad-state bytes seen, so the position in the current message
    int messages = 0;        // complete pad-state messages
    int quits = 0;
    int badKinds = 0;
    bool ended = false;      // the sender closed its side
};

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
    Game host({"--host", port});
    ASSERT_TRUE(host.WaitForError("waiting for a second machine to join on port " + port, 10000))
        << host.Errors();
    kill(host.pid, SIGINT);
    ASSERT_TRUE(host.WaitExit(3000));
    EXPECT_EQ(host.ExitCode(), 1);
    EXPECT_NE(host.Errors().find("kaziro: network: cancelled while waiting"), std::string::npos)
        << host.err;
}

namespace {

// Runs a hosting and a joining game with the test in between, forwarding every
// byte and counting the messages each way. Once both games have been stepping
// for a while, one of them gets SIGTERM (the window-close path); the other must
// then leave by itself within a second, with status 1 and the reason.
void PlayAndEndOne(bool endHost) {
    const uint16_t hostPort = FreePort();
    Game host({"--host", std::to_string(hostPort)});
    ASSERT_TRUE(host.WaitForError("waiting for a second machine", 10000)) << host.Errors();
    bool cancelled = false;
    std::string error;
    const SocketHandle toHost =
        ConnectToPartner("127.0.0.1", hostPort, 5000, nullptr, &cancelled, &error);
    ASSERT_NE(toHost, kNoSocket) << error;

    const uint16_t relayPort = FreePort();
    std::unique_ptr<Game> joiner;
    const auto startJoiner = [&] {
        joiner = std::make_unique<Game>(std::vector<std::string>{
            "--join", "127.0.0.1:" + std::to_string(relayPort)});
    };
    const SocketHandle toJoiner =
        AcceptOnePartner(relayPort, startJoiner, nullptr, &cancelled, &error);
    ASSERT_NE(toJoiner, kNoSocket) << error;

    Direction down{toHost, toJoiner};  // role 1 to role 2
    Direction up{toJoiner, toHost};    // role 2 to role 1
    int lockstepBreaks = 0;
    bool terminated = false;
    Game& ended = endHost ? host : *joiner;
    Game& other = endHost ? *joiner : host;
    const auto start = Clock::now();
    while (!(down.ended && up.ended) && MsBetween(start, Clock::now()) < 30000) {
        // Both games are in their main loops once messages flow; a slow machine
        // takes longer to get there.
        if (!terminated && down.messages >= 30 && MsBetween(start, Clock::now()) >= 1000) {
            ASSERT_TRUE(host.Running()) << host.Errors();
            ASSERT_TRUE(joiner->Running()) << joiner->Errors();
            kill(ended.pid, SIGTERM);
            terminated = true;
        }
        host.Running();  // notes the moment each game ends
        joiner->Running();
        pollfd fds[2] = {{toHost, POLLIN, 0}, {toJoiner, POLLIN, 0}};
        if (poll(fds, 2, 20) <= 0) continue;
        for (Direction* d : {&down, &up}) {
            const pollfd& f = d == &down ? fds[0] : fds[1];
            if (d->ended || !(f.revents & (POLLIN | POLLHUP | POLLERR))) continue;
            uint8_t buffer[256];
            const long n = SocketReceive(d->from, buffer, sizeof buffer);
            if (n <= 0) {
                d->ended = true;
                shutdown(d->to, SHUT_WR);
                continue;
            }
            for (long i = 0; i < n; ++i) {
                if (d->bytes == 0) {
                    if (buffer[i] == 1) {
                        ++d->quits;
                        continue;
                    }
                    if (buffer[i] != 0) ++d->badKinds;
                }
                if (++d->bytes == 29) {
                    d->bytes = 0;
                    ++d->messages;
                    // Role 1 leads by at most one message; role 2 never leads.
                    if (down.messages > up.messages + 1 || up.messages > down.messages) {
                        ++lockstepBreaks;
                    }
                }
            }
            SocketSend(d->to, buffer, static_cast<size_t>(n));
        }
    }
    SocketClose(toHost);
    SocketClose(toJoiner);

    ASSERT_TRUE(terminated) << "the games never stepped: " << down.messages << " messages\n"
                            << host.Errors() << joiner->Errors();
    EXPECT_EQ(lockstepBreaks, 0) << down.messages << " down, " << up.messages << " up";
    EXPECT_EQ(down.badKinds + up.badKinds, 0);
    EXPECT_EQ((endHost ? down : up).quits, 1) << "the ended game sends one quit notice";
    ASSERT_TRUE(ended.WaitExit(5000));
    EXPECT_EQ(ended.ExitCode(), 0) << ended.Errors();
    ASSERT_TRUE(other.WaitExit(1000)) << "the other game kept running";
    EXPECT_LE(MsBetween(ended.exitTime, other.exitTime), 1000);
    EXPECT_EQ(other.ExitCode(), 1);
    EXPECT_NE(other.Errors().find("kaziro: network: the other machine quit"), std::string::npos)
        << other.err;
}

}  // namespace

// Ending either game ends the other: SIGTERM closes its window, its shut-down
// sends the quit notice, and the other's next receive fails on it.
TEST(NetTwoMachines, TheyStepInLockstepAndEndingTheHostEndsTheJoiner) {
    PlayAndEndOne(true);
}

TEST(NetTwoMachines, TheyStepInLockstepAndEndingTheJoinerEndsTheHost) {
    PlayAndEndOne(false);
}
