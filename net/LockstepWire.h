// The step-for-step game's bytes, over one stream.
//
// The greeting, both ways first: HELLO, 24 bytes: "KAZIRO", the protocol
// number, the input delay this machine asks for (0xFF: none), the game's
// version (16 bytes, NUL-padded). Then the host measures the round trip with
// PINGs ('P' and a sequence byte, echoed as they came) and sends START: 'S',
// the delay, two zero bytes, the seed.
//
// Then only two kinds of message: the 29-byte pad-state message (kind byte
// 0, then a 28-byte pad record) and the 1-byte quit notice (kind byte 1). A
// player's record travels in the pad record: its buttons in button bytes 0
// to 6 (the digit keys in 4 to 6), x and y as the bits of their floats in
// the X and Y axes. Button bytes 7 to 11 stay zero; the Z and RZ axes carry
// a checksum of the sender's game state and the step it was taken after.
// Every number little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "input/Controls.h"
#include "input/PadState.h"

constexpr uint8_t kMessagePadState = 0;
constexpr uint8_t kMessageQuit = 1;
constexpr size_t kPadStateSize = 28;
constexpr size_t kPadMessageSize = 1 + kPadStateSize;

constexpr size_t kHelloSize = 24;
constexpr uint8_t kProtocolVersion = 1;
constexpr size_t kPingSize = 2;
constexpr size_t kStartSize = 8;

// The pad record's 28 bytes: the button bytes, then x, y, z and rz.
void EncodePadState(const PadState& state, uint8_t bytes[kPadStateSize]);
PadState DecodePadState(const uint8_t bytes[kPadStateSize]);

// A player's record in a pad record, and back (a coordinate no screen has is put at rest).
PadState PackControls(const PlayerControls& controls);
PlayerControls UnpackControls(const PadState& pad);

struct LockstepHello {
    uint8_t protocol = kProtocolVersion;
    uint8_t delayWish = 0xFF;
    std::string version;
};
void EncodeLockstepHello(const LockstepHello& hello, uint8_t bytes[kHelloSize]);
// False when the bytes do not start with "KAZIRO": not a kaziro that greets.
bool ParseLockstepHello(const uint8_t bytes[kHelloSize], LockstepHello* hello);

struct LockstepStart {
    uint8_t delay = 0;
    uint32_t seed = 0;
};
void EncodeLockstepStart(const LockstepStart& start, uint8_t bytes[kStartSize]);
// False when the bytes are not a START.
bool ParseLockstepStart(const uint8_t bytes[kStartSize], LockstepStart* start);
