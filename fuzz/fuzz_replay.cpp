// Fuzz target: the replay reader. Any bytes are read to a replay or refused
// with one line; what is read is what the bytes hold, and it writes back to
// the same bytes.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "game/Replay.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Replay replay;
    std::string error;
    if (!ParseReplay(data, size, &replay, &error)) {
        if (error.empty() || error.find('\n') != std::string::npos) __builtin_trap();
        return 0;
    }
    const uint32_t steps = replay.Steps();
    if (replay.records.size() != static_cast<size_t>(steps) * replay.players) __builtin_trap();
    // Written again, the replay is the same bytes, up to its version's padding.
    std::vector<uint8_t> again = ReplayHeader(replay.seed, replay.players, replay.version.c_str());
    uint32_t c = 0;
    for (uint32_t step = 0; step < steps; ++step) {
        const bool checked = (step + 1) % kReplayChecksumEvery == 0;
        AppendReplayStep(&again, &replay.records[static_cast<size_t>(step) * replay.players],
                         replay.players, step, checked ? replay.checksums[c] : 0);
        c += checked ? 1 : 0;
    }
    const std::vector<uint8_t> end = ReplayTrailer(steps, replay.finalChecksum);
    again.insert(again.end(), end.begin(), end.end());
    if (again.size() != size) __builtin_trap();
    for (size_t i = kReplayHeaderBytes; i < size; ++i) {
        if (again[i] != data[i]) __builtin_trap();
    }
    return 0;
}
