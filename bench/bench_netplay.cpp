// Two game processes playing one game with rollback over datagrams, the
// computer at both machines' controls, through the tests' lossy link (two
// network namespaces; every packet delayed by half the round trip plus or
// minus the jitter, each lost with the given chance, both ways): steps per
// second on each machine, the frames of 32 ms or more (a step waited for or
// left out) and the gaps of more than 50 ms between two frames that show a
// new step (per minute, per machine), the worst gap, and the bytes each way.
// Needs root (network namespaces).
//
// Also: steps per second of a game on loopback while a third process sends
// thousands of small junk datagrams a second to the host's port; the same
// over a line while a stranger beside the host floods its port with large
// datagrams (1 to 60 kB); and how long a real search for games takes to
// find a host while a stranger probes it.
#include <benchmark/benchmark.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/Discovery.h"
#include "net/GameWire.h"
#include "net/GreetingWire.h"
#include "platform/clock.h"
#include "platform/datagram.h"
#include "tests/support/free_port.h"
#include "tests/support/game_process.h"
#include "tests/support/lossy_link.h"

namespace {

// The times (ms) at which a --net-log's machine showed a new step.
std::vector<uint32_t> ShownSteps(const std::string& path) {
    std::vector<uint32_t> times;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        unsigned ms = 0, step = 0;
        if (std::sscanf(line.c_str(), "s %u %u", &ms, &step) == 2) times.push_back(ms);
    }
    return times;
}

struct Pace {
    double stepsPerSecond = 0;
    double gapsPerMinute = 0;     // over 50 ms
    double longPerMinute = 0;     // 32 ms or more: a frame without a new step
    uint32_t worstGap = 0;
};

// Over the steps shown after the first `warmUpMs`.
Pace PaceOf(const std::vector<uint32_t>& times, uint32_t warmUpMs) {
    Pace pace;
    if (times.size() < 2) return pace;
    const uint32_t from = times.front() + warmUpMs;
    size_t first = 0;
    while (first < times.size() && times[first] < from) ++first;
    if (times.size() - first < 2) return pace;
    int gaps = 0, longFrames = 0;
    for (size_t i = first + 1; i < times.size(); ++i) {
        const uint32_t gap = times[i] - times[i - 1];
        gaps += gap > 50 ? 1 : 0;
        longFrames += gap >= 32 ? 1 : 0;
        pace.worstGap = std::max(pace.worstGap, gap);
    }
    const double seconds = (times.back() - times[first]) / 1000.0;
    pace.stepsPerSecond = (times.size() - first - 1) / seconds;
    pace.gapsPerMinute = gaps * 60.0 / seconds;
    pace.longPerMinute = longFrames * 60.0 / seconds;
    return pace;
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

void OverTheLine(benchmark::State& state) {
    const std::string skip = NamespaceSkipReason();
    if (!skip.empty()) {
        state.SkipWithError(skip.c_str());
        return;
    }
    const int roundTrip = static_cast<int>(state.range(0));
    const int jitter = static_cast<int>(state.range(1));
    const double loss = static_cast<double>(state.range(2)) / 100.0;
    const int seconds = static_cast<int>(state.range(3));
    const std::string program = std::string(getcwd(nullptr, 0)) + "/kaziro";
    for (auto _ : state) {
        LossyLink link({roundTrip / 2, jitter, loss, 11u});
        if (!link.Ready()) {
            state.SkipWithError(link.Failure().c_str());
            return;
        }
        const std::string logs[2] = {"/tmp/kaziro-bench-host.log", "/tmp/kaziro-bench-join.log"};
        const pid_t host = link.Start(LossyLink::kA, {program, "--host", "--no-upnp", "--autopilot", "1", "--net-log", logs[0]},
                                      "/tmp/kaziro-bench-host.err");
        usleep(500000);
        const pid_t joiner = link.Start(LossyLink::kB, {program, "--join", LossyLink::kAddress[0], "--autopilot",
                                                       "2", "--net-log", logs[1]}, "/tmp/kaziro-bench-join.err");
        // Started, then measured: the warm-up's packets are not counted.
        std::this_thread::sleep_for(std::chrono::seconds(3));
        link.ResetCounts();
        std::this_thread::sleep_for(std::chrono::seconds(seconds));
        const double bytes[2] = {static_cast<double>(link.counts[0].bytes), static_cast<double>(link.counts[1].bytes)};
        kill(host, SIGTERM);
        Wait(host);
        Wait(joiner);
        for (int side = 0; side < 2; ++side) {
            const Pace pace = PaceOf(ShownSteps(logs[side]), 2500);
            const std::string who = side == 0 ? "host_" : "joiner_";
            state.counters[who + "steps_per_s"] = pace.stepsPerSecond;
            state.counters[who + "gaps_50ms_per_min"] = pace.gapsPerMinute;
            state.counters[who + "frames_32ms_per_min"] = pace.longPerMinute;
            state.counters[who + "worst_gap_ms"] = pace.worstGap;
            state.counters[who + "sends_kB_per_s"] = bytes[side] / seconds / 1000.0;
        }
        std::ifstream log(logs[1]);
        std::stringstream all;
        all << log.rdbuf();
        const std::string text = all.str();
        const size_t end = text.find("end rollbacks");
        unsigned long long rollbacks = 0, resimulated = 0;
        unsigned deepest = 0;
        if (end != std::string::npos) {
            std::sscanf(text.c_str() + end, "end rollbacks %llu resimulated %llu deepest %u", &rollbacks,
                        &resimulated, &deepest);
        }
        state.counters["joiner_deepest_rollback"] = deepest;
    }
}

// Junk at the host's port from a third process on this machine.
void UnderAFlood(benchmark::State& state) {
    for (auto _ : state) {
        const uint16_t port = FreePort();
        const std::string logs[2] = {"/tmp/kaziro-flood-host.log", "/tmp/kaziro-flood-join.log"};
        Game host({"--host", std::to_string(port), "--no-upnp", "--autopilot", "1", "--net-log", logs[0]});
        host.WaitForError("waiting for a second machine", 10000);
        Game joiner({"--join", "127.0.0.1:" + std::to_string(port), "--autopilot", "2", "--net-log", logs[1]});
        std::this_thread::sleep_for(std::chrono::seconds(3));
        std::string error;
        DatagramSocket stranger = OpenDatagramSocket(0, &error);
        NetAddress to;
        ResolveAddress("127.0.0.1", port, &to, &error);
        std::mt19937 random(1u);
        long sent = 0;
        const auto start = std::chrono::steady_clock::now();
        while (std::chrono::steady_clock::now() - start < std::chrono::seconds(20)) {
            uint8_t junk[200];
            for (uint8_t& b : junk) b = static_cast<uint8_t>(random());
            junk[0] = 'K';
            junk[1] = 'R';
            junk[2] = "IQHPR"[random() % 5];
            junk[3] = kNetProtocol;
            for (int i = 0; i < 50; ++i, ++sent) SendDatagram(stranger, to, junk, 1 + random() % sizeof junk);
            usleep(5000);
        }
        const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        kill(host.pid, SIGTERM);
        host.WaitExit(5000);
        joiner.WaitExit(5000);
        CloseDatagramSocket(&stranger);
        state.counters["junk_per_s"] = sent / seconds;
        for (int side = 0; side < 2; ++side) {
            const Pace pace = PaceOf(ShownSteps(logs[side]), 3000);
            state.counters[std::string(side == 0 ? "host" : "joiner") + "_steps_per_s"] = pace.stepsPerSecond;
            state.counters[std::string(side == 0 ? "host" : "joiner") + "_gaps_50ms_per_min"] = pace.gapsPerMinute;
        }
    }
}

// The datagrams the system dropped at a process's UDP socket on `port`, for
// want of room in its receive buffer (read in the process's own namespace).
uint64_t SocketDrops(pid_t pid, uint16_t port) {
    uint64_t drops = 0;
    char hexPort[8];
    std::snprintf(hexPort, sizeof hexPort, ":%04X", port);
    for (const char* table : {"udp", "udp6"}) {
        std::ifstream in("/proc/" + std::to_string(pid) + "/net/" + table);
        std::string line;
        std::getline(in, line);  // the heading
        while (std::getline(in, line)) {
            std::istringstream fields(line);
            std::string slot, local, field;
            fields >> slot >> local;
            if (local.size() < 5 || local.compare(local.size() - 5, 5, hexPort) != 0) continue;
            for (int i = 0; i < 10; ++i) fields >> field;  // to the last column
            uint64_t n = 0;
            if (fields >> n) drops += n;
        }
    }
    return drops;
}

// The game datagrams a machine sent to its partner and took from it, from
// the last line of its --net-log.
bool SentAndTaken(const std::string& path, unsigned long long* sent, unsigned long long* taken) {
    std::ifstream in(path);
    std::stringstream all;
    all << in.rdbuf();
    const std::string text = all.str();
    const size_t at = text.find(" sent ");
    return at != std::string::npos && std::sscanf(text.c_str() + at, " sent %llu received %llu", sent, taken) == 2;
}

// A stranger beside the host (in its namespace) sends datagrams of 1 to 60 kB
// at its port, `rate` a second, while the two play over a 40 ms line: how the
// partner's datagrams fare (the frames without a new step, the gaps, the
// datagrams the system dropped at the host's socket for want of room).
void UnderALargeFlood(benchmark::State& state) {
    const std::string skip = NamespaceSkipReason();
    if (!skip.empty()) {
        state.SkipWithError(skip.c_str());
        return;
    }
    const int rate = static_cast<int>(state.range(0));
    const int seconds = static_cast<int>(state.range(1));
    const std::string program = std::string(getcwd(nullptr, 0)) + "/kaziro";
    for (auto _ : state) {
        LossyLink link({20, 2, 0.0, 5u});
        if (!link.Ready()) {
            state.SkipWithError(link.Failure().c_str());
            return;
        }
        const std::string logs[2] = {"/tmp/kaziro-lflood-host.log", "/tmp/kaziro-lflood-join.log"};
        const pid_t host = link.Start(LossyLink::kA, {program, "--host", "--no-upnp", "--autopilot", "1",
                                                     "--net-log", logs[0]}, "/tmp/kaziro-lflood-host.err");
        usleep(500000);
        const pid_t joiner = link.Start(LossyLink::kB, {program, "--join", LossyLink::kAddress[0],
                                                       "--autopilot", "2", "--net-log", logs[1]},
                                        "/tmp/kaziro-lflood-join.err");
        std::this_thread::sleep_for(std::chrono::seconds(3));
        const uint64_t dropsBefore = SocketDrops(host, 47800);
        const int stranger = InNamespace(link.Name(LossyLink::kA), [] { return socket(AF_INET, SOCK_DGRAM, 0); });
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_port = htons(47800);
        inet_pton(AF_INET, LossyLink::kAddress[0], &to.sin_addr);
        std::vector<uint8_t> junk(60000);
        std::mt19937 random(3u);
        for (uint8_t& b : junk) b = static_cast<uint8_t>(random());
        long sent = 0;
        const auto start = std::chrono::steady_clock::now();
        for (auto due = start; std::chrono::steady_clock::now() - start < std::chrono::seconds(seconds);) {
            // In bursts of a millisecond's worth, on time.
            for (int i = 0; i < std::max(1, rate / 1000); ++i, ++sent) {
                sendto(stranger, junk.data(), 1000 + random() % 59001, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
            }
            due += std::chrono::microseconds(1000000 * std::max(1, rate / 1000) / rate);
            std::this_thread::sleep_until(due);
        }
        const double flooded = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const uint64_t drops = SocketDrops(host, 47800) - dropsBefore;
        close(stranger);
        kill(host, SIGTERM);
        Wait(host);
        Wait(joiner);
        state.counters["junk_per_s"] = sent / flooded;
        state.counters["host_socket_drops_per_s"] = drops / flooded;
        // The joiner's game datagrams that never reached the host's game
        // (the last lines of both logs count them; a few are on their way
        // when the host quits).
        unsigned long long joinerSent = 0, joinerTaken = 0, hostSent = 0, hostTaken = 0;
        if (SentAndTaken(logs[1], &joinerSent, &joinerTaken) && SentAndTaken(logs[0], &hostSent, &hostTaken)) {
            state.counters["partner_datagrams_lost"] = static_cast<double>(joinerSent) - hostTaken;
        }
        for (int side = 0; side < 2; ++side) {
            const Pace pace = PaceOf(ShownSteps(logs[side]), 3000);
            const std::string who = side == 0 ? "host_" : "joiner_";
            state.counters[who + "steps_per_s"] = pace.stepsPerSecond;
            state.counters[who + "frames_32ms_per_min"] = pace.longPerMinute;
            state.counters[who + "gaps_50ms_per_min"] = pace.gapsPerMinute;
            state.counters[who + "worst_gap_ms"] = pace.worstGap;
        }
    }
}

// A hosting game in one namespace; beside the joiner, a stranger probes the
// host's port `rate` times a second (0: back to back) from its own address.
// The time a real search takes to hear the host, over ten searches.
void DiscoveryUnderProbes(benchmark::State& state) {
    const std::string skip = NamespaceSkipReason();
    if (!skip.empty()) {
        state.SkipWithError(skip.c_str());
        return;
    }
    const int rate = static_cast<int>(state.range(0));
    const std::string program = std::string(getcwd(nullptr, 0)) + "/kaziro";
    for (auto _ : state) {
        Namespace hostSide(UniqueName("kzbd", "h")), joinerSide(UniqueName("kzbd", "j"));
        if (!hostSide.Ok() || !joinerSide.Ok() ||
            !Veth(hostSide.Name(), UniqueName("kzbd", "h"), "10.76.0.1/24", joinerSide.Name(),
                  UniqueName("kzbd", "j"), "10.76.0.2/24") ||
            !Sh("ip -n " + joinerSide.Name() + " addr add 10.76.0.9/24 dev " + UniqueName("kzbd", "j"))) {
            state.SkipWithError("cannot build the namespaces");
            return;
        }
        StartInNamespace(hostSide.Name(), {program, "--host", "--no-upnp"}, "/tmp/kaziro-bdisc-host.err");
        usleep(1000000);
        std::atomic<bool> done{false};
        std::atomic<long> sent{0};
        const int stranger = InNamespace(joinerSide.Name(), [] { return socket(AF_INET, SOCK_DGRAM, 0); });
        sockaddr_in own{}, to{};
        own.sin_family = to.sin_family = AF_INET;
        inet_pton(AF_INET, "10.76.0.9", &own.sin_addr);
        bind(stranger, reinterpret_cast<sockaddr*>(&own), sizeof own);
        inet_pton(AF_INET, "10.76.0.1", &to.sin_addr);
        to.sin_port = htons(47800);
        const auto floodStart = std::chrono::steady_clock::now();
        std::thread flood([&] {
            uint8_t probe[kProbeSize], answer[256];
            WriteDiscoveryProbe(1, probe);
            while (!done) {
                sent += sendto(stranger, probe, sizeof probe, 0, reinterpret_cast<sockaddr*>(&to), sizeof to) > 0;
                while (recv(stranger, answer, sizeof answer, MSG_DONTWAIT) > 0) {
                }
                if (rate > 0) usleep(1000000 / rate);
            }
        });
        usleep(1500000);
        std::vector<double> found;
        int missed = 0;
        for (int search = 0; search < 10; ++search) {
            InNamespace(joinerSide.Name(), [&] {
                cHostFinder finder;
                std::string why;
                if (!finder.Start(47800, &why)) return;
                const uint32_t start = timeGetTime();
                while (finder.Hosts().empty() && timeGetTime() - start < 5000) {
                    finder.Poll(timeGetTime());
                    finder.Wait(5);
                }
                if (finder.Hosts().empty()) {
                    ++missed;
                } else {
                    found.push_back(timeGetTime() - start);
                }
            });
            usleep(300000);
        }
        done = true;
        flood.join();
        const double flooded =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - floodStart).count();
        close(stranger);
        double sum = 0, worst = 0;
        for (double ms : found) {
            sum += ms;
            worst = std::max(worst, ms);
        }
        state.counters["stranger_probes_per_s"] = sent / flooded;
        state.counters["searches_missed"] = missed;
        state.counters["found_after_ms_mean"] = found.empty() ? 0 : sum / found.size();
        state.counters["found_after_ms_worst"] = worst;
    }
}

}  // namespace

// Arguments: round trip (ms), jitter (ms, each way), loss (%), seconds measured.
BENCHMARK(OverTheLine)
    ->Args({0, 0, 0, 30})
    ->Args({100, 10, 1, 60})
    ->Args({100, 10, 3, 60})
    ->Args({200, 20, 1, 60})
    ->Args({250, 30, 1, 60})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK(UnderAFlood)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
// Arguments: large datagrams a second, seconds of flood.
BENCHMARK(UnderALargeFlood)->Args({1, 30})->Args({5000, 30})->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();
// Arguments: the stranger's probes a second (0: back to back).
BENCHMARK(DiscoveryUnderProbes)->Arg(5)->Arg(0)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
