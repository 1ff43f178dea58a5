#include "audio/cSound.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "audio/WaveFile.h"
#include "platform/audio.h"
#include "platform/message_box.h"
#include "platform/report.h"

namespace {

// "%sファイルの読み込みに失敗しました"
constexpr char kLoadErrorFormat[] =
    "\x25\x73\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCC\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x82\xC9"
    "\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD";

bool SjisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

}  // namespace

void FormatSoundLoadError(const char* fileName, char* text, size_t size) {
    if (!text || size == 0) return;
    std::snprintf(text, size, kLoadErrorFormat, fileName ? fileName : "");
    // A cut may have split a two-byte character: drop its lone first byte.
    const size_t length = std::strlen(text);
    for (size_t i = 0; i < length; ++i) {
        if (!SjisLeadByte(static_cast<unsigned char>(text[i]))) continue;
        if (i + 1 >= length) {
            text[i] = '\0';
            break;
        }
        ++i;
    }
}

cSound::~cSound() {
    DestroySoundClip(buffer);
    buffer = nullptr;
}

int32_t cSound::Load(const char* fileName) {
    WaveFormat format;
    std::vector<uint8_t> pcm;
    switch (ReadWaveFile(fileName, &format, &pcm)) {
        case WaveReadResult::CannotOpen: {
            char text[64];
            FormatSoundLoadError(fileName, text, sizeof text);
            MessageBox(text, kSjisErrorWord, MessageBoxStyle::Error);
            return 1;
        }
        case WaveReadResult::Invalid:
            Report("sound", "%s: not a playable PCM WAV file", fileName ? fileName : "");
            return 2;
        case WaveReadResult::Ok:
            break;
    }
    if (pcm.empty()) return 2;  // nothing to hear
    buffer = CreateSoundClip(format.channels, static_cast<int>(format.samplesPerSec),
                             format.bitsPerSample, pcm.data(), pcm.size());
    return buffer ? 0 : 2;
}
