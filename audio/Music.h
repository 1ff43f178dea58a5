// Background music: one file that plays to its end and is then started again
// from the window procedure's music-finished notice, so it loops. It starts
// from `--music FILE` or from an audio file dropped on the window.
#pragma once

#include <string>

#include "platform/window.h"

extern std::string musicPath;     // the path last started
extern bool musicPlaying;         // a piece is open and playing
extern WindowHandle musicWindow;  // the window that gets the finished notice
extern std::string droppedPath;   // the first file of the last drop
extern bool fileDropped;

// Starts a file (stopping what plays). A file that cannot be played gets one
// line on standard error, and the game goes on without music.
void PlayMusic(const std::string& path);
// Stops and closes the music, while it plays.
void StopMusic();
