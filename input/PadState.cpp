#include "input/PadState.h"

#include <cstring>

#include "input/LittleEndian.h"


void EncodePadState(const PadState& state, uint8_t bytes[kPadStateBytes]) {
    std::memcpy(bytes, state.buttons, sizeof state.buttons);
    PutLittle(bytes + 12, static_cast<uint32_t>(state.x), 4);
    PutLittle(bytes + 16, static_cast<uint32_t>(state.y), 4);
    PutLittle(bytes + 20, static_cast<uint32_t>(state.z), 4);
    PutLittle(bytes + 24, static_cast<uint32_t>(state.rz), 4);
}

PadState DecodePadState(const uint8_t bytes[kPadStateBytes]) {
    PadState state;
    std::memcpy(state.buttons, bytes, sizeof state.buttons);
    state.x = static_cast<int32_t>(GetLittle(bytes + 12, 4));
    state.y = static_cast<int32_t>(GetLittle(bytes + 16, 4));
    state.z = static_cast<int32_t>(GetLittle(bytes + 20, 4));
    state.rz = static_cast<int32_t>(GetLittle(bytes + 24, 4));
    return state;
}
