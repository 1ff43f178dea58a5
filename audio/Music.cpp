#include "audio/Music.h"


#include "platform/audio.h"
#include "platform/report.h"

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
    if (!musicPlaying) Report("music", "%s: %s", file.c_str(), error.c_str());
}

void StopMusic() {
    if (!musicPlaying) return;
    StopMusicFile();
    musicPlaying = false;
}
