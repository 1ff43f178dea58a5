// Whole numbers as little-endian bytes, the order of every file and message
// the game writes, whatever the machine's own.
#pragma once

#include <cstdint>

// Writes the low `count` bytes of `value` at `bytes`, lowest first.
inline void PutLittle(uint8_t* bytes, uint64_t value, int count) {
    for (int i = 0; i < count; ++i) bytes[i] = static_cast<uint8_t>(value >> (8 * i));
}

// Reads `count` bytes at `bytes`, lowest first.
inline uint64_t GetLittle(const uint8_t* bytes, int count) {
    uint64_t value = 0;
    for (int i = 0; i < count; ++i) value |= static_cast<uint64_t>(bytes[i]) << (8 * i);
    return value;
}
