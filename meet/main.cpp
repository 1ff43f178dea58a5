// kaziro-meet: the meeting server that gives hosting games a room code and
// helps two games behind home routers find each other, relaying those that
// cannot. One UDP port, one thread: wait for datagrams, take them all, let
// the rooms (MeetServer) say what to send, repeat.
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "net/MeetServer.h"
#include "platform/datagram.h"
#include "platform/report.h"
#include "platform/socket.h"

namespace {

const char kUsage[] =
    "usage: kaziro-meet [--port PORT] [--max-rooms N] [--max-relays N] [--relay-kbps N]\n"
    "                   [--rooms-per-address N] [--code-seconds N] [--code-first C]\n"
    "                   [--help] [--version]\n"
    "The meeting server of kaziro's online games: a hosting game gets a room code,\n"
    "a joining game types it, both are told each other's addresses, and the rooms\n"
    "whose games cannot reach each other are relayed.\n"
    "  --port PORT        UDP port (47801)\n"
    "  --max-rooms N      rooms open at once (10000)\n"
    "  --max-relays N     rooms relayed at once (1000)\n"
    "  --relay-kbps N     a relayed room's rate, both ways together, in kbit/s (512)\n"
    "  --rooms-per-address N  rooms hosted from one IP address at once (32)\n"
    "  --code-seconds N   how long a code waits for its joiner (600)\n"
    "  --code-first C     every code starts with C (servers that share their players)\n"
    "Each room is one line on standard error when it closes.\n";

bool Number(const char* text, unsigned long low, unsigned long high, unsigned long* value) {
    if (!*text || std::strspn(text, "0123456789") != std::strlen(text)) return false;
    errno = 0;
    *value = std::strtoul(text, nullptr, 10);
    return errno == 0 && *value >= low && *value <= high;
}

uint64_t NowMs() {
    using namespace std::chrono;
    return static_cast<uint64_t>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

}  // namespace

int main(int argc, char** argv) {
    MeetLimits limits;
    unsigned long port = kMeetPort;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (a == "--version") {
            std::printf("kaziro-meet %s (meeting protocol %u)\n", KAZIRO_VERSION, kMeetProtocol);
            return 0;
        }
        const char* v = i + 1 < argc ? argv[i + 1] : nullptr;
        unsigned long n = 0;
        bool ok = v != nullptr;
        if (a == "--port") {
            ok = ok && Number(v, 1, 65535, &port);
        } else if (a == "--max-rooms") {
            ok = ok && Number(v, 1, 1000000, &n);
            limits.maxRooms = static_cast<uint32_t>(n);
        } else if (a == "--max-relays") {
            ok = ok && Number(v, 0, 1000000, &n);
            limits.maxRelays = static_cast<uint32_t>(n);
        } else if (a == "--relay-kbps") {
            ok = ok && Number(v, 8, 100000, &n);
            limits.relayKbps = static_cast<uint32_t>(n);
        } else if (a == "--rooms-per-address") {
            ok = ok && Number(v, 1, 1000000, &n);
            limits.roomsPerAddress = static_cast<uint32_t>(n);
        } else if (a == "--code-seconds") {
            ok = ok && Number(v, 1, 65535, &n);
            limits.codeSeconds = static_cast<uint32_t>(n);
        } else if (a == "--code-first") {
            ok = ok && std::strlen(v) == 1 && std::strchr(kMeetAlphabet, v[0]);
            if (ok) limits.codeFirst = v[0];
        } else {
            Report("meet", "unknown option %s (kaziro-meet --help lists them)", a.c_str());
            return 2;
        }
        if (!ok) {
            Report("meet", "%s needs %s", a.c_str(),
                   a == "--code-first" ? std::string("one of ").append(kMeetAlphabet).c_str()
                                       : "a whole number in its range (kaziro-meet --help)");
            return 2;
        }
        ++i;
    }

    InterruptWatch interrupts;  // SIGINT and SIGTERM end the loop below
    std::string error;
    DatagramSocket socket = OpenDatagramSocket(static_cast<uint16_t>(port), &error);
    if (!socket.Open()) {
        Report("meet", "%s", error.c_str());
        return 1;
    }
    // Room for a few tens of milliseconds of a busy relay's datagrams, should
    // the server not be scheduled for that long.
    const int buffer = SetDatagramBuffers(socket, 4 << 20);
    std::random_device device;
    MeetServer server(
        limits, [&device] { return (static_cast<uint64_t>(device()) << 32) ^ device(); },
        [](const std::string& line) { Report("meet", "%s", line.c_str()); });
    Report("meet", "kaziro-meet %s on UDP port %u: at most %u rooms, %u relayed at %u kbit/s each; "
           "receive buffer %d kB", KAZIRO_VERSION, static_cast<unsigned>(socket.port), limits.maxRooms,
           limits.maxRelays, limits.relayKbps, buffer / 1024);

    std::vector<MeetServer::Send> out;
    uint8_t datagram[2048];
    const auto flush = [&] {
        for (const MeetServer::Send& s : out) SendDatagram(socket, s.to, s.bytes.data(), s.bytes.size());
        out.clear();
    };
    uint64_t now = NowMs();
    while (!interrupts.Interrupted()) {
        if (WaitDatagram(socket, static_cast<int>(MeetServer::kNoticeEveryMs / 2)) < 0) {
            Report("meet", "cannot wait on the socket: %s", std::strerror(errno));
            break;
        }
        now = NowMs();
        // A bounded batch, so that notices and expiry run under any flood.
        NetAddress from;
        long n = 0;
        for (int taken = 0; taken < 4096 && (n = ReceiveDatagram(&socket, datagram, sizeof datagram, &from)) > 0;
             ++taken) {
            server.Receive(now, from, datagram, static_cast<size_t>(n), &out);
            flush();
        }
        server.Tick(now, &out);
        flush();
    }
    server.CloseAll(now, "server stopped");
    const MeetServer::Counts& c = server.Counted();
    Report("meet", "stopped: %" PRIu64 " answers, %" PRIu64 " requests unanswered, %" PRIu64
           " datagrams dropped, %" PRIu64 " relayed (%" PRIu64 " bytes), %" PRIu64 " over a room's rate",
           c.answers, c.unanswered, c.dropped, c.relayed, c.relayedBytes, c.overRate);
    CloseDatagramSocket(&socket);
    return 0;
}
