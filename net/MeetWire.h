// The meeting server's datagrams, as bytes: how two games behind home routers
// find each other by a room code (kaziro-meet, UDP port 47801).
//
// Every datagram of this protocol starts with "KM", its kind and the protocol
// number; everything after is little-endian. Game datagrams start with "KR"
// and discovery with "KZD", so one socket tells them apart. The parsers read
// nothing past the size they are given and refuse what no game or server
// sends.
//
// An endpoint (19 bytes): family (1: 0 none, 4 IPv4, 6 IPv6), port (2), the
// address (16; IPv4 in the first 4, the rest zero). Unused endpoints are all
// zero. A code is 6 characters of kMeetAlphabet (no 0/O, no 1/I/L).
//
// Requests (a game → the server), every one kMeetRequestSize (128) bytes,
// zero-padded, so that no answer is ever larger than what asked for it:
//
// | Kind      | Bytes after the header                                        |
// |-----------|---------------------------------------------------------------|
// | OPEN  'O' | nonce (8), the host's local endpoints (4 × 19)                |
// | KEEP  'K' | nonce (8), code (6): the room is held while the host waits    |
// | JOIN  'J' | nonce (8), code (6), the joiner's local endpoints (4 × 19)    |
// | RELAY 'R' | nonce (8), code (6): no candidate answered; relay the room    |
// | SEEN  'S' | nonce (8), code (6), the kind received (1: 'p' or 'r')        |
// | DONE  'D' | nonce (8), code (6): a candidate answered; met directly       |
//
// Answers and notices (the server → a game), at most 121 bytes:
//
// | Kind         | Bytes after the header                                     |
// |--------------|------------------------------------------------------------|
// | OPENED   'o' | nonce (8), code (6), the endpoint the server saw (19),     |
// |              | seconds the code waits for its joiner (2)                  |
// | KEPT     'k' | nonce (8), code (6), seconds the code still waits (2)      |
// | PEER     'p' | nonce (8), code (6), the meeting key (8), the other side's |
// |              | endpoint as the server saw it (19), its local ones (4 × 19)|
// | RELAYING 'r' | nonce (8), code (6): the server relays this room           |
// | ERROR    'e' | nonce (8), why (1: MeetError)                              |
//
// The nonce is the receiver's own (the one its request carried): a game takes
// only answers to its nonce, and the server takes a room's requests only from
// the address and nonce that made or joined it. The host learns of its joiner
// by a PEER sent to it unasked, repeated until a SEEN comes back; the joiner
// gets its PEER as the answer to JOIN. A PEER lists the other side's IPv6
// endpoints only when the receiver has one too. The meeting key, the same for
// both sides, lets the two tell each other's probes from a stranger's.
//
// Relaying: once a room relays, every datagram that does not start with "KM"
// and comes from one of its two registered endpoints goes, unchanged, to the
// other (within the room's rate), so the game's own datagrams and their
// session token pass end to end. Nothing else is ever forwarded.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/datagram.h"

constexpr uint8_t kMeetProtocol = 1;
constexpr uint16_t kMeetPort = 47801;
constexpr size_t kMeetRequestSize = 128;
constexpr size_t kMeetCodeLength = 6;
constexpr size_t kMeetLocals = 4;
constexpr size_t kMeetEndpointSize = 19;
// The characters of a room code: no 0/O, no 1/I/L.
constexpr char kMeetAlphabet[] = "23456789ABCDEFGHJKMNPQRSTUVWXYZ";
constexpr uint32_t kMeetAlphabetSize = sizeof kMeetAlphabet - 1;
// The largest datagram a room's relay forwards (the game's largest is smaller).
constexpr size_t kMeetMaxRelayed = 1200;

enum class MeetKind : uint8_t {
    Open = 'O',
    Keep = 'K',
    Join = 'J',
    Relay = 'R',
    Seen = 'S',
    Done = 'D',
    Opened = 'o',
    Kept = 'k',
    Peer = 'p',
    Relaying = 'r',
    Error = 'e',
};

// Why the server refuses a request.
enum class MeetError : uint8_t {
    UnknownCode = 1,    // no room has this code: never opened, expired or closed
    RoomFull = 2,       // the room has its two players (a code is used once)
    ServerFull = 3,     // the server holds as many rooms (or relays) as it may
    OtherProtocol = 4,  // the game speaks another version of this protocol
};

struct MeetMessage {
    MeetKind kind = MeetKind::Open;
    uint64_t nonce = 0;
    std::string code;               // all but OPEN and ERROR
    Endpoint seen;                  // OPENED: the asker's, as the server saw it; PEER: the other side's
    Endpoint locals[kMeetLocals];   // OPEN, JOIN: the sender's; PEER: the other side's
    uint64_t key = 0;               // PEER
    uint16_t seconds = 0;           // OPENED, KEPT
    uint8_t detail = 0;             // SEEN: the kind received; ERROR: a MeetError
};

// Whether a datagram starts as this protocol's do ("KM"): the server's own,
// never relayed.
bool IsMeetDatagram(const uint8_t* data, size_t size);
// Writes a message; requests are padded to kMeetRequestSize.
std::vector<uint8_t> EncodeMeet(const MeetMessage& message);
// Reads a message; false for anything that is not one, whole and well-formed.
bool ParseMeet(const uint8_t* data, size_t size, MeetMessage* message);
// Whether the datagram is a request of another protocol version; then *nonce
// is the nonce where this version has it (the server's ERROR echoes it).
bool IsOtherMeetProtocol(const uint8_t* data, size_t size, uint64_t* nonce);
// Whether the kind is a request (a game → the server).
bool IsMeetRequest(MeetKind kind);

// A code as typed: spaces and dashes dropped, lower case raised; "" when the
// rest is not 6 characters of the alphabet.
std::string NormalizeMeetCode(const std::string& typed);
// A code as a number below 31^6, and back (codes of other lengths or
// characters: UINT32_MAX).
uint32_t MeetCodeNumber(const std::string& code);
std::string MeetCodeText(uint32_t number);
