#include "net/DiscoveryWire.h"

#include <cstring>

#include "game/Bytes.h"

namespace {

constexpr uint8_t kProbeMagic[4] = {'K', 'Z', 'D', 'P'};
constexpr uint8_t kAnswerMagic[4] = {'K', 'Z', 'D', 'A'};
constexpr size_t kNonceOffset = 8;
constexpr size_t kVersionOffset = 16;

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

}  // namespace

bool IsDiscoveryProbe(const uint8_t* data, size_t size) {
    return size >= 4 && std::memcmp(data, kProbeMagic, 4) == 0;
}

void WriteDiscoveryProbe(uint64_t nonce, uint8_t* probe) {
    std::memset(probe, 0, kProbeSize);
    WriteHeader(probe, kProbeMagic);
    PutLittle(probe + kNonceOffset, nonce, 8);
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
        GetLittle(data + kNonceOffset, 8) != nonce) {
        return false;
    }
    version->clear();
    for (size_t i = kVersionOffset; i < kVersionOffset + kDiscoveryVersionSize && data[i]; ++i) {
        version->push_back(data[i] >= 0x20 && data[i] < 0x7F ? static_cast<char>(data[i]) : '?');
    }
    return true;
}
