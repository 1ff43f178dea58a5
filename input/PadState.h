// The pad record: one pad's buttons and axes for one step, as the input
// sampling keeps it.
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
