#include "audio/cSound.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "audio/WaveFile.h"
#include "platform/audio.h"
#include "platform/message_box.h"
#include "platform/report.h"
#include "platform/text.h"
#include "platform/translation.h"

namespace {

// "%sファイルの読み込みに失敗しました"
constexpr char kLoadErrorFormat[] =
    "\x25\x73\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xCC\x93\xC7\x82\xDD\x8D\x9E\x82\xDD\x82\xC9"
    "\x8E\xB8\x94\x73\x82\xB5\x82\xDC\x82\xB5\x82\xBD";

// The game's message buffer: 64 bytes of Shift_JIS with its terminating NUL.
constexpr size_t kMessageBufferBytes = 64;

}  // namespace

std::string SoundLoadErrorText(const char* fileName) {
    const std::string format = TranslateSjis(kLoadErrorFormat);
    const char* name = fileName ? fileName : "";
    const int length = std::snprintf(nullptr, 0, format.c_str(), name);
    if (length <= 0) return "";
    std::string text(static_cast<size_t>(length) + 1, '\0');
    std::snprintf(text.data(), text.size(), format.c_str(), name);
    text.pop_back();
    return CutToShiftJisWidth(text, kMessageBufferBytes - 1);
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
            // One box per file and run; the same file failing again is a line on stderr.
            const std::string file = fileName ? fileName : "";
            MessageBoxOnceUtf8("sound file " + file, SoundLoadErrorText(fileName),
                               TranslateSjis(kSjisErrorWord), MessageBoxStyle::Error);
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
