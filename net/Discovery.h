// Finding a hosting game on the local network.
//
// A joining machine broadcasts a probe to the game port; a host answers it
// from that port, so the answer's source is the address to join. A probe is
// 32 bytes: "KZDP", the discovery protocol number, three zero bytes, the
// asker's 8-byte nonce, 16 bytes of padding. The answer is 32 bytes too:
// "KZDA", the protocol number, three zero bytes, the nonce echoed, and the
// host's game version (16 bytes, NUL-padded). An answer is never larger than
// its probe, and a host answers at most kProbeAnswersPerSecond probes a
// second in all, so a forged source address cannot make a host flood anyone.
// The parsers read nothing past the size they are given. A joining machine
// takes the first answer to its nonce, from whichever address it comes, and
// prints nothing itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>

#include "platform/datagram.h"

constexpr size_t kProbeSize = 32;
constexpr size_t kProbeAnswerSize = 32;
constexpr size_t kDiscoveryVersionSize = 16;
constexpr uint8_t kDiscoveryProtocol = 1;
constexpr uint32_t kProbeAnswersPerSecond = 4;
// How often a joining machine sends its probe while it searches.
constexpr uint32_t kProbeIntervalMs = 250;

// Whether a datagram starts as a probe does (the game port's other traffic can be told apart).
bool IsDiscoveryProbe(const uint8_t* data, size_t size);
// Writes a probe carrying `nonce` into probe[0..kProbeSize).
void WriteDiscoveryProbe(uint64_t nonce, uint8_t* probe);
// Writes the answer to a probe of `size` bytes: its size (never over `size`), 0 if it is no probe.
size_t AnswerDiscoveryProbe(const uint8_t* probe, size_t size, const char* version, uint8_t* answer,
                            size_t capacity);
// Whether `size` bytes answer the probe with `nonce`; then *version holds the host's version.
bool ParseDiscoveryAnswer(const uint8_t* data, size_t size, uint64_t nonce, std::string* version);

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
