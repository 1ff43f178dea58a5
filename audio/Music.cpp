#include "audio/Music.h"

std::string musicPath;
bool musicPlaying = false;
WindowHandle musicWindow = nullptr;
std::string droppedPath;
bool fileDropped = false;

void PlayMusic(const std::string& path) { musicPath = path; }
void StopMusic() { musicPlaying = false; }
