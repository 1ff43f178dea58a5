// The pad-state exchange over TCP on loopback: round trips per second, and so
// the time one exchange adds to a logic step. The other machine is a thread
// that speaks the same wire format on its own socket.
#include <benchmark/benchmark.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <thread>

#include "net/cNetwork.h"
#include "platform/socket.h"
#include "tests/support/free_port.h"

namespace {


bool ReadAll(SocketHandle s, uint8_t* buffer, size_t size) {
    size_t got = 0;
    while (got < size) {
        const long n = SocketReceive(s, buffer + got, size - got);
        if (n <= 0) return false;
        got += static_cast<size_t>(n);
        if (buffer[0] != kMessagePadState) return false;  // the quit notice
    }
    return true;
}

// The other machine: answers (role 2) or leads (role 1) until the quit notice.
void OtherMachine(SocketHandle s, bool leads) {
    uint8_t message[kPadMessageSize] = {};
    uint8_t answer[kPadMessageSize] = {};
    for (;;) {
        if (leads && SocketSend(s, answer, sizeof answer) < 0) return;
        if (!ReadAll(s, message, sizeof message)) return;
        if (!leads && SocketSend(s, answer, sizeof answer) < 0) return;
        answer[1] = static_cast<uint8_t>(answer[1] + 1);
    }
}

void Exchange(benchmark::State& state, int32_t role) {
    // A real loopback TCP connection with the game's own set-up; the joining
    // side starts once the port is open.
    SocketHandle hosted = kNoSocket;
    SocketHandle joined = kNoSocket;
    const uint16_t port = FreePort();
    std::thread joiner;
    std::string error;
    bool cancelled = false;
    hosted = AcceptOnePartner(
        port,
        [&] {
            joiner = std::thread([&] {
                bool c = false;
                std::string e;
                joined = ConnectToPartner("127.0.0.1", port, 3000, nullptr, &c, &e);
            });
        },
        nullptr, &cancelled, &error);
    if (joiner.joinable()) joiner.join();
    if (hosted == kNoSocket || joined == kNoSocket) {
        SocketClose(hosted);
        SocketClose(joined);
        state.SkipWithError("no loopback connection");
        return;
    }
    // This process plays `role` on the hosting end; the thread plays the other.
    // Without input delay: every exchange is a whole round trip.
    cNetwork line;
    line.Adopt(hosted, role == 1, 0, 0);
    std::thread other(OtherMachine, joined, role != 1);
    PadState mine{}, player1{}, player2{};
    for (auto _ : state) {
        mine.x++;
        if (line.Exchange(mine, &player1, &player2) != ExchangeResult::Done) {
            state.SkipWithError("exchange failed");
            break;
        }
        benchmark::DoNotOptimize(player1);
        benchmark::DoNotOptimize(player2);
    }
    line.Shutdown();  // the quit notice ends the other thread
    other.join();
    SocketClose(joined);
    state.SetItemsProcessed(state.iterations());
}

void BM_ExchangeRoleOne(benchmark::State& state) { Exchange(state, 1); }
void BM_ExchangeRoleTwo(benchmark::State& state) { Exchange(state, 2); }

}  // namespace

// Wall time: the exchange waits on the other thread, so CPU time says little.
// The time per iteration is what one exchange adds to a logic step; items per
// second are round trips per second.
BENCHMARK(BM_ExchangeRoleOne)->UseRealTime()->MinTime(1.0);
BENCHMARK(BM_ExchangeRoleTwo)->UseRealTime()->MinTime(1.0);

BENCHMARK_MAIN();
