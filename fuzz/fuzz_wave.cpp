// Fuzz target: the chunk walk of the sound effects' WAV files.
#include <cstddef>
#include <cstdint>

#include "audio/WaveFile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    WaveFormat format;
    size_t offset = 0;
    uint32_t bytes = 0;
    if (ReadWaveFormat(data, size, &format, &offset, &bytes)) {
        // What the walk accepts must lie inside the file and be whole frames.
        if (offset > size || bytes > size - offset) __builtin_trap();
        if (format.blockAlign == 0 || bytes % format.blockAlign != 0) __builtin_trap();
        if (format.formatTag != kWaveFormatPcm || format.channels == 0) __builtin_trap();
        volatile uint8_t sum = 0;
        for (size_t i = 0; i < bytes; ++i) sum = sum + data[offset + i];  // every byte is readable
    }
    return 0;
}
