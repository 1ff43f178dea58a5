#include "net/Discovery.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>

namespace {

constexpr uint8_t kProbeMagic[4] = {'K', 'Z', 'D', 'P'};
constexpr uint8_t kAnswerMagic[4] = {'K', 'Z', 'D', 'A'};
constexpr size_t kNonceOffset = 8;
constexpr size_t kVersionOffset = 16;
// A probe as large as a datagram may be: the receive buffer of both sides.
constexpr size_t kLargestDatagram = 512;

// Magic, protocol number and three zero bytes.
bool HasHeader(const uint8_t* data, size_t size, const uint8_t (&magic)[4]) {
    return size >= kVersionOffset && std::memcmp(data, magic, 4) == 0 &&
           data[4] == kDiscoveryProtocol && data[5] == 0 && data[6] == 0 && data[7] == 0;
}

void WriteHeader(uint8_t* out, const uint8_t (&magic)[4]) {
    std::memcpy(out, magic, 4);
    out[4] = kDiscoveryProtocol;
    out[5] = out[6] = out[7] = 0;
}

void WriteNonce(uint64_t nonce, uint8_t* out) {
    for (int i = 0; i < 8; ++i) out[i] = static_cast<uint8_t>(nonce >> (8 * i));
}

uint64_t ReadNonce(const uint8_t* in) {
    uint64_t nonce = 0;
    for (int i = 0; i < 8; ++i) nonce |= static_cast<uint64_t>(in[i]) << (8 * i);
    return nonce;
}

uint64_t NewNonce() {
    std::random_device device;
    return (static_cast<uint64_t>(device()) << 32) ^ device();
}

}  // namespace

bool IsDiscoveryProbe(const uint8_t* data, size_t size) {
    return size >= 4 && std::memcmp(data, kProbeMagic, 4) == 0;
}

void WriteDiscoveryProbe(uint64_t nonce, uint8_t* probe) {
    std::memset(probe, 0, kProbeSize);
    WriteHeader(probe, kProbeMagic);
    WriteNonce(nonce, probe + kNonceOffset);
}

size_t AnswerDiscoveryProbe(const uint8_t* probe, size_t size, const char* version, uint8_t* answer,
                            size_t capacity) {
    if (size < kProbeSize || capacity < kProbeAnswerSize || !HasHeader(probe, size, kProbeMagic)) {
        return 0;
    }
    static_assert(kProbeAnswerSize <= kProbeSize, "an answer is never larger than its probe");
    std::memset(answer, 0, kProbeAnswerSize);
    WriteHeader(answer, kAnswerMagic);
    std::memcpy(answer + kNonceOffset, probe + kNonceOffset, 8);
    for (size_t i = 0; version && i < kDiscoveryVersionSize && version[i]; ++i) {
        answer[kVersionOffset + i] = static_cast<uint8_t>(version[i]);
    }
    return kProbeAnswerSize;
}

bool ParseDiscoveryAnswer(const uint8_t* data, size_t size, uint64_t nonce, std::string* version) {
    if (size != kProbeAnswerSize || !HasHeader(data, size, kAnswerMagic) ||
        ReadNonce(data + kNonceOffset) != nonce) {
        return false;
    }
    version->clear();
    for (size_t i = kVersionOffset; i < kVersionOffset + kDiscoveryVersionSize && data[i]; ++i) {
        version->push_back(data[i] >= 0x20 && data[i] < 0x7F ? static_cast<char>(data[i]) : '?');
    }
    return true;
}

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
    const uint64_t nonce = NewNonce();
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
        NetAddress from;
        long n = 0;
        while (!found && !failed &&
               (n = ReceiveDatagram(&socket, datagram, sizeof datagram, &from)) != 0) {
            failed = n < 0;
            if (!failed && ParseDiscoveryAnswer(datagram, static_cast<size_t>(n), nonce, version)) {
                *address = from;
                found = true;
            }
        }
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
