// Start and end of the platform layer as a whole.
#pragma once

#include <string>

// Starts the SDL subsystems the caller needs (SDL_INIT_* flags); the layer
// counts the requests so each subsystem is started once. False with *error
// filled when a subsystem cannot start.
bool StartVideo(std::string* error);
bool StartAudio(std::string* error);
bool StartGameControllers(std::string* error);
bool StartEvents(std::string* error);

// Whether a real display is in use (not SDL's dummy or offscreen drivers).
bool HasRealDisplay();

// Ends SDL at program exit. One global object of this type is constructed
// before every other global of the game, so its destructor runs after theirs.
struct PlatformLifetime {
    PlatformLifetime() = default;
    ~PlatformLifetime();
    PlatformLifetime(const PlatformLifetime&) = delete;
    PlatformLifetime& operator=(const PlatformLifetime&) = delete;
};
