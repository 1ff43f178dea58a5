// Finding a hosting game on the local network, as bytes (protocol 2).
//
// A probe is 64 bytes: "KZDP", the discovery protocol number, three zero
// bytes, the asker's 8-byte nonce, 48 bytes of zero padding. The answer is 64
// bytes too: "KZDA", the protocol number, three zero bytes, the nonce echoed,
// the host's game version (16 bytes, NUL-padded) and its name (32 bytes,
// NUL-padded: the machine's name, cut to fit). An answer is never larger
// than its probe: the probe is padded to the answer's size. The parsers read
// nothing past the size they are given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t kProbeSize = 64;
constexpr size_t kProbeAnswerSize = 64;
constexpr size_t kDiscoveryVersionSize = 16;
constexpr size_t kDiscoveryNameSize = 32;
constexpr uint8_t kDiscoveryProtocol = 2;

// What an answer says about the host.
struct HostAnswer {
    std::string version;
    std::string name;  // printable ASCII; any other byte reads as '?'
};

// Whether a datagram starts as a probe does (the game port's other traffic can be told apart).
bool IsDiscoveryProbe(const uint8_t* data, size_t size);
// Writes a probe carrying `nonce` into probe[0..kProbeSize).
void WriteDiscoveryProbe(uint64_t nonce, uint8_t* probe);
// Writes the answer to a probe of `size` bytes: its size (never over `size`), 0 if it is no probe.
size_t AnswerDiscoveryProbe(const uint8_t* probe, size_t size, const char* version, const char* name,
                            uint8_t* answer, size_t capacity);
// Whether `size` bytes answer the probe with `nonce`; then *host says what they tell.
bool ParseDiscoveryAnswer(const uint8_t* data, size_t size, uint64_t nonce, HostAnswer* host);
