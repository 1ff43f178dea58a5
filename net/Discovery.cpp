#include "net/Discovery.h"

#include <algorithm>
#include <cstdio>

#include "net/SessionParts.h"
#include "platform/clock.h"

namespace {

// A receive buffer as large as a datagram of the search may be: an answer,
// or anything larger, which is dropped unread.
constexpr size_t kLargestDatagram = 512;

}  // namespace

bool DiscoveryResponder::Handle(const DatagramSocket& socket, const uint8_t* data, size_t size,
                                const NetAddress& from, uint32_t nowMs) {
    if (!IsDiscoveryProbe(data, size)) return false;
    uint8_t answer[kProbeAnswerSize];
    const size_t length = AnswerDiscoveryProbe(data, size, version_.c_str(), name_.c_str(), answer,
                                               sizeof answer);
    if (length > 0 && limit_.Allow(from, nowMs) && SendDatagram(socket, from, answer, length)) {
        ++answered_;
    }
    return true;
}

bool cHostFinder::Start(uint16_t port, std::string* why) {
    Stop();
    socket_ = OpenDatagramSocket(0, why);
    if (!socket_.Open()) return false;
    if (!EnableBroadcast(socket_)) {
        CloseDatagramSocket(&socket_);
        *why = "cannot send broadcasts to look for a game";
        return false;
    }
    port_ = port;
    nonce_ = NewToken();
    WriteDiscoveryProbe(nonce_, probe_);
    probed_ = false;
    probesSent_ = 0;
    hosts_.clear();
    return true;
}

void cHostFinder::Stop() { CloseDatagramSocket(&socket_); }

void cHostFinder::Wait(int ms) const { WaitDatagram(socket_, ms); }

void cHostFinder::Take(const HostAnswer& answer, const NetAddress& from, uint32_t nowMs) {
    auto known = std::find_if(hosts_.begin(), hosts_.end(),
                              [&](const FoundHost& h) { return h.address == from; });
    if (known == hosts_.end()) {
        if (hosts_.size() >= kMostHosts) return;
        hosts_.push_back(FoundHost{answer.name, from, answer.version, nowMs});
        return;
    }
    known->name = answer.name;
    known->version = answer.version;
    known->heardMs = nowMs;
}

bool cHostFinder::Poll(uint32_t nowMs) {
    if (!socket_.Open()) return false;
    if (!probed_ || nowMs - lastProbe_ >= kProbeIntervalMs) {
        probesSent_ += BroadcastDatagram(socket_, port_, probe_, sizeof probe_) > 0 ? 1 : 0;
        probed_ = true;
        lastProbe_ = nowMs;
    }
    uint8_t datagram[kLargestDatagram];
    const bool ok = DrainDatagrams(&socket_, datagram, sizeof datagram,
                                   [&](const uint8_t* bytes, size_t size, const NetAddress& from) {
        HostAnswer answer;
        if (ParseDiscoveryAnswer(bytes, size, nonce_, &answer)) Take(answer, from, nowMs);
        return true;
    });
    hosts_.erase(std::remove_if(hosts_.begin(), hosts_.end(),
                                [&](const FoundHost& h) { return nowMs - h.heardMs > kForgetMs; }),
                 hosts_.end());
    return ok;
}

bool FindHostsOnLan(uint16_t port, uint32_t listenMs, uint32_t giveUpMs,
                    const std::function<bool()>& cancelled, std::vector<FoundHost>* hosts,
                    std::string* why) {
    cHostFinder finder;
    if (!finder.Start(port, why)) return false;
    const uint32_t start = timeGetTime();
    for (;;) {
        const uint32_t now = timeGetTime();
        if (!finder.Poll(now)) {
            *why = "looking for a game failed: cannot receive on the search's socket";
            return false;
        }
        const uint32_t waited = now - start;
        if ((waited >= listenMs && !finder.Hosts().empty()) || waited >= giveUpMs) break;
        if (cancelled && cancelled()) {
            *why = "cancelled while looking for a game";
            return false;
        }
        finder.Wait(20);
    }
    *hosts = finder.Hosts();
    if (!hosts->empty()) return true;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3g", giveUpMs / 1000.0);
    *why = finder.ProbesSent() == 0 ? "cannot broadcast on this machine's networks to look for a game"
                                    : std::string("no game answered on the local network within ") +
                                          seconds + " s (port " + std::to_string(port) + ")";
    return false;
}
