// Background music (placeholder until the audio work lands).
#pragma once

#include <string>

#include "platform/window.h"

extern std::string musicPath;
extern bool musicPlaying;
extern WindowHandle musicWindow;
extern std::string droppedPath;
extern bool fileDropped;

void PlayMusic(const std::string& path);
void StopMusic();
