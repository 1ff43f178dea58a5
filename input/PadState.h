// The pad record: one pad's buttons and axes for one step. The pad-state
// exchange sends it as 28 bytes, its 32-bit fields little-endian.
#pragma once

#include <cstddef>
#include <cstdint>

// 28 bytes, no padding. A record that was never filled is all zero.
struct PadState {
    uint8_t buttons[12];  // physical buttons 0 to 11: 0 up, non-zero down (a pad gives 0x80)
    int32_t x;            // axes: absolute positions 0 to 65536, about 32768 when centred
    int32_t y;
    int32_t z;
    int32_t rz;
};

static_assert(sizeof(PadState) == 28, "PadState is 28 bytes on the wire");
static_assert(offsetof(PadState, buttons) == 0, "PadState.buttons at offset 0");
static_assert(offsetof(PadState, x) == 12, "PadState.x at offset 12");
static_assert(offsetof(PadState, y) == 16, "PadState.y at offset 16");
static_assert(offsetof(PadState, z) == 20, "PadState.z at offset 20");
static_assert(offsetof(PadState, rz) == 24, "PadState.rz at offset 24");

// The record's size on the wire.
constexpr size_t kPadStateBytes = 28;

// The wire form: the button bytes, then x, y, z and rz little-endian, on any
// machine whatever its own byte order.
void EncodePadState(const PadState& state, uint8_t bytes[kPadStateBytes]);
PadState DecodePadState(const uint8_t bytes[kPadStateBytes]);
