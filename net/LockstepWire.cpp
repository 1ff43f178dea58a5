#include "net/LockstepWire.h"

#include <cstring>

#include "game/Bytes.h"

namespace {

constexpr char kMagic[6] = {'K', 'A', 'Z', 'I', 'R', 'O'};

}  // namespace

void EncodePadState(const PadState& state, uint8_t bytes[kPadStateSize]) {
    std::memcpy(bytes, state.buttons, sizeof state.buttons);
    PutLittle(bytes + 12, static_cast<uint32_t>(state.x), 4);
    PutLittle(bytes + 16, static_cast<uint32_t>(state.y), 4);
    PutLittle(bytes + 20, static_cast<uint32_t>(state.z), 4);
    PutLittle(bytes + 24, static_cast<uint32_t>(state.rz), 4);
}

PadState DecodePadState(const uint8_t bytes[kPadStateSize]) {
    PadState state;
    std::memcpy(state.buttons, bytes, sizeof state.buttons);
    state.x = static_cast<int32_t>(GetLittle(bytes + 12, 4));
    state.y = static_cast<int32_t>(GetLittle(bytes + 16, 4));
    state.z = static_cast<int32_t>(GetLittle(bytes + 20, 4));
    state.rz = static_cast<int32_t>(GetLittle(bytes + 24, 4));
    return state;
}

PadState PackControls(const PlayerControls& c) {
    PadState pad{};
    pad.buttons[0] = c.turnLeft ? 1 : 0;
    pad.buttons[1] = c.turnRight ? 1 : 0;
    pad.buttons[2] = c.confirm ? 1 : 0;
    pad.buttons[3] = c.pause ? 1 : 0;
    pad.buttons[4] = static_cast<uint8_t>(c.digits & 0xFFu);
    pad.buttons[5] = static_cast<uint8_t>((c.digits >> 8) & 0xFFu);
    pad.buttons[6] = static_cast<uint8_t>((c.digits >> 16) & 0x03u);
    pad.x = static_cast<int32_t>(FloatBits(c.x));
    pad.y = static_cast<int32_t>(FloatBits(c.y));
    return pad;
}

PlayerControls UnpackControls(const PadState& pad) {
    PlayerControls c;
    c.turnLeft = pad.buttons[0] ? 1 : 0;
    c.turnRight = pad.buttons[1] ? 1 : 0;
    c.confirm = pad.buttons[2] ? 1 : 0;
    c.pause = pad.buttons[3] ? 1 : 0;
    c.digits = static_cast<uint32_t>(pad.buttons[4]) | (static_cast<uint32_t>(pad.buttons[5]) << 8) |
               ((static_cast<uint32_t>(pad.buttons[6]) & 0x03u) << 16);
    c.x = BitsFloat(static_cast<uint32_t>(pad.x));
    c.y = BitsFloat(static_cast<uint32_t>(pad.y));
    return SaneRecord(c);
}

void EncodeLockstepHello(const LockstepHello& hello, uint8_t bytes[kHelloSize]) {
    std::memset(bytes, 0, kHelloSize);
    std::memcpy(bytes, kMagic, sizeof kMagic);
    bytes[6] = hello.protocol;
    bytes[7] = hello.delayWish;
    // The version fills up to all 16 bytes, NUL-padded (not terminated).
    std::memcpy(bytes + 8, hello.version.data(), hello.version.size() < 16 ? hello.version.size() : 16);
}

bool ParseLockstepHello(const uint8_t bytes[kHelloSize], LockstepHello* hello) {
    if (std::memcmp(bytes, kMagic, sizeof kMagic) != 0) return false;
    hello->protocol = bytes[6];
    hello->delayWish = bytes[7];
    const char* text = reinterpret_cast<const char*>(bytes + 8);
    hello->version.assign(text, strnlen(text, 16));
    return true;
}

void EncodeLockstepStart(const LockstepStart& start, uint8_t bytes[kStartSize]) {
    bytes[0] = 'S';
    bytes[1] = start.delay;
    bytes[2] = bytes[3] = 0;
    PutLittle(bytes + 4, start.seed, 4);
}

bool ParseLockstepStart(const uint8_t bytes[kStartSize], LockstepStart* start) {
    if (bytes[0] != 'S') return false;
    start->delay = bytes[1];
    start->seed = static_cast<uint32_t>(GetLittle(bytes + 4, 4));
    return true;
}
