#include "input/PadState.h"

#include <cstring>

namespace {

void Put32(uint8_t* bytes, int32_t value) {
    const uint32_t v = static_cast<uint32_t>(value);
    for (int i = 0; i < 4; ++i) bytes[i] = static_cast<uint8_t>(v >> (8 * i));
}

int32_t Get32(const uint8_t* bytes) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes[i]) << (8 * i);
    return static_cast<int32_t>(v);
}

}  // namespace

void EncodePadState(const PadState& state, uint8_t bytes[kPadStateBytes]) {
    std::memcpy(bytes, state.buttons, sizeof state.buttons);
    Put32(bytes + 12, state.x);
    Put32(bytes + 16, state.y);
    Put32(bytes + 20, state.z);
    Put32(bytes + 24, state.rz);
}

PadState DecodePadState(const uint8_t bytes[kPadStateBytes]) {
    PadState state;
    std::memcpy(state.buttons, bytes, sizeof state.buttons);
    state.x = Get32(bytes + 12);
    state.y = Get32(bytes + 16);
    state.z = Get32(bytes + 20);
    state.rz = Get32(bytes + 24);
    return state;
}
