// Two game processes playing one game with rollback over datagrams, the
// computer at both machines' controls, through the tests' lossy link (two
// network namespaces; every packet delayed by half the round trip plus or
// minus the jitter, each lost with the given chance, both ways): steps per
// second on each machine, the gaps of more than 50 ms between two frames
// that show a new step (per minute, per machine), the worst gap, and the
// bytes each way. Needs root (network namespaces).
//
// Also: steps per second of a game on loopback while a third process sends
// thousands of junk datagrams a second to the host's port.
#include <benchmark/benchmark.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "net/GameWire.h"
#include "net/GreetingWire.h"
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
    double gapsPerMinute = 0;
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
    int gaps = 0;
    for (size_t i = first + 1; i < times.size(); ++i) {
        const uint32_t gap = times[i] - times[i - 1];
        gaps += gap > 50 ? 1 : 0;
        pace.worstGap = std::max(pace.worstGap, gap);
    }
    const double seconds = (times.back() - times[first]) / 1000.0;
    pace.stepsPerSecond = (times.size() - first - 1) / seconds;
    pace.gapsPerMinute = gaps * 60.0 / seconds;
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

}  // namespace

// Arguments: round trip (ms), jitter (ms, each way), loss (%), seconds measured.
BENCHMARK(OverTheLine)
    ->Args({0, 0, 0, 30})
    ->Args({100, 10, 1, 60})
    ->Args({100, 10, 3, 60})
    ->Args({200, 20, 1, 60})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();
BENCHMARK(UnderAFlood)->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
