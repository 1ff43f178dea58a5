#include "platform/platform.h"

#include <SDL.h>
#ifndef __EMSCRIPTEN__  // the browser has no X server
#include <SDL_syswm.h>
#include <X11/Xlib.h>
#endif

#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/report.h"
#include "platform/sdl_internal.h"

namespace {

#ifndef __EMSCRIPTEN__
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

// The game window on X: destroyed by another client (xdotool windowclose, a
// tool that kills windows), it ends the game as its close box does. Xlib
// reports every later request on it as an error; the default handler would
// end the process with status 1 in the middle of a frame.
SDL_Window* gameWindow = nullptr;
Display* gameDisplay = nullptr;
bool windowGone = false;            // our X window no longer exists
bool windowGoneUnreported = false;  // and the message queue has not heard of it yet
XErrorHandler previousErrorHandler = nullptr;

Window GameXWindow() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (!gameWindow || !SDL_GetWindowWMInfo(gameWindow, &info) ||
        info.subsystem != SDL_SYSWM_X11) {
        return 0;
    }
    return info.info.x11.window;
}

int OnXError(Display* display, XErrorEvent* error) {
    const bool aboutOurWindow =
        (error->error_code == BadWindow || error->error_code == BadDrawable) &&
        error->resourceid != 0 && error->resourceid == GameXWindow();
    if (aboutOurWindow && !windowGone) {
        windowGone = windowGoneUnreported = true;
        Report("window", "the game window was destroyed by another program");
    }
    // Once it is gone, whatever still refers to it fails harmlessly until the
    // game has ended.
    if (windowGone) return 0;
    return previousErrorHandler ? previousErrorHandler(display, error) : 0;
}
#endif

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
#ifndef __EMSCRIPTEN__
    const char* driver = SDL_GetCurrentVideoDriver();
    if (driver && std::strcmp(driver, "x11") == 0) {
        XSetIOErrorHandler(OnDisplayLost);
        // After SDL's own handler, which ours hands every other error to.
        static bool installed = false;
        if (!installed) previousErrorHandler = XSetErrorHandler(OnXError);
        installed = true;
    }
#endif
    return true;
}

#ifdef __EMSCRIPTEN__
void NoteGameWindow(SDL_Window*) {}

bool GameWindowDestroyedFromOutside() { return false; }
#else
void NoteGameWindow(SDL_Window* window) {
    gameWindow = window;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (window && SDL_GetWindowWMInfo(window, &info) && info.subsystem == SDL_SYSWM_X11) {
        gameDisplay = info.info.x11.display;
    }
}

bool GameWindowDestroyedFromOutside() { return std::exchange(windowGoneUnreported, false); }
#endif

#ifdef __EMSCRIPTEN__
bool QueryXPointer(int*, int*) { return false; }  // no X server: the cursor in the window counts
#else
bool QueryXPointer(int* x, int* y) {
    if (!gameDisplay || windowGone || displayLost) return false;
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, windowX = 0, windowY = 0;
    unsigned int buttons = 0;
    if (!XQueryPointer(gameDisplay, DefaultRootWindow(gameDisplay), &root, &child, &rootX, &rootY,
                       &windowX, &windowY, &buttons)) {
        return false;  // on another screen of the display
    }
    *x = rootX;
    *y = rootY;
    return true;
}
#endif

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
#ifdef __EMSCRIPTEN__
    if (SDL_WasInit(0) != 0) SDL_Quit();
#else
    if (SDL_WasInit(0) == 0 || displayLost) return;
    if (windowGone && gameWindow && gameDisplay) {
        // What SDL asks of the dead window as it lets it go fails while our
        // handler still answers for it, not after SDL has put Xlib's back.
        SDL_DestroyWindow(gameWindow);
        XSync(gameDisplay, False);
    }
    SDL_Quit();
#endif
}
