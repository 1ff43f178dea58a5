// A player's record of one step as bytes: 12 of them, as replays keep it and
// the game's datagrams carry it.
//
//   0  4  x, the bits of the float, little-endian
//   4  4  y, likewise
//   8  1  bit 0 turn left, 1 turn right, 2 confirm, 3 pause; 4-7 zero
//   9  3  the 18 digit bits, little-endian; the top 6 bits zero
#pragma once

#include <cstddef>
#include <cstdint>

#include "input/Controls.h"

constexpr size_t kRecordBytes = 12;

void EncodeRecord(const PlayerControls& record, uint8_t bytes[kRecordBytes]);
// False for bytes no record makes: a coordinate that is not a number or lies
// a million pixels away, or a bit that means nothing.
bool DecodeRecord(const uint8_t bytes[kRecordBytes], PlayerControls* record);
