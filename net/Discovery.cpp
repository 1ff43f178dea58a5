#include "net/Discovery.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

#include "net/DiscoveryWire.h"
#include "net/SessionParts.h"

namespace {

// A probe as large as a datagram may be: the receive buffer of both sides.
constexpr size_t kLargestDatagram = 512;
// Datagrams read after one wait at most, so a flood cannot hold the search past its time.
constexpr int kMostPerWait = 256;

}  // namespace

bool ProbeRateLimit::Allow(uint32_t nowMs) {
    if (count_ == kProbeAnswersPerSecond) {
        // The oldest of the last few answers must be a second old.
        if (nowMs - sent_[0] < 1000u) return false;
        std::copy(sent_ + 1, sent_ + count_, sent_);
        --count_;
    }
    sent_[count_++] = nowMs;
    return true;
}

bool DiscoveryResponder::Handle(const DatagramSocket& socket, const uint8_t* data, size_t size,
                                const NetAddress& from, uint32_t nowMs) {
    if (!IsDiscoveryProbe(data, size)) return false;
    uint8_t answer[kProbeAnswerSize];
    const size_t length = AnswerDiscoveryProbe(data, size, version_.c_str(), answer, sizeof answer);
    if (length > 0 && limit_.Allow(nowMs) && SendDatagram(socket, from, answer, length)) {
        ++answered_;
    }
    return true;
}

bool FindHostOnLan(uint16_t port, uint32_t timeoutMs, NetAddress* address, std::string* version,
                   std::string* why) {
    using Clock = std::chrono::steady_clock;
    std::string error;
    DatagramSocket socket = OpenDatagramSocket(0, &error);
    if (!socket.Open()) {
        *why = error;
        return false;
    }
    if (!EnableBroadcast(socket)) {
        CloseDatagramSocket(&socket);
        *why = "cannot send broadcasts to look for a game";
        return false;
    }
    const uint64_t nonce = NewToken();
    uint8_t probe[kProbeSize];
    WriteDiscoveryProbe(nonce, probe);
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::milliseconds(timeoutMs);
    auto nextProbe = start;
    int probesSent = 0;
    bool found = false, failed = false;
    while (!found && !failed) {
        const auto now = Clock::now();
        if (now >= nextProbe && now < deadline) {
            probesSent += BroadcastDatagram(socket, port, probe, sizeof probe);
            nextProbe += std::chrono::milliseconds(kProbeIntervalMs);
        }
        const auto until = std::min(nextProbe, deadline);
        const auto waitMs =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - now).count();
        failed = WaitDatagram(socket, static_cast<int>(std::max<long long>(waitMs, 0) + 1)) < 0;
        uint8_t datagram[kLargestDatagram];
        failed = failed || !DrainDatagrams(&socket, datagram, sizeof datagram, kMostPerWait,
                                           [&](const uint8_t* bytes, size_t size, const NetAddress& from) {
            found = ParseDiscoveryAnswer(bytes, size, nonce, version);
            if (found) *address = from;
            return !found;
        });
        if (Clock::now() >= deadline) break;
    }
    CloseDatagramSocket(&socket);
    if (found) return true;
    if (failed) {
        *why = "looking for a game failed: cannot receive on the search's socket";
        return false;
    }
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3g", timeoutMs / 1000.0);
    *why = probesSent == 0 ? "cannot broadcast on this machine's networks to look for a game"
                           : std::string("no game answered on the local network within ") +
                                 seconds + " s (port " + std::to_string(port) + ")";
    return false;
}
