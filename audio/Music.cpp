#include "audio/Music.h"

#include <cstdio>

#include "platform/audio.h"

std::string musicPath;
bool musicPlaying = false;
WindowHandle musicWindow = nullptr;
std::string droppedPath;
bool fileDropped = false;

void PlayMusic(const std::string& path) {
    // A copy first: path may be musicPath itself.
    const std::string file = path;
    musicPath = file;
    std::string error;
    musicPlaying = StartMusicFile(file, &error);
    if (!musicPlaying) std::fprintf(stderr, "kaziro: music: %s: %s\n", file.c_str(), error.c_str());
}

void StopMusic() {
    if (!musicPlaying) return;
    StopMusicFile();
    musicPlaying = false;
}
