#include "net/GameWire.h"

namespace {

// What follows the records: next, confirmed, checksum, clock, echo (4 each), echo age (2).
constexpr size_t kTailSize = 22;

}  // namespace

std::vector<uint8_t> EncodeGamePacket(const GamePacket& p) {
    ByteWriter w = StartDatagram(p.quit ? DatagramKind::Quit : DatagramKind::Input);
    w.U64(p.token);
    if (p.quit) {
        w.U8(static_cast<uint8_t>(p.reason));
        w.U32(p.reasonStep);
    }
    const size_t count = p.records.size() < kMaxCarried ? p.records.size() : kMaxCarried;
    w.U32(p.held);
    w.U32(p.first);
    w.U8(static_cast<uint8_t>(count));
    for (size_t i = 0; i < count; ++i) {
        uint8_t b[kRecordBytes];
        EncodeRecord(p.records[i], b);
        w.Raw(b, sizeof b);
    }
    w.U32(p.next);
    w.U32(p.confirmed);
    w.U32(p.checksum);
    w.U32(p.clock);
    w.U32(p.echo);
    w.U16(p.echoAge);
    return w.Take();
}

bool ParseGamePacket(const uint8_t* data, size_t size, GamePacket* p) {
    const uint8_t kind = DatagramKindOf(data, size);
    if (kind != static_cast<uint8_t>(DatagramKind::Input) && kind != static_cast<uint8_t>(DatagramKind::Quit)) {
        return false;
    }
    if (size > kMaxDatagram) return false;
    ByteReader r(data + kDatagramHeaderSize, size - kDatagramHeaderSize);
    GamePacket out;
    out.quit = kind == static_cast<uint8_t>(DatagramKind::Quit);
    if (!r.U64(&out.token)) return false;
    if (out.quit) {
        uint8_t reason = 0;
        if (!r.U8(&reason) || !r.U32(&out.reasonStep)) return false;
        if (reason < 1 || reason > 3) return false;
        out.reason = static_cast<QuitReason>(reason);
    }
    uint8_t count = 0;
    if (!r.U32(&out.held) || !r.U32(&out.first) || !r.U8(&count) || count > kMaxCarried) return false;
    if (r.Left() != count * kRecordBytes + kTailSize) return false;
    out.records.resize(count);
    for (PlayerControls& record : out.records) {
        if (!DecodeRecord(r.Here(), &record) || !r.Skip(kRecordBytes)) return false;
    }
    if (!r.U32(&out.next) || !r.U32(&out.confirmed) || !r.U32(&out.checksum) || !r.U32(&out.clock) ||
        !r.U32(&out.echo) || !r.U16(&out.echoAge)) {
        return false;
    }
    *p = std::move(out);
    return true;
}
