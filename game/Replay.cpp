#include "game/Replay.h"

#include <cstring>

#include "game/Bytes.h"

namespace {

constexpr char kMagic[8] = {'K', 'Z', 'R', 'E', 'P', 'L', 'A', 'Y'};
constexpr char kEnd[4] = {'K', 'Z', 'E', 'N'};

void Put(std::vector<uint8_t>* out, uint32_t v, int bytes) {
    uint8_t b[4];
    PutLittle(b, v, bytes);
    out->insert(out->end(), b, b + bytes);
}

uint32_t Get(const uint8_t* p, int bytes) { return static_cast<uint32_t>(GetLittle(p, bytes)); }

}  // namespace

std::vector<uint8_t> ReplayHeader(uint32_t seed, int players, const char* version) {
    std::vector<uint8_t> out(kMagic, kMagic + sizeof kMagic);
    Put(&out, kReplayFormat, 2);
    out.push_back(static_cast<uint8_t>(players));
    out.push_back(0);
    Put(&out, seed, 4);
    char text[16] = {};
    std::memcpy(text, version, strnlen(version, sizeof text));
    out.insert(out.end(), text, text + sizeof text);
    return out;
}

void AppendReplayStep(std::vector<uint8_t>* out, const PlayerControls records[], int players,
                      uint32_t step, uint32_t checksum) {
    for (int p = 0; p < players; ++p) {
        uint8_t bytes[kRecordBytes];
        EncodeRecord(records[p], bytes);
        out->insert(out->end(), bytes, bytes + sizeof bytes);
    }
    if ((step + 1) % kReplayChecksumEvery == 0) Put(out, checksum, 4);
}

std::vector<uint8_t> ReplayTrailer(uint32_t steps, uint32_t checksum) {
    std::vector<uint8_t> out(kEnd, kEnd + sizeof kEnd);
    Put(&out, steps, 4);
    Put(&out, checksum, 4);
    return out;
}

bool ParseReplay(const uint8_t* bytes, size_t size, Replay* replay, std::string* error) {
    if (size < sizeof kMagic || std::memcmp(bytes, kMagic, sizeof kMagic) != 0) {
        *error = "not a kaziro replay";
        return false;
    }
    if (size < kReplayHeaderBytes) {
        *error = "cut short in its header";
        return false;
    }
    const uint32_t format = Get(bytes + 8, 2);
    if (format > kReplayFormat) {
        *error = "made by a newer kaziro (replay format " + std::to_string(format) +
                 "; this one reads " + std::to_string(kReplayFormat) + ")";
        return false;
    }
    const int players = bytes[10];
    if (format == 0 || players < 1 || players > kMaxPlayers || bytes[11] != 0) {
        *error = "damaged header";
        return false;
    }
    Replay r;
    r.players = players;
    r.seed = Get(bytes + 12, 4);
    const char* version = reinterpret_cast<const char*>(bytes + 16);
    r.version.assign(version, strnlen(version, 16));

    // Everything after the header but the trailer is steps; the trailer says
    // how many, and the size must be exactly what that many steps take.
    if (size < kReplayHeaderBytes + kReplayTrailerBytes ||
        std::memcmp(bytes + size - kReplayTrailerBytes, kEnd, sizeof kEnd) != 0) {
        *error = "cut short: it has no end (the game that wrote it did not finish it)";
        return false;
    }
    const uint8_t* trailer = bytes + size - kReplayTrailerBytes;
    const uint64_t steps = Get(trailer + 4, 4);
    const uint64_t stepBytes = kRecordBytes * static_cast<uint64_t>(players);
    const uint64_t body = steps * stepBytes + (steps / kReplayChecksumEvery) * 4;
    if (body != size - kReplayHeaderBytes - kReplayTrailerBytes) {
        *error = "damaged: its length does not match the " + std::to_string(steps) +
                 " steps it says it holds";
        return false;
    }
    r.finalChecksum = Get(trailer + 8, 4);
    r.records.resize(static_cast<size_t>(steps) * static_cast<size_t>(players));
    r.checksums.reserve(static_cast<size_t>(steps / kReplayChecksumEvery));
    const uint8_t* p = bytes + kReplayHeaderBytes;
    for (uint64_t step = 0; step < steps; ++step) {
        for (int pl = 0; pl < players; ++pl, p += kRecordBytes) {
            if (!DecodeRecord(p, &r.records[static_cast<size_t>(step) * players + pl])) {
                *error = "damaged at step " + std::to_string(step);
                return false;
            }
        }
        if ((step + 1) % kReplayChecksumEvery == 0) {
            r.checksums.push_back(Get(p, 4));
            p += 4;
        }
    }
    *replay = std::move(r);
    return true;
}
