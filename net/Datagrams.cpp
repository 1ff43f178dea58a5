#include "net/Datagrams.h"

#include <cstring>

#include "input/LittleEndian.h"

namespace {

constexpr uint8_t kMagic0 = 'K';
constexpr uint8_t kMagic1 = 'R';

class Writer {
public:
    explicit Writer(DatagramKind kind) { bytes_ = {kMagic0, kMagic1, static_cast<uint8_t>(kind), kNetProtocol}; }
    void U8(uint8_t v) { bytes_.push_back(v); }
    void U16(uint16_t v) { Put(v, 2); }
    void U32(uint32_t v) { Put(v, 4); }
    void U64(uint64_t v) { Put(v, 8); }
    void Text(const std::string& s) {
        char text[kVersionSize] = {};
        std::memcpy(text, s.data(), s.size() < sizeof text ? s.size() : sizeof text);
        bytes_.insert(bytes_.end(), text, text + sizeof text);
    }
    void Record(const PlayerControls& r) {
        uint8_t b[kRecordBytes];
        EncodeRecord(r, b);
        bytes_.insert(bytes_.end(), b, b + sizeof b);
    }
    void PadTo(size_t size) {
        if (bytes_.size() < size) bytes_.resize(size, 0);
    }
    std::vector<uint8_t> Take() { return std::move(bytes_); }

private:
    void Put(uint64_t v, int n) {
        uint8_t b[8];
        PutLittle(b, v, n);
        bytes_.insert(bytes_.end(), b, b + n);
    }
    std::vector<uint8_t> bytes_;
};

// Reads within [data, data + size); every read past the end fails the reader.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : p_(data), end_(data + size) {}
    bool U8(uint8_t* v) { return Get(v, 1); }
    bool U16(uint16_t* v) { return Get(v, 2); }
    bool U32(uint32_t* v) { return Get(v, 4); }
    bool U64(uint64_t* v) { return Get(v, 8); }
    bool Text(std::string* s) {
        if (Left() < kVersionSize) return false;
        const char* text = reinterpret_cast<const char*>(p_);
        s->assign(text, strnlen(text, kVersionSize));
        p_ += kVersionSize;
        return true;
    }
    bool Record(PlayerControls* r) {
        if (Left() < kRecordBytes) return false;
        const bool ok = DecodeRecord(p_, r);
        p_ += kRecordBytes;
        return ok;
    }
    size_t Left() const { return static_cast<size_t>(end_ - p_); }

private:
    template <typename T>
    bool Get(T* v, int n) {
        if (Left() < static_cast<size_t>(n)) return false;
        *v = static_cast<T>(GetLittle(p_, n));
        p_ += n;
        return true;
    }
    const uint8_t* p_;
    const uint8_t* end_;
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
