// The WAV chunk walk on crafted files, good and bad, and on the generated sounds.

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "audio/WaveFile.h"
#include "support/wave_bytes.h"

namespace {


Bytes Chunk(const char* id, const Bytes& body, uint32_t claimed = UINT32_MAX) {
    Bytes b;
    PutId(b, id);
    Put32(b, claimed == UINT32_MAX ? static_cast<uint32_t>(body.size()) : claimed);
    b.insert(b.end(), body.begin(), body.end());
    if (body.size() & 1) b.push_back(0);
    return b;
}

Bytes Fmt(uint16_t tag, uint16_t channels, uint32_t rate, uint16_t align, uint16_t bits,
          size_t extra = 0) {
    Bytes b;
    Put16(b, tag);
    Put16(b, channels);
    Put32(b, rate);
    Put32(b, rate * align);
    Put16(b, align);
    Put16(b, bits);
    b.resize(b.size() + extra, 0);
    return Chunk("fmt ", b);
}

Bytes Riff(const std::vector<Bytes>& chunks, const char* form = "WAVE") {
    Bytes body;
    PutId(body, form);
    for (const Bytes& c : chunks) body.insert(body.end(), c.begin(), c.end());
    return Chunk("RIFF", body);
}

Bytes Samples(size_t n) {
    Bytes b(n);
    for (size_t i = 0; i < n; ++i) b[i] = static_cast<uint8_t>(i * 7);
    return b;
}

struct Walk {
    bool ok = false;
    WaveFormat format;
    size_t offset = 0;
    uint32_t size = 0;
};

Walk Read(const Bytes& file) {
    Walk w;
    w.ok = ReadWaveFormat(file.data(), file.size(), &w.format, &w.offset, &w.size);
    if (w.ok) {
        EXPECT_LE(w.offset + w.size, file.size()) << "the sound must lie inside the file";
    }
    return w;
}

TEST(WaveChunks, PlainMonoFile) {
    const Bytes file = Riff({Fmt(1, 1, 44100, 2, 16), Chunk("data", Samples(200))});
    const Walk w = Read(file);
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(w.format.formatTag, 1);
    EXPECT_EQ(w.format.channels, 1);
    EXPECT_EQ(w.format.samplesPerSec, 44100u);
    EXPECT_EQ(w.format.avgBytesPerSec, 88200u);
    EXPECT_EQ(w.format.blockAlign, 2);
    EXPECT_EQ(w.format.bitsPerSample, 16);
    EXPECT_EQ(w.format.extraSize, 0);
    EXPECT_EQ(w.offset, 44u);
    EXPECT_EQ(w.size, 200u);
}

TEST(WaveChunks, OtherChunksAndPaddingAreSteppedOver) {
    // An odd-sized chunk before "fmt ", an 18-byte format chunk and a chunk between.
    const Bytes file = Riff({Chunk("LIST", Samples(5)), Fmt(1, 2, 22050, 4, 16, 2),
                             Chunk("fact", Samples(3)), Chunk("data", Samples(64))});
    const Walk w = Read(file);
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(w.format.channels, 2);
    EXPECT_EQ(w.size, 64u);
    EXPECT_EQ(file[w.offset], 0);
    EXPECT_EQ(file[w.offset + 1], 7);
    EXPECT_EQ(std::string(file.begin() + w.offset - 8, file.begin() + w.offset - 4), "data");
}

TEST(WaveChunks, PartialFramesAreDropped) {
    const Walk w = Read(Riff({Fmt(1, 2, 44100, 4, 16), Chunk("data", Samples(10))}));
    ASSERT_TRUE(w.ok);
    EXPECT_EQ(w.size, 8u);
}

TEST(WaveChunks, RiffSizeLargerThanTheFileIsClampedToIt) {
    Bytes file = Riff({Fmt(1, 1, 8000, 1, 8), Chunk("data", Samples(16))});
    file[4] = file[5] = file[6] = file[7] = 0xFF;
    EXPECT_TRUE(Read(file).ok);
}

TEST(WaveChunks, BadFilesAreRefused) {
    const Bytes good = Riff({Fmt(1, 1, 44100, 2, 16), Chunk("data", Samples(100))});
    struct Case {
        const char* what;
        Bytes file;
    } cases[] = {
        {"empty", {}},
        {"no format chunk", Riff({Chunk("data", Samples(100))})},
        {"no data chunk", Riff({Fmt(1, 1, 44100, 2, 16)})},
        {"data before format", Riff({Chunk("data", Samples(100)), Fmt(1, 1, 44100, 2, 16)})},
        {"data claims beyond the file",
         Riff({Fmt(1, 1, 44100, 2, 16), Chunk("data", Samples(100), 1000)})},
        {"data claims 4 GiB", Riff({Fmt(1, 1, 44100, 2, 16), Chunk("data", Samples(8), 0xFFFFFFF0u)})},
        {"format chunk too short", Riff({Chunk("fmt ", Samples(14)), Chunk("data", Samples(10))})},
        {"format claims beyond the file", Riff({Chunk("fmt ", Samples(16), 0xFFFFFFFFu)})},
        {"IEEE float", Riff({Fmt(3, 1, 44100, 4, 32), Chunk("data", Samples(100))})},
        {"ADPCM", Riff({Fmt(2, 1, 44100, 2, 4), Chunk("data", Samples(100))})},
        {"zero channels", Riff({Fmt(1, 0, 44100, 2, 16), Chunk("data", Samples(100))})},
        {"zero rate", Riff({Fmt(1, 1, 0, 2, 16), Chunk("data", Samples(100))})},
        {"one hertz", Riff({Fmt(1, 1, 1, 2, 16), Chunk("data", Samples(100))})},
        {"zero block alignment", Riff({Fmt(1, 1, 44100, 0, 16), Chunk("data", Samples(100))})},
        {"block alignment against the fields", Riff({Fmt(1, 2, 44100, 2, 16), Chunk("data", Samples(100))})},
        {"24-bit", Riff({Fmt(1, 1, 44100, 3, 24), Chunk("data", Samples(99))})},
        {"nine channels", Riff({Fmt(1, 9, 44100, 18, 16), Chunk("data", Samples(180))})},
    };
    for (const Case& c : cases) {
        WaveFormat f;
        f.channels = 77;
        size_t offset = 1234;
        uint32_t size = 5678;
        EXPECT_FALSE(ReadWaveFormat(c.file.data(), c.file.size(), &f, &offset, &size)) << c.what;
        EXPECT_EQ(f.channels, 77) << c.what << ": nothing is written on failure";
        EXPECT_EQ(offset, 1234u) << c.what;
        EXPECT_EQ(size, 5678u) << c.what;
    }
    EXPECT_FALSE(ReadWaveFormat(nullptr, 100, nullptr, nullptr, nullptr));

    // Every cut of a good file is either refused or stays inside what is left.
    for (size_t cut = 0; cut < good.size(); ++cut) {
        const Bytes part(good.begin(), good.begin() + cut);
        const Walk w = Read(part);
        EXPECT_EQ(w.ok, false) << "cut at " << cut;  // the data chunk claims 100 bytes
    }
}

TEST(WaveChunks, GeneratedSoundsAreMono16BitAt44100) {
    for (const char* name : {"Sound/Set.wav", "Sound/Bound.wav", "Sound/Pad5.wav"}) {
        WaveFormat f;
        std::vector<uint8_t> pcm;
        ASSERT_EQ(ReadWaveFile(name, &f, &pcm), WaveReadResult::Ok) << name;
        EXPECT_EQ(f.channels, 1) << name;
        EXPECT_EQ(f.samplesPerSec, 44100u) << name;
        EXPECT_EQ(f.bitsPerSample, 16) << name;
        EXPECT_GT(pcm.size(), 0u) << name;
        EXPECT_LE(pcm.size(), 44100u * 2u * 4u / 10u) << name << ": at most 0.4 s";
    }
    WaveFormat f;
    std::vector<uint8_t> pcm;
    EXPECT_EQ(ReadWaveFile("Sound/NoSuchFile.wav", &f, &pcm), WaveReadResult::CannotOpen);
    EXPECT_EQ(ReadWaveFile("Sound", &f, &pcm), WaveReadResult::Invalid) << "a folder";
}

}  // namespace
