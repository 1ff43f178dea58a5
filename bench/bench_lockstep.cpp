// Two game processes playing one game through a line with the latency of the
// internet (the tests' delaying relay, ±10 ms of jitter on every piece):
// steps per second on each machine, against the line's round trip, with the
// input delay chosen at connection time and with none (--delay 0). The game
// aims at 62.5 steps per second.
#include <benchmark/benchmark.h>

#include <signal.h>

#include <memory>
#include <string>
#include <vector>

#include "tests/support/delay_relay.h"
#include "tests/support/free_port.h"
#include "tests/support/game_process.h"

namespace {

constexpr int kSeconds = 6;       // of play measured, after the first 60 steps
constexpr size_t kSkipSteps = 60;

void Lockstep(benchmark::State& state) {
    const int roundTripMs = static_cast<int>(state.range(0));
    const bool noDelay = state.range(1) != 0;
    DelayRelay::Line line{roundTripMs / 2, roundTripMs > 0 ? 10 : 0};
    for (auto _ : state) {
        const uint16_t hostPort = FreePort();
        std::vector<std::string> hostArgs{"--lockstep", "--host", std::to_string(hostPort)};
        if (noDelay) hostArgs.insert(hostArgs.end(), {"--delay", "0"});
        Game host(hostArgs);
        if (!host.WaitForError("waiting for a second machine", 10000)) {
            state.SkipWithError("the host did not start");
            return;
        }
        bool cancelled = false;
        std::string error;
        const SocketHandle toHost =
            ConnectToPartner("127.0.0.1", hostPort, 5000, nullptr, &cancelled, &error);
        const uint16_t relayPort = FreePort();
        std::unique_ptr<Game> joiner;
        const SocketHandle toJoiner = AcceptOnePartner(
            relayPort,
            [&] {
                joiner = std::make_unique<Game>(
                    std::vector<std::string>{"--lockstep", "--join", "127.0.0.1:" + std::to_string(relayPort)});
            },
            nullptr, &cancelled, &error);
        if (toHost == kNoSocket || toJoiner == kNoSocket) {
            state.SkipWithError("no connection");
            return;
        }
        DelayRelay relay(toHost, toJoiner, line);
        // Until the games step, then kSeconds more.
        relay.Run(30000, [&] { return relay.down.arrivals.size() > kSkipSteps; });
        const auto end = DelayRelay::Clock::now() + std::chrono::seconds(kSeconds);
        relay.Run(kSeconds * 1000 + 1000, [&] { return DelayRelay::Clock::now() >= end; });
        state.counters["host_steps_per_s"] = DelayRelay::StepsPerSecond(relay.down, kSkipSteps);
        state.counters["joiner_steps_per_s"] = DelayRelay::StepsPerSecond(relay.up, kSkipSteps);
        state.counters["input_delay"] = relay.AnnouncedDelay();
        kill(host.pid, SIGTERM);
        relay.Run(3000);
        host.WaitExit(3000);
        joiner->WaitExit(3000);
        SocketClose(toHost);
        SocketClose(toJoiner);
    }
}

}  // namespace

// Arguments: the line's round trip in ms; 1 for --delay 0.
BENCHMARK(Lockstep)
    ->ArgsProduct({{0, 20, 50, 100, 150, 200}, {0, 1}})
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

BENCHMARK_MAIN();
