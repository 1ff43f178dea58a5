// Finding a hosting game on the local network, as bytes.
//
// A probe is 32 bytes: "KZDP", the discovery protocol number, three zero
// bytes, the asker's 8-byte nonce, 16 bytes of padding. The answer is 32
// bytes too: "KZDA", the protocol number, three zero bytes, the nonce
// echoed, and the host's game version (16 bytes, NUL-padded). An answer is
// never larger than its probe. The parsers read nothing past the size they
// are given.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

constexpr size_t kProbeSize = 32;
constexpr size_t kProbeAnswerSize = 32;
constexpr size_t kDiscoveryVersionSize = 16;
constexpr uint8_t kDiscoveryProtocol = 1;

// Whether a datagram starts as a probe does (the game port's other traffic can be told apart).
bool IsDiscoveryProbe(const uint8_t* data, size_t size);
// Writes a probe carrying `nonce` into probe[0..kProbeSize).
void WriteDiscoveryProbe(uint64_t nonce, uint8_t* probe);
// Writes the answer to a probe of `size` bytes: its size (never over `size`), 0 if it is no probe.
size_t AnswerDiscoveryProbe(const uint8_t* probe, size_t size, const char* version, uint8_t* answer,
                            size_t capacity);
// Whether `size` bytes answer the probe with `nonce`; then *version holds the host's version.
bool ParseDiscoveryAnswer(const uint8_t* data, size_t size, uint64_t nonce, std::string* version);
