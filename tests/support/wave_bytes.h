// Building WAV files byte by byte for the sound tests (little-endian fields).
#pragma once

#include <cstdint>
#include <vector>

using Bytes = std::vector<uint8_t>;

inline void Put16(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
inline void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
inline void PutId(Bytes& b, const char* id) { b.insert(b.end(), id, id + 4); }
