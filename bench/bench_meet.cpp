// The meeting server measured: the memory of 10,000 open rooms (in this
// process's allocator, and as the real kaziro-meet process's resident size),
// and 100 games at the game's own rate over loopback (200 sockets, one
// datagram of 100 bytes each way every 16 ms per game) through the real
// server's relay, against the same games sent directly: the server's share
// of one core, and how long a datagram takes from one game to the other.
#include <benchmark/benchmark.h>

#include <fcntl.h>
#include <malloc.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "net/MeetServer.h"
#include "tests/support/free_port.h"
#include "tests/support/meet_peer.h"

namespace {

constexpr int kRooms = 10000;

// ./kaziro-meet with args (run from the build folder), its standard error in `log`.
class Server {
public:
    Server(const std::vector<std::string>& args, const std::string& log) : log_(log) {
        std::vector<std::string> all = {"./kaziro-meet"};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        pid = fork();
        if (pid == 0) {
            prctl(PR_SET_PDEATHSIG, SIGKILL);
            const int out = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
            dup2(out, 2);
            execv(argv[0], argv.data());
            _exit(127);
        }
        for (int waited = 0; waited < 5000 && !ready; waited += 20) {
            usleep(20000);
            std::ifstream in(log);
            std::stringstream s;
            s << in.rdbuf();
            ready = s.str().find("on UDP port") != std::string::npos;
        }
    }
    ~Server() {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        std::remove(log_.c_str());
    }
    // Resident size in kB.
    long RssKb() const {
        std::ifstream in("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(in, line))
            if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
        return -1;
    }
    // CPU time used so far (user and system), in seconds.
    double CpuSeconds() const {
        std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::istringstream fields(text.substr(text.rfind(')') + 2));
        std::string f;
        unsigned long long utime = 0, stime = 0;
        for (int i = 3; i <= 15 && fields >> f; ++i) {
            if (i == 14) utime = std::stoull(f);
            if (i == 15) stime = std::stoull(f);
        }
        return static_cast<double>(utime + stime) / sysconf(_SC_CLK_TCK);
    }
    pid_t pid = -1;
    bool ready = false;

private:
    std::string log_;
};

std::vector<uint8_t> OpenRequest(uint64_t nonce) {
    MeetMessage m;
    m.kind = MeetKind::Open;
    m.nonce = nonce;
    m.locals[0].family = 4;
    m.locals[0].ip[0] = 192, m.locals[0].ip[1] = 168, m.locals[0].ip[3] = 20;
    m.locals[0].port = 47800;
    return EncodeMeet(m);
}

// 10,000 OPENs from 10,000 addresses handed to the rooms in this process.
void RoomsInMemory(benchmark::State& state) {
    for (auto _ : state) {
        MeetLimits limits;
        limits.roomsPerAddress = kRooms;
        const struct mallinfo2 before = mallinfo2();
        std::mt19937_64 random(1);
        auto server = std::make_unique<MeetServer>(limits, [&random] { return random(); }, nullptr);
        std::vector<MeetServer::Send> out;
        for (int i = 0; i < kRooms; ++i) {
            Endpoint from;
            from.family = 4;
            from.ip[0] = 10, from.ip[1] = static_cast<uint8_t>(i >> 8), from.ip[2] = static_cast<uint8_t>(i);
            from.port = 47800;
            const std::vector<uint8_t> open = OpenRequest(i + 1);
            server->Receive(1000 + i / 100, AddressOf(from), open.data(), open.size(), &out);
            out.clear();
        }
        const struct mallinfo2 after = mallinfo2();
        state.counters["rooms"] = static_cast<double>(server->Rooms());
        state.counters["bytes_per_room"] = static_cast<double>(after.uordblks - before.uordblks) / kRooms;
    }
    state.SetItemsProcessed(state.iterations() * kRooms);
}

// The same through the real server process on loopback, one socket a room.
void RoomsInTheServer(benchmark::State& state) {
    for (auto _ : state) {
        const uint16_t port = FreePort();
        Server server({"--port", std::to_string(port), "--rooms-per-address", std::to_string(kRooms)},
                      "/tmp/bench-meet-rooms.log");
        if (!server.ready) {
            state.SkipWithError("kaziro-meet did not start (run from the build folder)");
            return;
        }
        const long before = server.RssKb();
        NetAddress at;
        std::string error;
        ResolveAddress("127.0.0.1", port, &at, &error);
        int opened = 0;
        uint8_t answer[256];
        for (int i = 0; i < kRooms; ++i) {
            DatagramSocket s = OpenDatagramSocket(0, &error);
            const std::vector<uint8_t> open = OpenRequest(i + 1);
            SendDatagram(s, at, open.data(), open.size());
            MeetMessage m;
            const long n = WaitDatagram(s, 1000) > 0 ? ReceiveDatagram(&s, answer, sizeof answer, nullptr) : 0;
            if (n > 0 && ParseMeet(answer, static_cast<size_t>(n), &m) && m.kind == MeetKind::Opened) ++opened;
            CloseDatagramSocket(&s);
        }
        const long after = server.RssKb();
        state.counters["rooms"] = opened;
        state.counters["rss_before_kB"] = static_cast<double>(before);
        state.counters["rss_after_kB"] = static_cast<double>(after);
        state.counters["rss_bytes_per_room"] = (after - before) * 1024.0 / std::max(opened, 1);
    }
}

// 100 games through the server's relay (range 1) or directly (range 0), 15 s of play.
void HundredGames(benchmark::State& state) {
    const bool relayed = state.range(0) == 1;
    constexpr int kGames = 100, kSeconds = 15;
    for (auto _ : state) {
        const uint16_t port = FreePort();
        Server server({"--port", std::to_string(port), "--rooms-per-address", "1000"}, "/tmp/bench-meet-relay.log");
        if (!server.ready) {
            state.SkipWithError("kaziro-meet did not start (run from the build folder)");
            return;
        }
        NetAddress at;
        std::string error;
        ResolveAddress("127.0.0.1", port, &at, &error);
        std::vector<std::unique_ptr<MeetPeer>> hosts, joiners;
        std::vector<MeetPeer*> all;
        for (int i = 0; i < kGames; ++i) {
            hosts.push_back(std::make_unique<MeetPeer>(at, 0));
            joiners.push_back(std::make_unique<MeetPeer>(at, 0));
            for (MeetPeer* p : {hosts.back().get(), joiners.back().get()}) {
                p->answerProbes = !relayed;
                p->toSend = kSeconds * 1000 / MeetPeer::kStepMs;
                all.push_back(p);
            }
            hosts.back()->client.Open(MeetPeer::Now() / 1000);
        }
        const auto allOf = [&all](bool (*test)(const MeetPeer&)) {
            for (MeetPeer* p : all)
                if (!test(*p)) return false;
            return true;
        };
        Drive(all, 10000, [&] {
            for (auto& h : hosts)
                if (h->client.Code().empty()) return false;
            return true;
        });
        for (int i = 0; i < kGames; ++i) joiners[i]->client.Join(hosts[i]->client.Code(), MeetPeer::Now() / 1000);
        Drive(all, 15000, [&] { return allOf([](const MeetPeer& p) { return p.Settled(); }); });
        const MeetClient::Stage wanted = relayed ? MeetClient::Stage::Relayed : MeetClient::Stage::Direct;
        for (MeetPeer* p : all) {
            if (p->client.State() != wanted) {
                state.SkipWithError(("a game did not meet as asked: " + p->client.Why()).c_str());
                return;
            }
            p->playing = true;
        }
        const double cpu0 = server.CpuSeconds();
        const uint64_t t0 = MeetPeer::Now();
        Drive(all, (kSeconds + 5) * 1000, [&] { return allOf([](const MeetPeer& p) { return p.sent == p.toSend; }); });
        Drive(all, 200, [] { return false; });  // the last ones arrive
        const double seconds = (MeetPeer::Now() - t0) / 1e6;
        const double cpu = server.CpuSeconds() - cpu0;
        std::vector<uint64_t> latencies;
        uint64_t sent = 0, received = 0;
        for (MeetPeer* p : all) {
            latencies.insert(latencies.end(), p->latenciesUs.begin(), p->latenciesUs.end());
            sent += p->sent;
            received += p->received;
        }
        std::sort(latencies.begin(), latencies.end());
        const auto quantile = [&](double q) { return latencies.empty() ? 0.0 : latencies[static_cast<size_t>(q * (latencies.size() - 1))] * 1.0; };
        state.counters["datagrams_per_s"] = sent / seconds;
        state.counters["lost_percent"] = sent ? 100.0 * (sent - received) / sent : 0;
        state.counters["latency_median_us"] = quantile(0.5);
        state.counters["latency_p99_us"] = quantile(0.99);
        state.counters["server_cpu_percent"] = 100.0 * cpu / seconds;
    }
}

}  // namespace

BENCHMARK(RoomsInMemory)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(RoomsInTheServer)->Iterations(1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(HundredGames)->Arg(0)->Arg(1)->ArgName("relayed")->Iterations(1)->Unit(benchmark::kSecond)->UseRealTime();

BENCHMARK_MAIN();
