// The datagrams of a two-machine game at play, both ways, once a step; each
// after the 4-byte header of net/DatagramWire.h.
//
//   INPUT   the token (8), then: the steps of the other side's records held
//           (4: every step below this one), the step of the first record
//           carried (4), their count (1), the records (12 each: every record
//           of this side the other has not yet confirmed), the sender's next
//           step (4), its confirmed steps (4) and the checksums of all of them
//           folded into one (4), the sender's clock (4), the latest clock
//           received from the other side (4) and how long ago (2).
//   QUIT    an INPUT with the reason and the step it concerns (1 + 4)
//           after the token: the player quit, the game ended, or the games
//           went apart. Sent several times.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "net/DatagramWire.h"

// Why a game sends QUIT.
enum class QuitReason : uint8_t { PlayerQuit = 1, GameOver = 2, Desync = 3 };

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

// Writes a game datagram (INPUT, or QUIT when packet.quit); at most kMaxCarried records.
std::vector<uint8_t> EncodeGamePacket(const GamePacket& packet);
// Reads a game datagram; false for anything that is not one, whole and well-formed.
bool ParseGamePacket(const uint8_t* data, size_t size, GamePacket* packet);
