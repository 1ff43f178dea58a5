// Reading the sound effects' WAV files: the chunk walk that finds the PCM
// format and the sound's bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// The format record of a WAV file: the first 16 bytes of its "fmt " chunk
// (WAVEFORMATEX), extraSize always 0.
struct WaveFormat {
    uint16_t formatTag = 0;        // 1: uncompressed PCM
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;       // bytes per sample frame
    uint16_t bitsPerSample = 0;
    uint16_t extraSize = 0;
};

constexpr uint16_t kWaveFormatPcm = 1;

// Walks the chunks of a WAV file held in memory: descends into the first
// chunk (a RIFF chunk; its form type is not compared), finds "fmt " among its
// sub-chunks and reads the 16 bytes of PCM fields, then finds "data" after it.
// Gives the format, the offset of the sound's bytes and their size (whole
// sample frames). False, with nothing written, for a file that is truncated,
// lacks either chunk, has a chunk that runs past the end of the file, or holds
// a sound that is not uncompressed 8-, 16- or 32-bit PCM with 1 to 8
// channels, a sane rate and a block alignment that matches them.
bool ReadWaveFormat(const uint8_t* data, size_t size, WaveFormat* format, size_t* dataOffset,
                    uint32_t* dataSize);

// Outcome of reading a WAV file from disk.
enum class WaveReadResult { Ok, CannotOpen, Invalid };

// Reads a whole WAV file and walks it: *format and *pcm (the sound's bytes)
// on Ok. Files larger than kMaxWaveFileBytes are Invalid.
constexpr size_t kMaxWaveFileBytes = 64u << 20;
WaveReadResult ReadWaveFile(const char* fileName, WaveFormat* format, std::vector<uint8_t>* pcm);
