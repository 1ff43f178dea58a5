#include "net/MeetWire.h"

#include <cstring>

#include "game/Bytes.h"

namespace {

constexpr uint8_t kMagic0 = 'K';
constexpr uint8_t kMagic1 = 'M';

class Writer : public ByteWriter {
public:
    explicit Writer(MeetKind kind) {
        U8(kMagic0);
        U8(kMagic1);
        U8(static_cast<uint8_t>(kind));
        U8(kMeetProtocol);
    }
    void Code(const std::string& code) {
        char text[kMeetCodeLength] = {};
        std::memcpy(text, code.data(), code.size() < sizeof text ? code.size() : sizeof text);
        Raw(text, sizeof text);
    }
    void Address(const Endpoint& e) {
        const bool valid = e.Valid();
        U8(valid ? e.family : 0);
        U16(valid ? e.port : 0);
        uint8_t ip[16] = {};
        if (valid) std::memcpy(ip, e.ip, e.family == 4 ? 4 : 16);
        Raw(ip, sizeof ip);
    }
};

class Reader : public ByteReader {
public:
    using ByteReader::ByteReader;
    bool Code(std::string* code) {
        char text[kMeetCodeLength];
        if (!Raw(text, sizeof text)) return false;
        code->assign(text, sizeof text);
        return MeetCodeNumber(*code) != UINT32_MAX;
    }
    // An endpoint as a game or the server writes it: unused ones all zero,
    // an IPv4 address with nothing after its 4 bytes, a port with an address.
    bool Address(Endpoint* e) {
        uint8_t family = 0;
        uint16_t port = 0;
        uint8_t ip[16];
        if (!U8(&family) || !U16(&port) || !Raw(ip, sizeof ip)) return false;
        *e = Endpoint{};
        const uint8_t zero[16] = {};
        if (family == 0) return port == 0 && std::memcmp(ip, zero, 16) == 0;
        if ((family != 4 && family != 6) || port == 0) return false;
        if (family == 4 && std::memcmp(ip + 4, zero, 12) != 0) return false;
        e->family = family;
        e->port = port;
        std::memcpy(e->ip, ip, 16);
        return true;
    }
    bool Addresses(Endpoint (&locals)[kMeetLocals]) {
        for (Endpoint& e : locals) {
            if (!Address(&e)) return false;
        }
        return true;
    }
};

// The size of an answer of each kind (requests are all kMeetRequestSize).
size_t AnswerSize(MeetKind kind) {
    switch (kind) {
        case MeetKind::Opened: return 4 + 8 + kMeetCodeLength + kMeetEndpointSize + 2;
        case MeetKind::Kept: return 4 + 8 + kMeetCodeLength + 2;
        case MeetKind::Peer: return 4 + 8 + kMeetCodeLength + 8 + kMeetEndpointSize * (1 + kMeetLocals);
        case MeetKind::Relaying: return 4 + 8 + kMeetCodeLength;
        case MeetKind::Error: return 4 + 8 + 1;
        default: return 0;
    }
}
static_assert(4 + 8 + kMeetCodeLength + 8 + kMeetEndpointSize * (1 + kMeetLocals) <= kMeetRequestSize,
              "no answer is larger than a request");

bool KnownKind(uint8_t kind) {
    switch (static_cast<MeetKind>(kind)) {
        case MeetKind::Open: case MeetKind::Keep: case MeetKind::Join: case MeetKind::Relay:
        case MeetKind::Seen: case MeetKind::Done: case MeetKind::Opened: case MeetKind::Kept:
        case MeetKind::Peer: case MeetKind::Relaying: case MeetKind::Error:
            return true;
    }
    return false;
}

}  // namespace

bool IsMeetDatagram(const uint8_t* data, size_t size) {
    return size >= 2 && data[0] == kMagic0 && data[1] == kMagic1;
}

bool IsMeetRequest(MeetKind kind) {
    switch (kind) {
        case MeetKind::Open: case MeetKind::Keep: case MeetKind::Join: case MeetKind::Relay:
        case MeetKind::Seen: case MeetKind::Done:
            return true;
        default:
            return false;
    }
}

std::vector<uint8_t> EncodeMeet(const MeetMessage& m) {
    Writer w(m.kind);
    w.U64(m.nonce);
    switch (m.kind) {
        case MeetKind::Open:
            for (const Endpoint& e : m.locals) w.Address(e);
            break;
        case MeetKind::Join:
            w.Code(m.code);
            for (const Endpoint& e : m.locals) w.Address(e);
            break;
        case MeetKind::Keep:
        case MeetKind::Relay:
        case MeetKind::Done:
        case MeetKind::Relaying:
            w.Code(m.code);
            break;
        case MeetKind::Seen:
            w.Code(m.code);
            w.U8(m.detail);
            break;
        case MeetKind::Opened:
            w.Code(m.code);
            w.Address(m.seen);
            w.U16(m.seconds);
            break;
        case MeetKind::Kept:
            w.Code(m.code);
            w.U16(m.seconds);
            break;
        case MeetKind::Peer:
            w.Code(m.code);
            w.U64(m.key);
            w.Address(m.seen);
            for (const Endpoint& e : m.locals) w.Address(e);
            break;
        case MeetKind::Error:
            w.U8(m.detail);
            break;
    }
    if (IsMeetRequest(m.kind)) w.PadTo(kMeetRequestSize);
    return w.Take();
}

bool ParseMeet(const uint8_t* data, size_t size, MeetMessage* m) {
    if (size < 4 || !IsMeetDatagram(data, size) || data[3] != kMeetProtocol || !KnownKind(data[2])) {
        return false;
    }
    MeetMessage out;
    out.kind = static_cast<MeetKind>(data[2]);
    // Requests come whole, padding and all; answers have their exact size.
    if (size != (IsMeetRequest(out.kind) ? kMeetRequestSize : AnswerSize(out.kind))) return false;
    Reader r(data + 4, size - 4);
    bool ok = r.U64(&out.nonce);
    switch (out.kind) {
        case MeetKind::Open:
            ok = ok && r.Addresses(out.locals);
            break;
        case MeetKind::Join:
            ok = ok && r.Code(&out.code) && r.Addresses(out.locals);
            break;
        case MeetKind::Keep:
        case MeetKind::Relay:
        case MeetKind::Done:
        case MeetKind::Relaying:
            ok = ok && r.Code(&out.code);
            break;
        case MeetKind::Seen:
            ok = ok && r.Code(&out.code) && r.U8(&out.detail) &&
                 (out.detail == static_cast<uint8_t>(MeetKind::Peer) ||
                  out.detail == static_cast<uint8_t>(MeetKind::Relaying));
            break;
        case MeetKind::Opened:
            ok = ok && r.Code(&out.code) && r.Address(&out.seen) && out.seen.Valid() && r.U16(&out.seconds);
            break;
        case MeetKind::Kept:
            ok = ok && r.Code(&out.code) && r.U16(&out.seconds);
            break;
        case MeetKind::Peer:
            ok = ok && r.Code(&out.code) && r.U64(&out.key) && r.Address(&out.seen) && out.seen.Valid() &&
                 r.Addresses(out.locals);
            break;
        case MeetKind::Error:
            ok = ok && r.U8(&out.detail) && out.detail >= 1 && out.detail <= 4;
            break;
    }
    if (ok) *m = std::move(out);
    return ok;
}

bool IsOtherMeetProtocol(const uint8_t* data, size_t size, uint64_t* nonce) {
    if (size != kMeetRequestSize || !IsMeetDatagram(data, size) || data[3] == kMeetProtocol) return false;
    ByteReader r(data + 4, size - 4);
    return r.U64(nonce);
}

std::string NormalizeMeetCode(const std::string& typed) {
    std::string code;
    for (char c : typed) {
        if (c == ' ' || c == '-') continue;
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
        code.push_back(c);
        if (code.size() > kMeetCodeLength) return "";
    }
    return MeetCodeNumber(code) == UINT32_MAX ? "" : code;
}

uint32_t MeetCodeNumber(const std::string& code) {
    if (code.size() != kMeetCodeLength) return UINT32_MAX;
    uint32_t number = 0;
    for (char c : code) {
        const char* at = c ? std::strchr(kMeetAlphabet, c) : nullptr;
        if (!at) return UINT32_MAX;
        number = number * kMeetAlphabetSize + static_cast<uint32_t>(at - kMeetAlphabet);
    }
    return number;
}

std::string MeetCodeText(uint32_t number) {
    std::string code(kMeetCodeLength, kMeetAlphabet[0]);
    for (size_t i = kMeetCodeLength; i-- > 0;) {
        code[i] = kMeetAlphabet[number % kMeetAlphabetSize];
        number /= kMeetAlphabetSize;
    }
    return code;
}
