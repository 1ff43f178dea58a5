// Finding a hosting game on the local network.
//
// A joining machine broadcasts a probe (net/DiscoveryWire.h) to the game
// port; a host answers it from that port, so the answer's source is the
// address to join. A host answers at most kProbeAnswersPerSecond probes a
// second in all, so a forged source address cannot make a host flood anyone.
// A joining machine takes the first answer to its nonce, from whichever
// address it comes, and prints nothing itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "net/DiscoveryWire.h"
#include "platform/datagram.h"

constexpr uint32_t kProbeAnswersPerSecond = 4;
// How often a joining machine sends its probe while it searches.
constexpr uint32_t kProbeIntervalMs = 250;

// Lets at most kProbeAnswersPerSecond answers out in any second, whoever asks.
class ProbeRateLimit {
public:
    // Whether an answer may go out at nowMs (a wrapping millisecond clock); counts it when it may.
    bool Allow(uint32_t nowMs);

private:
    uint32_t sent_[kProbeAnswersPerSecond] = {};  // when the latest answers went out, oldest first
    uint32_t count_ = 0;
};

// The host's side: answers the probes that arrive on its game port.
class DiscoveryResponder {
public:
    // `version`: the game version the answers carry.
    explicit DiscoveryResponder(std::string version) : version_(std::move(version)) {}
    // Answers a probe received at nowMs within the rate; false when the datagram is no probe.
    bool Handle(const DatagramSocket& socket, const uint8_t* data, size_t size,
                const NetAddress& from, uint32_t nowMs);
    // How many probes were answered so far.
    uint32_t Answered() const { return answered_; }

private:
    std::string version_;
    ProbeRateLimit limit_;
    uint32_t answered_ = 0;
};

// Broadcasts a probe every kProbeIntervalMs until a host answers or timeoutMs pass; else *why.
bool FindHostOnLan(uint16_t port, uint32_t timeoutMs, NetAddress* address, std::string* version,
                   std::string* why);
