#include "game/RecordWire.h"

#include <cmath>

#include "game/Bytes.h"

namespace {

constexpr uint32_t kAllDigits = (1u << 18) - 1;

}  // namespace

void EncodeRecord(const PlayerControls& r, uint8_t bytes[kRecordBytes]) {
    PutLittle(bytes, FloatBits(r.x), 4);
    PutLittle(bytes + 4, FloatBits(r.y), 4);
    bytes[8] = static_cast<uint8_t>((r.turnLeft ? 1 : 0) | (r.turnRight ? 2 : 0) |
                                    (r.confirm ? 4 : 0) | (r.pause ? 8 : 0));
    PutLittle(bytes + 9, r.digits & kAllDigits, 3);
}

bool DecodeRecord(const uint8_t bytes[kRecordBytes], PlayerControls* r) {
    const float x = BitsFloat(static_cast<uint32_t>(GetLittle(bytes, 4)));
    const float y = BitsFloat(static_cast<uint32_t>(GetLittle(bytes + 4, 4)));
    const uint32_t digits = static_cast<uint32_t>(GetLittle(bytes + 9, 3));
    if (!(std::fabs(x) < 1.0e6f) || !(std::fabs(y) < 1.0e6f)) return false;
    if ((bytes[8] & 0xF0u) != 0 || (digits & ~kAllDigits) != 0) return false;
    r->x = x;
    r->y = y;
    r->turnLeft = bytes[8] & 1u;
    r->turnRight = (bytes[8] >> 1) & 1u;
    r->confirm = (bytes[8] >> 2) & 1u;
    r->pause = (bytes[8] >> 3) & 1u;
    r->digits = digits;
    return true;
}
