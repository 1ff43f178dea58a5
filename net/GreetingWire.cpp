#include "net/GreetingWire.h"

std::vector<uint8_t> EncodeGreeting(const Greeting& g) {
    ByteWriter w = StartDatagram(g.kind);
    switch (g.kind) {
        case DatagramKind::Hello:
            w.U64(g.nonce);
            w.Text(g.version, kVersionSize);
            w.U8(g.delay);
            w.U32(g.fingerprint);
            w.PadTo(kNetHelloSize);
            break;
        case DatagramKind::Welcome:
            w.U64(g.nonce);
            w.U64(g.token);
            w.U32(g.seed);
            w.U8(g.delay);
            w.Text(g.version, kVersionSize);
            break;
        case DatagramKind::Refuse:
            w.U64(g.nonce);
            w.U8(g.reason);
            w.Text(g.version, kVersionSize);
            w.U32(g.fingerprint);
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
    if (kind == 0) return false;
    ByteReader r(data + kDatagramHeaderSize, size - kDatagramHeaderSize);
    Greeting out;
    out.kind = static_cast<DatagramKind>(kind);
    bool ok = false;
    switch (out.kind) {
        case DatagramKind::Hello:
            // Only a whole HELLO: its padding makes it as large as any answer.
            ok = size == kNetHelloSize && r.U64(&out.nonce) && r.Text(&out.version, kVersionSize) &&
                 r.U8(&out.delay) && r.U32(&out.fingerprint);
            break;
        case DatagramKind::Welcome:
            ok = r.U64(&out.nonce) && r.U64(&out.token) && r.U32(&out.seed) && r.U8(&out.delay) &&
                 r.Text(&out.version, kVersionSize) && r.Left() == 0;
            break;
        case DatagramKind::Refuse:
            ok = r.U64(&out.nonce) && r.U8(&out.reason) && r.Text(&out.version, kVersionSize) &&
                 r.U32(&out.fingerprint) && r.Left() == 0;
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
