// The greeting of a two-machine game over datagrams, before its first step.
//
//   HELLO   joiner → host, kNetHelloSize bytes: nonce (8), the game's version
//           (16, NUL-padded), the input delay asked for (0xFF: none), the
//           fingerprint of the rules' arithmetic (4), zero padding. Repeated
//           until answered.
//   WELCOME host → joiner: the nonce echoed, the session token (8), the seed
//           (4), the input delay (1), the host's version (16). Smaller than
//           a HELLO, as every answer is smaller than what it answers.
//   REFUSE  host → joiner: the nonce echoed, why (1: another version, 2:
//           a game already runs, 3: the arithmetic differs), the host's
//           version (16), the host's arithmetic fingerprint (4).
//   PING/PONG: the token, a sequence byte, the asker's clock (4): the round
//           trip, measured several times. A PONG is the PING sent back.
//   READY   either way: the token. The joiner is ready to play.
// Each after the 4-byte header of net/DatagramWire.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "net/DatagramWire.h"

constexpr size_t kNetHelloSize = 64;

// Why a host refuses a HELLO.
enum class RefuseReason : uint8_t { OtherVersion = 1, Busy = 2, OtherArithmetic = 3 };

struct Greeting {
    DatagramKind kind = DatagramKind::Hello;
    uint64_t nonce = 0;       // HELLO, WELCOME, REFUSE
    uint64_t token = 0;       // WELCOME, PING, PONG, READY
    std::string version;      // HELLO, WELCOME, REFUSE
    uint8_t delay = 0;        // HELLO: asked for (0xFF none); WELCOME: chosen
    uint32_t seed = 0;        // WELCOME
    uint8_t reason = 0;       // REFUSE
    uint32_t fingerprint = 0;  // HELLO, REFUSE: of the rules' arithmetic (game/Fingerprint.h)
    uint8_t sequence = 0;     // PING, PONG
    uint32_t clock = 0;       // PING, PONG
};

// Writes a greeting datagram.
std::vector<uint8_t> EncodeGreeting(const Greeting& greeting);
// Reads a greeting; false for anything that is not one, whole and well-formed.
bool ParseGreeting(const uint8_t* data, size_t size, Greeting* greeting);
