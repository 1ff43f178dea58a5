// A replay: the game as it was played, as bytes. The game is a pure function
// of its seed and the records each step applies, so a replay is a short
// header and those records, with a checksum of the state every 60 steps to
// show that the replay still plays the same game.
//
//   header, 32 bytes:
//     0   8  "KZREPLAY"
//     8   2  format version, little-endian (kReplayFormat)
//     10  1  players, 1 to 4
//     11  1  0
//     12  4  seed, little-endian
//     16  16 the game's version, NUL-padded
//   then for every step, one 12-byte record per player (EncodeRecord), and
//   after every 60th step the 4-byte state checksum after that step;
//   then the trailer, 12 bytes: "KZEN", the number of steps and the checksum
//   after the last step, both little-endian.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "game/RecordWire.h"
#include "input/Controls.h"

constexpr uint16_t kReplayFormat = 1;
constexpr uint32_t kReplayChecksumEvery = 60;
constexpr size_t kReplayHeaderBytes = 32;
constexpr size_t kReplayTrailerBytes = 12;

struct Replay {
    int players = 1;
    uint32_t seed = 0;
    std::string version;  // of the game that recorded it
    // The records of every step, `players` at a time.
    std::vector<PlayerControls> records;
    // The state checksum after steps 60, 120, ...; then after the last step.
    std::vector<uint32_t> checksums;
    uint32_t finalChecksum = 0;

    uint32_t Steps() const { return players > 0 ? static_cast<uint32_t>(records.size()) / players : 0; }
};

// The header's bytes for a game of `players` from `seed`.
std::vector<uint8_t> ReplayHeader(uint32_t seed, int players, const char* version);
// One step's bytes: its records, and the checksum when the step is a 60th.
void AppendReplayStep(std::vector<uint8_t>* out, const PlayerControls records[], int players,
                      uint32_t step, uint32_t checksum);
// The trailer after `steps` steps.
std::vector<uint8_t> ReplayTrailer(uint32_t steps, uint32_t checksum);

// Reads a whole replay. False, with one line in *error, for bytes that are
// not a replay, a newer format, a file cut short or damaged anywhere.
bool ParseReplay(const uint8_t* bytes, size_t size, Replay* replay, std::string* error);
