#include "platform/audio.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdio>
#include <cstring>

#include "platform/data_files.h"
#include "platform/platform.h"
#include "platform/sdl_internal.h"
#include "platform/window.h"

struct SoundClip {
    Mix_Chunk* chunk = nullptr;
    Uint8* samples = nullptr;  // the chunk's bytes, in the output's format; owned here
};

namespace {

constexpr int kOutputRate = 44100;
constexpr int kOutputChannels = 2;
constexpr int kOutputChunk = 1024;
constexpr int kMixerChannels = 16;
// A converted clip may not grow beyond this (a very low source rate would
// otherwise ask for a huge buffer).
constexpr uint64_t kMaxClipBytes = 64u << 20;

enum class OutputState { Closed, Open, Failed };

// Trivially destructible, so it is still valid while the sound player's
// clean-up runs during static destruction.
struct AudioSystem {
    OutputState state;
    char failure[256];
    Mix_Music* playing;
    bool muted;
    int effects;  // volumes, 0 to 100
    int music;
};
AudioSystem audio = {OutputState::Closed, {}, nullptr, false, 100, 100};

void ApplyVolume() {
    const int effects = audio.muted ? 0 : MIX_MAX_VOLUME * audio.effects / 100;
    const int music = audio.muted ? 0 : MIX_MAX_VOLUME * audio.music / 100;
    Mix_Volume(-1, effects);
    Mix_VolumeMusic(music);
}

AudioSystem& Audio() { return audio; }

// Runs on the audio thread: only hands the notice to the message queue.
void OnMusicFinished() { PostMusicNotice(MCI_NOTIFY_SUCCESSFUL); }

}  // namespace

bool OpenAudioOutput(int channels, std::string* error) {
    AudioSystem& a = Audio();
    if (a.state == OutputState::Failed) {
        if (error) *error = a.failure;
        return false;
    }
    if (a.state == OutputState::Closed) {
        // Before the audio thread exists: the music callback posts this notice.
        RegisterMusicNotice();
        std::string why;
        if (!StartAudio(&why)) {
            a.state = OutputState::Failed;
            std::snprintf(a.failure, sizeof a.failure, "no audio device: %s", why.c_str());
        } else if (Mix_OpenAudio(kOutputRate, AUDIO_S16SYS, kOutputChannels, kOutputChunk) != 0) {
            a.state = OutputState::Failed;
            std::snprintf(a.failure, sizeof a.failure, "no audio device: %s", Mix_GetError());
        } else {
            Mix_Init(MIX_INIT_OGG | MIX_INIT_MP3 | MIX_INIT_FLAC | MIX_INIT_MOD | MIX_INIT_OPUS);
            a.state = OutputState::Open;
        }
        if (a.state == OutputState::Failed) {
            if (error) *error = a.failure;
            return false;
        }
    }
    const int wanted = channels > kMixerChannels ? channels : kMixerChannels;
    if (Mix_AllocateChannels(-1) < wanted) Mix_AllocateChannels(wanted);
    ApplyVolume();
    return true;
}

void SetOutputMuted(bool muted) {
    audio.muted = muted;
    if (audio.state == OutputState::Open) ApplyVolume();
}

void SetOutputVolumes(int effects, int music) {
    audio.effects = effects < 0 ? 0 : (effects > 100 ? 100 : effects);
    audio.music = music < 0 ? 0 : (music > 100 ? 100 : music);
    if (audio.state == OutputState::Open) ApplyVolume();
}

bool AudioOutputOpen() { return Audio().state == OutputState::Open; }

void CloseAudioOutput() {
    AudioSystem& a = Audio();
    if (a.state == OutputState::Open) {
        StopMusicFile();
        Mix_HaltChannel(-1);
        Mix_CloseAudio();
        Mix_Quit();
    }
    a.state = OutputState::Closed;
    a.failure[0] = '\0';
}

SoundClip* CreateSoundClip(int channels, int samplesPerSec, int bitsPerSample,
                           const uint8_t* pcm, size_t bytes) {
    if (!AudioOutputOpen() || !pcm || channels < 1 || channels > 8 || samplesPerSec <= 0) {
        return nullptr;
    }
    SDL_AudioFormat source;
    switch (bitsPerSample) {
        case 8: source = AUDIO_U8; break;
        case 16: source = AUDIO_S16LSB; break;
        case 32: source = AUDIO_S32LSB; break;
        default: return nullptr;
    }
    const size_t frame = static_cast<size_t>(channels) * (bitsPerSample / 8);
    bytes -= bytes % frame;
    if (bytes == 0 || bytes > kMaxClipBytes) return nullptr;

    int rate = 0, outChannels = 0;
    Uint16 format = 0;
    if (!Mix_QuerySpec(&rate, &format, &outChannels)) return nullptr;
    SDL_AudioCVT cvt;
    if (SDL_BuildAudioCVT(&cvt, source, static_cast<Uint8>(channels), samplesPerSec, format,
                          static_cast<Uint8>(outChannels), rate) < 0) {
        return nullptr;
    }
    const uint64_t room = static_cast<uint64_t>(bytes) * static_cast<uint64_t>(cvt.len_mult);
    if (cvt.len_mult < 1 || room > kMaxClipBytes) return nullptr;
    Uint8* samples = static_cast<Uint8*>(SDL_malloc(static_cast<size_t>(room)));
    if (!samples) return nullptr;
    std::memcpy(samples, pcm, bytes);
    Uint32 length = static_cast<Uint32>(bytes);
    if (cvt.needed) {
        cvt.buf = samples;
        cvt.len = static_cast<int>(bytes);
        if (SDL_ConvertAudio(&cvt) != 0 || cvt.len_cvt <= 0) {
            SDL_free(samples);
            return nullptr;
        }
        length = static_cast<Uint32>(cvt.len_cvt);
    }
    Mix_Chunk* chunk = Mix_QuickLoad_RAW(samples, length);
    if (!chunk) {
        SDL_free(samples);
        return nullptr;
    }
    return new SoundClip{chunk, samples};
}

void DestroySoundClip(SoundClip* clip) {
    if (!clip) return;
    if (clip->chunk) Mix_FreeChunk(clip->chunk);  // halts a channel still playing it
    SDL_free(clip->samples);
    delete clip;
}

bool PlaySoundClip(SoundClip* clip, int channel) {
    if (!clip || !clip->chunk || !AudioOutputOpen() || channel < 0 ||
        channel >= Mix_AllocateChannels(-1)) {
        return false;
    }
    return Mix_PlayChannel(channel, clip->chunk, 0) == channel;
}

bool ChannelPlaying(int channel) {
    if (!AudioOutputOpen() || channel < 0 || channel >= Mix_AllocateChannels(-1)) return false;
    return Mix_Playing(channel) != 0;
}

void StopChannel(int channel) {
    if (!AudioOutputOpen() || channel < 0 || channel >= Mix_AllocateChannels(-1)) return;
    Mix_HaltChannel(channel);
}

bool StartMusicFile(const std::string& path, std::string* error) {
    StopMusicFile();
    if (!OpenAudioOutput(kMixerChannels, error)) return false;
    // A relative path not found from the working folder may be the game's own.
    Mix_Music* music = Mix_LoadMUS(FindDataFile(path).c_str());
    if (!music) {
        if (error) *error = Mix_GetError();
        return false;
    }
    Mix_HookMusicFinished(OnMusicFinished);
    if (Mix_PlayMusic(music, 1) != 0) {
        if (error) *error = Mix_GetError();
        Mix_HookMusicFinished(nullptr);
        Mix_FreeMusic(music);
        return false;
    }
    Audio().playing = music;
    return true;
}

void StopMusicFile() {
    AudioSystem& a = Audio();
    if (!a.playing) return;
    // Unhooked first: halting on purpose is not the end of the piece.
    Mix_HookMusicFinished(nullptr);
    Mix_HaltMusic();
    Mix_FreeMusic(a.playing);
    a.playing = nullptr;
}

bool MusicFilePlaying() { return Audio().playing && Mix_PlayingMusic() != 0; }
