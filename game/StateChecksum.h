// A checksum of the game's whole state after a step: the scene, the board
// with its paddles and every die, the spawn rhythm and the generator's
// position. Two machines playing one game compare it to find a desync.
#pragma once

#include <cstdint>

class cSequence;

// FNV-1a over 32-bit values, fed in a fixed order.
class cStateHash {
public:
    void Add(uint32_t value);
    void Add(int32_t value) { Add(static_cast<uint32_t>(value)); }
    void Add(float value);
    void Add(bool value) { Add(static_cast<uint32_t>(value ? 1 : 0)); }
    uint32_t value = 0x811C9DC5u;
};

// The checksum of the scene below the root (the board or the result scene)
// and of the program-wide state the game steps on.
uint32_t StateChecksum(const cSequence* scene);
