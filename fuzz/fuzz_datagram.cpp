// Fuzz target: the game's datagram parser, as the game port meets any bytes
// from anyone. What it takes is a packet the game could have sent: within
// the limits, and written back to exactly the bytes it was read from.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "net/GameWire.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    GamePacket packet;
    if (!ParseGamePacket(data, size, &packet)) return 0;
    if (size > kMaxDatagram || packet.records.size() > kMaxCarried) __builtin_trap();
    const std::vector<uint8_t> again = EncodeGamePacket(packet);
    if (again.size() != size || std::memcmp(again.data(), data, size) != 0) __builtin_trap();
    return 0;
}
