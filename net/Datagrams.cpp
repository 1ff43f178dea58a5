#include "net/Datagrams.h"

#include <cstring>

#include "net/WireBytes.h"

namespace {

constexpr uint8_t kMagic0 = 'K';
constexpr uint8_t kMagic1 = 'R';

class Writer : public ByteWriter {
public:
    explicit Writer(DatagramKind kind) {
        U8(kMagic0);
        U8(kMagic1);
        U8(static_cast<uint8_t>(kind));
        U8(kNetProtocol);
    }
    void Text(const std::string& s) {
        char text[kVersionSize] = {};
        std::memcpy(text, s.data(), s.size() < sizeof text ? s.size() : sizeof text);
        Bytes(text, sizeof text);
    }
    void Record(const PlayerControls& r) {
        uint8_t b[kRecordBytes];
        EncodeRecord(r, b);
        Bytes(b, sizeof b);
    }
};

class Reader : public ByteReader {
public:
    using ByteReader::ByteReader;
    bool Text(std::string* s) {
        char text[kVersionSize];
        if (!Bytes(text, sizeof text)) return false;
        s->assign(text, strnlen(text, kVersionSize));
        return true;
    }
    bool Record(PlayerControls* r) {
        uint8_t b[kRecordBytes];
        return Bytes(b, sizeof b) && DecodeRecord(b, r);
    }
};

}  // namespace

uint8_t DatagramKindOf(const uint8_t* data, size_t size) {
    if (size < 4 || data[0] != kMagic0 || data[1] != kMagic1 || data[3] != kNetProtocol) return 0;
    return data[2];
}

std::vector<uint8_t> EncodeGreeting(const Greeting& g) {
    Writer w(g.kind);
    switch (g.kind) {
        case DatagramKind::Hello:
            w.U64(g.nonce);
            w.Text(g.version);
            w.U8(g.delay);
            w.PadTo(kNetHelloSize);
            break;
        case DatagramKind::Welcome:
            w.U64(g.nonce);
            w.U64(g.token);
            w.U32(g.seed);
            w.U8(g.delay);
            w.Text(g.version);
            break;
        case DatagramKind::Refuse:
            w.U64(g.nonce);
            w.U8(g.reason);
            w.Text(g.version);
            break;
        case DatagramKind::Ping:
        case DatagramKind::Pong:
            w.U64(g.token);
            w.U8(g.sequence);
            w.U32(g.clock);
            break;
        case DatagramKind::Ready:
            w.U64(g.token);
            break;
        default:
            break;
    }
    return w.Take();
}

bool ParseGreeting(const uint8_t* data, size_t size, Greeting* g) {
    const uint8_t kind = DatagramKindOf(data, size);
    Reader r(data + 4, size < 4 ? 0 : size - 4);
    Greeting out;
    out.kind = static_cast<DatagramKind>(kind);
    bool ok = false;
    switch (out.kind) {
        case DatagramKind::Hello:
            // Only a whole HELLO: its padding makes it as large as any answer.
            ok = size == kNetHelloSize && r.U64(&out.nonce) && r.Text(&out.version) && r.U8(&out.delay);
            break;
        case DatagramKind::Welcome:
            ok = r.U64(&out.nonce) && r.U64(&out.token) && r.U32(&out.seed) && r.U8(&out.delay) &&
                 r.Text(&out.version) && r.Left() == 0;
            break;
        case DatagramKind::Refuse:
            ok = r.U64(&out.nonce) && r.U8(&out.reason) && r.Text(&out.version) && r.Left() == 0;
            break;
        case DatagramKind::Ping:
        case DatagramKind::Pong:
            ok = r.U64(&out.token) && r.U8(&out.sequence) && r.U32(&out.clock) && r.Left() == 0;
            break;
        case DatagramKind::Ready:
            ok = r.U64(&out.token) && r.Left() == 0;
            break;
        default:
            return false;
    }
    if (ok) *g = std::move(out);
    return ok;
}

std::vector<uint8_t> EncodeGamePacket(const GamePacket& p) {
    Writer w(p.quit ? DatagramKind::Quit : DatagramKind::Input);
    w.U64(p.token);
    if (p.quit) {
        w.U8(static_cast<uint8_t>(p.reason));
        w.U32(p.reasonStep);
    }
    const size_t count = p.records.size() < kMaxCarried ? p.records.size() : kMaxCarried;
    w.U32(p.held);
    w.U32(p.first);
    w.U8(static_cast<uint8_t>(count));
    for (size_t i = 0; i < count; ++i) w.Record(p.records[i]);
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
    Reader r(data + 4, size - 4);
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
    if (r.Left() != count * kRecordBytes + 22) return false;
    out.records.resize(count);
    for (PlayerControls& record : out.records) {
        if (!r.Record(&record)) return false;
    }
    if (!r.U32(&out.next) || !r.U32(&out.confirmed) || !r.U32(&out.checksum) || !r.U32(&out.clock) ||
        !r.U32(&out.echo) || !r.U16(&out.echoAge)) {
        return false;
    }
    *p = std::move(out);
    return true;
}
