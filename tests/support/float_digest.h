// Digests of many float results, compared bit for bit with a reference: each
// value's bits, FNV-1a over their little-endian bytes (as the reference
// script computes it).
#pragma once

#include <cstdint>
#include <cstring>

inline uint32_t Bits(float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    return bits;
}

struct Digest {
    uint32_t hash = 0x811C9DC5u;
    void Add(uint32_t value) {
        for (int i = 0; i < 4; ++i) hash = (hash ^ ((value >> (8 * i)) & 0xFFu)) * 0x01000193u;
    }
};
