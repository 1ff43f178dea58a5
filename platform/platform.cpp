#include "platform/platform.h"

#include <SDL.h>
#include <X11/Xlib.h>

#include <cstdlib>
#include <cstring>

#include "platform/report.h"

namespace {

// The X server went away (the desktop session ended, the server died): Xlib
// ends the process when this returns. The display can no longer be talked
// to, so the exit does not ask SDL to let go of it: that would wait on the
// dead connection for ever.
bool displayLost = false;

int OnDisplayLost(Display*) {
    displayLost = true;
    Report("window", "the connection to the display was lost");
    return 0;
}

bool Start(Uint32 flags, std::string* error) {
    if (SDL_WasInit(flags) == flags) return true;
    if (SDL_InitSubSystem(flags) != 0) {
        if (error) *error = SDL_GetError();
        return false;
    }
    return true;
}

}  // namespace

bool StartVideo(std::string* error) {
    // The class name the window manager sees, as the game registers it.
    // SDL 2.26 reads the X11 class from the environment rather than a hint.
    setenv("SDL_VIDEO_X11_WMCLASS", "Kaziro", 0);
    SDL_SetHint("SDL_VIDEO_X11_WMCLASS", "Kaziro");
    SDL_SetHint("SDL_VIDEO_WAYLAND_WMCLASS", "Kaziro");
    SDL_SetHint(SDL_HINT_APP_NAME, "Kaziro");
    if (!Start(SDL_INIT_VIDEO | SDL_INIT_EVENTS, error)) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "x11") == 0) XSetIOErrorHandler(OnDisplayLost);
    return true;
}

bool StartAudio(std::string* error) { return Start(SDL_INIT_AUDIO, error); }

bool StartGameControllers(std::string* error) {
    return Start(SDL_INIT_GAMECONTROLLER | SDL_INIT_JOYSTICK, error);
}

bool StartEvents(std::string* error) { return Start(SDL_INIT_EVENTS, error); }

bool HasRealDisplay() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    const char* driver = SDL_GetCurrentVideoDriver();
    if (!driver) return false;
    return std::strcmp(driver, "dummy") != 0 && std::strcmp(driver, "offscreen") != 0 &&
           std::strcmp(driver, "evdev") != 0;
}

PlatformLifetime::~PlatformLifetime() {
    if (SDL_WasInit(0) != 0 && !displayLost) SDL_Quit();
}
