#include "net/DiscoveryWire.h"

#include <cstring>

#include "game/Bytes.h"

namespace {

constexpr uint8_t kProbeMagic[4] = {'K', 'Z', 'D', 'P'};
constexpr uint8_t kAnswerMagic[4] = {'K', 'Z', 'D', 'A'};
constexpr size_t kNonceOffset = 8;
constexpr size_t kVersionOffset = 16;
constexpr size_t kNameOffset = kVersionOffset + kDiscoveryVersionSize;
static_assert(kNameOffset + kDiscoveryNameSize == kProbeAnswerSize, "the answer's fields fill it");

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

// Up to `size` bytes of `text`, NUL-padded.
void PutText(uint8_t* out, size_t size, const char* text) {
    for (size_t i = 0; text && i < size && text[i]; ++i) out[i] = static_cast<uint8_t>(text[i]);
}

// A NUL-padded field as text; bytes that are not printable ASCII read as '?'.
std::string GetText(const uint8_t* in, size_t size) {
    std::string text;
    for (size_t i = 0; i < size && in[i]; ++i) {
        text.push_back(in[i] >= 0x20 && in[i] < 0x7F ? static_cast<char>(in[i]) : '?');
    }
    return text;
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

size_t AnswerDiscoveryProbe(const uint8_t* probe, size_t size, const char* version, const char* name,
                            uint8_t* answer, size_t capacity) {
    if (size < kProbeSize || capacity < kProbeAnswerSize || !HasHeader(probe, size, kProbeMagic)) {
        return 0;
    }
    static_assert(kProbeAnswerSize <= kProbeSize, "an answer is never larger than its probe");
    std::memset(answer, 0, kProbeAnswerSize);
    WriteHeader(answer, kAnswerMagic);
    std::memcpy(answer + kNonceOffset, probe + kNonceOffset, 8);
    PutText(answer + kVersionOffset, kDiscoveryVersionSize, version);
    PutText(answer + kNameOffset, kDiscoveryNameSize, name);
    return kProbeAnswerSize;
}

bool ParseDiscoveryAnswer(const uint8_t* data, size_t size, uint64_t nonce, HostAnswer* host) {
    if (size != kProbeAnswerSize || !HasHeader(data, size, kAnswerMagic) ||
        GetLittle(data + kNonceOffset, 8) != nonce) {
        return false;
    }
    host->version = GetText(data + kVersionOffset, kDiscoveryVersionSize);
    host->name = GetText(data + kNameOffset, kDiscoveryNameSize);
    return true;
}
