// The sound output: one-shot sound clips on numbered mixer channels, and the
// background music. Without an audio device every call is safe and nothing sounds.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Opens the default output (44.1 kHz, 16-bit stereo) with at least `channels`
// mixer channels. Returns true when it is open (also when it already was);
// false with *error filled when there is no audio device. After a failure the
// output is not tried again until CloseAudioOutput.
bool OpenAudioOutput(int channels, std::string* error);
bool AudioOutputOpen();
// Stops everything, frees the music and closes the output.
void CloseAudioOutput();
// Silences every channel and the music (or gives them full volume again);
// kept when the output is opened later.
void SetOutputMuted(bool muted);
// The volumes of the effects and of the music, 0 to 100 (kept as muting is).
void SetOutputVolumes(int effects, int music);

// A PCM sound converted to the output's format.
struct SoundClip;
// Converts interleaved PCM (8-bit unsigned, 16- or 32-bit signed,
// little-endian) to a clip; null when the output is not open or the format
// cannot be converted.
SoundClip* CreateSoundClip(int channels, int samplesPerSec, int bitsPerSample,
                           const uint8_t* pcm, size_t bytes);
// Frees a clip; a channel still playing it stops first.
void DestroySoundClip(SoundClip* clip);
// Plays a clip once on a mixer channel; false when it could not start.
bool PlaySoundClip(SoundClip* clip, int channel);
bool ChannelPlaying(int channel);
void StopChannel(int channel);

// Starts a music file (any format the mixer reads), playing once; when it
// ends, the music-finished notice (MM_MCINOTIFY with MCI_NOTIFY_SUCCESSFUL)
// is posted to the game window. Stopping it on purpose posts nothing.
// False with *error filled when the file cannot be played.
bool StartMusicFile(const std::string& path, std::string* error);
void StopMusicFile();
bool MusicFilePlaying();
