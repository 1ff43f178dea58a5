// The two-machine game's datagrams, as bytes. Every datagram starts with
// "KR", its kind and the protocol number; everything after is little-endian.
// The parsers read nothing past the size they are given and refuse what no
// game sends: unknown kinds, counts over the limits, records no player makes.
//
// The greeting (before the game):
//   HELLO   joiner → host, kNetHelloSize bytes: nonce (8), the game's version
//           (16, NUL-padded), the input delay asked for (0xFF: none), zero
//           padding. Repeated until answered.
//   WELCOME host → joiner: the nonce echoed, the session token (8), the seed
//           (4), the input delay (1), the host's version (16). Smaller than
//           a HELLO, as every answer is smaller than what it answers.
//   REFUSE  host → joiner: the nonce echoed, why (1: another version, 2:
//           a game already runs), the host's version (16).
//   PING/PONG: the token, a sequence byte, the asker's clock (4): the round
//           trip, measured several times. A PONG is the PING sent back.
//   READY   either way: the token. The joiner is ready to play.
// The game (both ways, once a step):
//   INPUT   the token, then: the steps of the other side's records held (4:
//           every step below this one), the step of the first record carried
//           (4), their count (1), the records (12 each: every record of this
//           side the other has not yet confirmed), the sender's next step
//           (4), its confirmed steps (4) and the checksums of all of them
//           folded into one (4), the sender's clock (4), the latest clock
//           received from the other side (4) and how long ago (2).
//   QUIT    an INPUT with the reason and the step it concerns (1 + 4)
//           before the records: the player quit, the game ended, or the
//           games went apart. Sent several times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "input/Controls.h"

constexpr uint8_t kNetProtocol = 2;
constexpr size_t kNetHelloSize = 64;
constexpr size_t kTokenSize = 8;
constexpr size_t kVersionSize = 16;
// Records one datagram carries at most: more than a second of a line's
// latency, far more than the game ever lets go unconfirmed.
constexpr size_t kMaxCarried = 64;
// The largest datagram the game sends or takes.
constexpr size_t kMaxDatagram = 4 + kTokenSize + 5 + 9 + kMaxCarried * kRecordBytes + 22;

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

// Why a game sends QUIT.
enum class QuitReason : uint8_t { PlayerQuit = 1, GameOver = 2, Desync = 3 };
// Why a host refuses a HELLO.
enum class RefuseReason : uint8_t { OtherVersion = 1, Busy = 2 };

struct Greeting {
    DatagramKind kind = DatagramKind::Hello;
    uint64_t nonce = 0;       // HELLO, WELCOME, REFUSE
    uint64_t token = 0;       // WELCOME, PING, PONG, READY
    std::string version;      // HELLO, WELCOME, REFUSE
    uint8_t delay = 0;        // HELLO: asked for (0xFF none); WELCOME: chosen
    uint32_t seed = 0;        // WELCOME
    uint8_t reason = 0;       // REFUSE
    uint8_t sequence = 0;     // PING, PONG
    uint32_t clock = 0;       // PING, PONG
};

struct GamePacket {
    bool quit = false;
    uint64_t token = 0;
    QuitReason reason = QuitReason::PlayerQuit;  // of a QUIT
    uint32_t reasonStep = 0;                     // of a QUIT: where the game ended or went apart
    uint32_t held = 0;           // the steps of the receiver's records the sender holds
    uint32_t first = 0;          // the step of records[0]
    std::vector<PlayerControls> records;
    uint32_t next = 0;           // the sender's next step
    uint32_t confirmed = 0;      // steps the sender has confirmed
    uint32_t checksum = 0;       // every confirmed step's state checksum, folded
    uint32_t clock = 0;          // the sender's clock when it sent this
    uint32_t echo = 0;           // the latest clock it received from the receiver
    uint16_t echoAge = 0;        // how long before sending it received that
};

// Writes a greeting datagram.
std::vector<uint8_t> EncodeGreeting(const Greeting& greeting);
// Reads a greeting; false for anything that is not one, whole and well-formed.
bool ParseGreeting(const uint8_t* data, size_t size, Greeting* greeting);

// Writes a game datagram (INPUT, or QUIT when packet.quit).
std::vector<uint8_t> EncodeGamePacket(const GamePacket& packet);
// Reads a game datagram; false for anything that is not one, whole and well-formed.
bool ParseGamePacket(const uint8_t* data, size_t size, GamePacket* packet);

// The kind of a datagram of ours, or 0 when it does not start as ours do.
uint8_t DatagramKindOf(const uint8_t* data, size_t size);
