#include "audio/WaveFile.h"

#include <cstdio>
#include <cstring>

#include "platform/data_files.h"

namespace {

uint16_t Read16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

uint32_t Read32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

bool IdIs(const uint8_t* p, const char* id) { return std::memcmp(p, id, 4) == 0; }

// One chunk: where its contents start and how long they are.
struct Chunk {
    size_t start = 0;
    uint32_t size = 0;
};

// Searches the chunks from position `from` up to `end` for one with the given
// id, stepping over each chunk's contents and its pad byte. The header must
// lie before `end`; the contents must lie within the file (fileSize).
bool FindChunk(const uint8_t* data, size_t fileSize, size_t from, size_t end, const char* id,
               Chunk* found) {
    size_t pos = from;
    while (pos <= end && end - pos >= 8) {
        const uint32_t size = Read32(data + pos + 4);
        const size_t start = pos + 8;
        if (IdIs(data + pos, id)) {
            if (size > fileSize - start) return false;  // claims more than the file holds
            found->start = start;
            found->size = size;
            return true;
        }
        const uint64_t next = static_cast<uint64_t>(start) + size + (size & 1u);
        if (next > end) return false;
        pos = static_cast<size_t>(next);
    }
    return false;
}

bool PlayablePcm(const WaveFormat& f) {
    if (f.formatTag != kWaveFormatPcm) return false;
    if (f.channels < 1 || f.channels > 8) return false;
    if (f.samplesPerSec < 1000 || f.samplesPerSec > 384000) return false;
    if (f.bitsPerSample != 8 && f.bitsPerSample != 16 && f.bitsPerSample != 32) return false;
    return f.blockAlign != 0 && f.blockAlign == f.channels * (f.bitsPerSample / 8);
}

}  // namespace

bool ReadWaveFormat(const uint8_t* data, size_t size, WaveFormat* format, size_t* dataOffset,
                    uint32_t* dataSize) {
    if (!data || size < 12) return false;
    // The first chunk: a RIFF (or LIST) chunk carries a form type before its
    // sub-chunks; its end is clamped to the file.
    const uint32_t riffSize = Read32(data + 4);
    const bool hasForm = IdIs(data, "RIFF") || IdIs(data, "LIST");
    const size_t first = hasForm ? 12 : 8;
    const uint64_t riffEnd = 8 + static_cast<uint64_t>(riffSize);
    const size_t end = riffEnd < size ? static_cast<size_t>(riffEnd) : size;

    Chunk fmt;
    if (!FindChunk(data, size, first, end, "fmt ", &fmt) || fmt.size < 16) return false;
    WaveFormat f;
    const uint8_t* p = data + fmt.start;
    f.formatTag = Read16(p);
    f.channels = Read16(p + 2);
    f.samplesPerSec = Read32(p + 4);
    f.avgBytesPerSec = Read32(p + 8);
    f.blockAlign = Read16(p + 12);
    f.bitsPerSample = Read16(p + 14);
    f.extraSize = 0;
    if (!PlayablePcm(f)) return false;

    // Out of the format chunk, then on to "data".
    const uint64_t after = static_cast<uint64_t>(fmt.start) + fmt.size + (fmt.size & 1u);
    if (after > end) return false;
    Chunk sound;
    if (!FindChunk(data, size, static_cast<size_t>(after), end, "data", &sound)) return false;

    *format = f;
    *dataOffset = sound.start;
    *dataSize = sound.size - sound.size % f.blockAlign;  // whole sample frames only
    return true;
}

WaveReadResult ReadWaveFile(const char* fileName, WaveFormat* format, std::vector<uint8_t>* pcm) {
    // Found in the working folder, beside the program or in the installed data.
    std::FILE* file = fileName ? std::fopen(FindDataFile(fileName).c_str(), "rb") : nullptr;
    if (!file) return WaveReadResult::CannotOpen;
    std::vector<uint8_t> bytes;
    uint8_t block[16384];
    bool ok = true;
    for (;;) {
        const size_t n = std::fread(block, 1, sizeof block, file);
        if (n > 0) {
            if (bytes.size() + n > kMaxWaveFileBytes) {
                ok = false;
                break;
            }
            bytes.insert(bytes.end(), block, block + n);
        }
        if (n < sizeof block) {
            if (std::ferror(file)) ok = false;
            break;
        }
    }
    std::fclose(file);
    if (!ok) return WaveReadResult::Invalid;

    WaveFormat f;
    size_t offset = 0;
    uint32_t length = 0;
    if (!ReadWaveFormat(bytes.data(), bytes.size(), &f, &offset, &length)) {
        return WaveReadResult::Invalid;
    }
    *format = f;
    pcm->assign(bytes.begin() + static_cast<std::ptrdiff_t>(offset),
                bytes.begin() + static_cast<std::ptrdiff_t>(offset + length));
    return WaveReadResult::Ok;
}
