// The two-machine game's datagrams: what they all share. Every datagram of
// the game starts with "KR", its kind and the protocol number; everything
// after is little-endian. The greeting's datagrams are in net/GreetingWire.h,
// the game's own (INPUT, QUIT) in net/GameWire.h. The parsers read nothing
// past the size they are given and refuse what no game sends: unknown kinds,
// counts over the limits, records no player makes.
#pragma once

#include <cstddef>
#include <cstdint>

#include "game/Bytes.h"
#include "game/RecordWire.h"

constexpr uint8_t kNetProtocol = 2;
constexpr size_t kDatagramHeaderSize = 4;
constexpr size_t kTokenSize = 8;
constexpr size_t kVersionSize = 16;
// Records one datagram carries at most: more than a second of a line's
// latency, far more than the game ever lets go unconfirmed.
constexpr size_t kMaxCarried = 64;
// The largest datagram the game sends or takes: a QUIT carrying every record.
constexpr size_t kMaxDatagram = kDatagramHeaderSize + kTokenSize + 5 + 9 + kMaxCarried * kRecordBytes + 22;

enum class DatagramKind : uint8_t {
    Hello = 'H',
    Welcome = 'W',
    Refuse = 'X',
    Ping = 'P',
    Pong = 'O',
    Ready = 'R',
    Input = 'I',
    Quit = 'Q',
};

// A writer that has put down the header of a datagram of `kind`.
inline ByteWriter StartDatagram(DatagramKind kind) {
    return ByteWriter({'K', 'R', static_cast<uint8_t>(kind), kNetProtocol});
}

// The kind of a datagram of ours, or 0 when it does not start as ours do.
inline uint8_t DatagramKindOf(const uint8_t* data, size_t size) {
    if (size < kDatagramHeaderSize || data[0] != 'K' || data[1] != 'R' || data[3] != kNetProtocol) {
        return 0;
    }
    return data[2];
}
