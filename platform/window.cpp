#include "platform/window.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/data_files.h"
#include "platform/field_view.h"
#include "platform/platform.h"
#include "platform/report.h"
#include "platform/sdl_internal.h"

struct GameWindow {
    SDL_Window* sdl = nullptr;
    WindowProc proc = nullptr;
    int fieldWidth = 0;   // the client area the game asked for: its play field
    int fieldHeight = 0;
    bool destroyed = false;  // closed: hidden, and no longer handed messages
    // Fullscreen toggled with the cursor over the field: the field point to put
    // the cursor back on once the window has its new size.
    bool warpPending = false;
    int warpFieldX = 0;
    int warpFieldY = 0;
    // How far the pointer was moved on the desktop on the game's behalf, in
    // all (put back on the window or the field after a switch of
    // fullscreen): no move of the player's.
    int warpedX = 0;
    int warpedY = 0;
};

namespace {

struct WindowSystem {
    std::map<std::string, WindowProc> classes;
    // Windows stay allocated until exit so a handle left in the queue never dangles.
    std::vector<std::unique_ptr<GameWindow>> windows;
    GameWindow* current = nullptr;
    std::deque<Message> queue;
    std::map<uintptr_t, std::vector<std::string>> drops;
    uintptr_t nextDrop = 1;
};

// The event type of the music-finished notice: registered on the main thread
// during set-up, read by the audio thread that posts the notice.
std::atomic<Uint32> musicEvent{0};

WindowSystem& System() {
    static WindowSystem system;
    return system;
}


intptr_t MakeLParam(int lo, int hi) {
    return static_cast<intptr_t>((static_cast<uint32_t>(hi & 0xFFFF) << 16) |
                                 static_cast<uint32_t>(lo & 0xFFFF));
}

// SDL key codes to the virtual-key codes of WM_KEYDOWN.
uintptr_t VirtualKeyOf(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12) return VK_F1 + (key - SDLK_F1);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) return VK_NUMPAD0 + 1 + (key - SDLK_KP_1);
    switch (key) {
        case SDLK_KP_0: return VK_NUMPAD0;
        case SDLK_BACKSPACE: return VK_BACK;
        case SDLK_TAB: return VK_TAB;
        case SDLK_RETURN: case SDLK_KP_ENTER: return VK_RETURN;
        case SDLK_LSHIFT: case SDLK_RSHIFT: return VK_SHIFT;
        case SDLK_LCTRL: case SDLK_RCTRL: return VK_CONTROL;
        case SDLK_LALT: case SDLK_RALT: return VK_MENU;
        case SDLK_PAUSE: return VK_PAUSE;
        case SDLK_CAPSLOCK: return VK_CAPITAL;
        case SDLK_ESCAPE: return VK_ESCAPE;
        case SDLK_SPACE: return VK_SPACE;
        case SDLK_PAGEUP: return VK_PRIOR;
        case SDLK_PAGEDOWN: return VK_NEXT;
        case SDLK_END: return VK_END;
        case SDLK_HOME: return VK_HOME;
        case SDLK_LEFT: return VK_LEFT;
        case SDLK_UP: return VK_UP;
        case SDLK_RIGHT: return VK_RIGHT;
        case SDLK_DOWN: return VK_DOWN;
        case SDLK_INSERT: return VK_INSERT;
        case SDLK_DELETE: return VK_DELETE;
        case SDLK_KP_MULTIPLY: return VK_MULTIPLY;
        case SDLK_KP_PLUS: return VK_ADD;
        case SDLK_KP_MINUS: return VK_SUBTRACT;
        case SDLK_KP_PERIOD: return VK_DECIMAL;
        case SDLK_KP_DIVIDE: return VK_DIVIDE;
        default: return 0;
    }
}

// The window's own icon, from an image file (none when it cannot be read).
void SetIconFrom(SDL_Window* window, const char* file) {
    if (!file || !*file) return;
    SDL_Surface* icon = IMG_Load(FindDataFile(file).c_str());
    if (!icon) return;
    SDL_SetWindowIcon(window, icon);
    SDL_FreeSurface(icon);
}

// The window's size in its own units (points) and in pixels, which a desktop
// that scales may give more of.
void SizesOf(SDL_Window* window, int* width, int* height, int* pixelWidth, int* pixelHeight) {
    SDL_GetWindowSize(window, width, height);
    SDL_GetWindowSizeInPixels(window, pixelWidth, pixelHeight);
}

GameWindow* WindowOfId(Uint32 id) {
    GameWindow* w = System().current;
    if (w && !w->destroyed && w->sdl && SDL_GetWindowID(w->sdl) == id) return w;
    return nullptr;
}

// The pointer on the desktop, as the display has it now; headless, SDL's
// mouse in the window.
void DesktopPointer(int* x, int* y) {
    if (!HasRealDisplay()) {
        SDL_GetMouseState(x, y);
    } else if (!QueryXPointer(x, y)) {
        SDL_GetGlobalMouseState(x, y);
    }
}

// Does what may move the pointer on the game's behalf (SDL puts it back on
// the window after a switch of fullscreen; the game puts it back on the
// field), and counts how far it moved as the game's, not the player's.
template <typename Action>
void MovePointerForTheGame(GameWindow* w, Action action) {
    int beforeX = 0, beforeY = 0, afterX = 0, afterY = 0;
    DesktopPointer(&beforeX, &beforeY);
    action();
    DesktopPointer(&afterX, &afterY);
    w->warpedX += afterX - beforeX;
    w->warpedY += afterY - beforeY;
}

// After a switch between fullscreen and the window, the cursor goes back onto
// the field point it was on, so the paddle stays under it. (SDL itself puts it
// back at the old window coordinates, which after leaving fullscreen lie far
// outside the smaller window.)
void KeepCursorOnField(GameWindow* w) {
    if (!w->warpPending) return;
    w->warpPending = false;
    int ww = 0, wh = 0, pw = 0, ph = 0, x = 0, y = 0;
    SizesOf(w->sdl, &ww, &wh, &pw, &ph);
    FieldPointToWindow(w->warpFieldX, w->warpFieldY, ww, wh, pw, ph, w->fieldWidth,
                       w->fieldHeight, &x, &y);
    MovePointerForTheGame(w, [&] { SDL_WarpMouseInWindow(w->sdl, x, y); });
}

// The scale asked for, cut down to what fits the desktop's usable area with
// the window's frame (a driver that shows nothing has no desktop to fit).
double FittingScale(double asked, int fieldWidth, int fieldHeight) {
    double scale = asked >= 1.0 ? asked : 1.0;
    SDL_Rect usable;
    if (scale > 1.0 && HasRealDisplay() && SDL_GetDisplayUsableBounds(0, &usable) == 0) {
        const double fitted = FitWindowScale(scale, fieldWidth, fieldHeight, usable.w, usable.h);
        if (fitted < scale) {
            Report("window", "a window %g times the field does not fit the desktop's %d x %d; "
                   "it is %g times the field", scale, usable.w, usable.h, fitted);
            scale = fitted;
        }
    }
    return scale;
}

// Turns one SDL event into the messages the window procedure knows.
void Translate(const SDL_Event& e) {
    WindowSystem& s = System();
    Message m;
    switch (e.type) {
        case SDL_KEYDOWN: {
            NoteKeyWentDown(e.key.keysym.scancode);  // a tap between two reads still counts
            m.window = WindowOfId(e.key.windowID);
            if (!m.window) return;
            // With Alt held a key is a system key, as Alt+Enter is.
            m.message = (e.key.keysym.mod & KMOD_ALT) ? WM_SYSKEYDOWN : WM_KEYDOWN;
            m.wParam = VirtualKeyOf(e.key.keysym.sym);
            m.lParam = static_cast<intptr_t>(e.key.keysym.scancode) << 16;
            if (e.key.repeat) m.lParam |= kKeyRepeated;
            if (m.wParam == 0) return;
            break;
        }
        case SDL_TEXTINPUT:
            // Noted at once, as keys going down are (not queued behind other
            // messages), so that a step sees it with the keys typed after it.
            if (WindowOfId(e.text.windowID)) NoteTextTyped(e.text.text);
            return;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP: {
            m.window = WindowOfId(e.button.windowID);
            if (!m.window) return;
            // The button state is the window procedure's to record when it
            // handles the message, not this translation's.
            const bool down = e.type == SDL_MOUSEBUTTONDOWN;
            switch (e.button.button) {
                case SDL_BUTTON_LEFT: m.message = down ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
                case SDL_BUTTON_RIGHT: m.message = down ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
                case SDL_BUTTON_MIDDLE: m.message = down ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
                default: return;
            }
            m.lParam = MakeLParam(e.button.x, e.button.y);
            break;
        }
        case SDL_WINDOWEVENT:
            if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                if (GameWindow* w = WindowOfId(e.window.windowID)) KeepCursorOnField(w);
                return;
            }
            // The close box, and a window uncovered that needs its picture again.
            if (e.window.event == SDL_WINDOWEVENT_CLOSE) {
                m.message = WM_CLOSE;
            } else if (e.window.event == SDL_WINDOWEVENT_EXPOSED) {
                m.message = WM_PAINT;
            } else {
                return;
            }
            m.window = WindowOfId(e.window.windowID);
            if (!m.window) return;
            break;
        case SDL_QUIT:
            // SIGINT and SIGTERM arrive here: they close the window as its close box would.
            if (s.current && !s.current->destroyed) {
                m.window = s.current;
                m.message = WM_CLOSE;
            } else {
                m.message = WM_QUIT;
            }
            break;
        case SDL_DROPFILE: {
            std::string path = e.drop.file ? e.drop.file : "";
            SDL_free(e.drop.file);
            GameWindow* w = WindowOfId(e.drop.windowID);
            if (!w) w = s.current;
            if (!w || w->destroyed) return;
            const uintptr_t handle = s.nextDrop++;
            s.drops[handle].push_back(std::move(path));
            m.window = w;
            m.message = WM_DROPFILES;
            m.wParam = handle;
            break;
        }
        // Pads are taken as they arrive and let go as they leave: the input
        // sampling picks the changes up, they are no window message.
        case SDL_CONTROLLERDEVICEADDED:
            NotePadChange(true, SDL_JoystickGetDeviceInstanceID(e.cdevice.which));
            return;
        case SDL_CONTROLLERDEVICEREMOVED:
            NotePadChange(false, e.cdevice.which);
            return;
        default:
            if (musicEvent != 0 && e.type == musicEvent && s.current && !s.current->destroyed) {
                m.window = s.current;
                m.message = MM_MCINOTIFY;
                m.wParam = static_cast<uintptr_t>(e.user.code);
                break;
            }
            return;
    }
    s.queue.push_back(m);
}

}  // namespace

bool RegisterWindowClass(const char* className, WindowProc proc) {
    if (!className || !*className || !proc) return false;
    return System().classes.emplace(className, proc).second;
}

void UnregisterWindowClass(const char* className) {
    if (className) System().classes.erase(className);
}

WindowHandle CreateGameWindow(const char* className, const char* caption, int clientWidth,
                              int clientHeight, std::string* error, const WindowLook& look) {
    WindowSystem& s = System();
    auto cls = s.classes.find(className ? className : "");
    if (cls == s.classes.end()) {
        if (error) *error = "window class is not registered";
        return nullptr;
    }
    SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
    std::string why;
    if (!StartVideo(&why)) {
        if (error) *error = "no display: " + why;
        return nullptr;
    }
    // Without a desktop SDL falls back to a driver that shows nothing; the game
    // would then run unseen and never end. Only a driver asked for by name
    // (SDL_VIDEODRIVER, as headless runs do) may be one of those.
    const char* asked = SDL_getenv("SDL_VIDEODRIVER");
    if ((!asked || !*asked) && !HasRealDisplay()) {
        const char* driver = SDL_GetCurrentVideoDriver();
        if (error) {
            *error = std::string("no display: no X11 or Wayland desktop was found (DISPLAY and "
                                 "WAYLAND_DISPLAY lead nowhere; SDL fell back to its ") +
                     (driver ? driver : "unknown") + " driver, which shows no window)";
        }
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        return nullptr;
    }
    // A scaled window is the field times the scale; the desktop's own pixels
    // are used where it scales windows (high DPI), so nothing is blurred.
    const double scale =
        look.fullscreen ? std::max(1.0, look.scale) : FittingScale(look.scale, clientWidth, clientHeight);
    const int width = static_cast<int>(std::lround(clientWidth * scale));
    const int height = static_cast<int>(std::lround(clientHeight * scale));
    Uint32 flags = SDL_WINDOW_SHOWN | SDL_WINDOW_ALLOW_HIGHDPI;
    if (look.fullscreen) flags |= SDL_WINDOW_FULLSCREEN_DESKTOP;
    SDL_Window* sdl = SDL_CreateWindow(caption, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED,
                                       width, height, flags);
    if (!sdl) {
        if (error) *error = std::string("the window cannot be created: ") + SDL_GetError();
        return nullptr;
    }
    NoteGameWindow(sdl);
    SetIconFrom(sdl, look.iconFile);
    SDL_EventState(SDL_DROPFILE, SDL_ENABLE);
    RegisterMusicNotice();
    auto window = std::make_unique<GameWindow>();
    window->sdl = sdl;
    window->proc = cls->second;
    window->fieldWidth = clientWidth;
    window->fieldHeight = clientHeight;
    GameWindow* handle = window.get();
    s.windows.push_back(std::move(window));
    s.current = handle;
    handle->proc(handle, WM_CREATE, 0, 0);
    return handle;
}

void SetWindowScale(WindowHandle window, double scale) {
    if (!window || !window->sdl || window->destroyed) return;
    if (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_FULLSCREEN) return;
    const double fitted = FittingScale(scale, window->fieldWidth, window->fieldHeight);
    SDL_SetWindowSize(window->sdl, static_cast<int>(std::lround(window->fieldWidth * fitted)),
                      static_cast<int>(std::lround(window->fieldHeight * fitted)));
}

void DestroyGameWindow(WindowHandle window) {
    if (!window || window->destroyed) return;
    window->destroyed = true;
    window->proc(window, WM_DESTROY, 0, 0);
    // The SDL window is only hidden: the renderer made for it must stay valid
    // for the steps that still run before the quit message is taken from the
    // queue. SDL_Quit frees it at exit, after the device.
    if (window->sdl) SDL_HideWindow(window->sdl);
    if (System().current == window) System().current = nullptr;
}

void GetClientSize(WindowHandle window, int* width, int* height) {
    int w = 0, h = 0;
    if (window && window->sdl && !window->destroyed) SDL_GetWindowSize(window->sdl, &w, &h);
    if (width) *width = w;
    if (height) *height = h;
}

bool PeekMessage(Message* message) {
    WindowSystem& s = System();
    if (s.queue.empty() && SDL_WasInit(SDL_INIT_EVENTS)) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) Translate(e);
    }
    // Destroyed by another program: the window's end as after its close box
    // (WM_DESTROY, whose handling queues the quit message).
    if (GameWindowDestroyedFromOutside() && s.current && !s.current->destroyed) {
        DestroyGameWindow(s.current);
    }
    if (s.queue.empty()) return false;
    *message = s.queue.front();
    s.queue.pop_front();
    return true;
}

intptr_t DispatchMessage(const Message& message) {
    GameWindow* w = message.window;
    if (!w || w->destroyed || !w->proc) return 0;
    return w->proc(w, message.message, message.wParam, message.lParam);
}

intptr_t DefWindowProc(WindowHandle window, uint32_t message, uintptr_t, intptr_t) {
    if (message == WM_CLOSE) DestroyGameWindow(window);
    return 0;
}

void PostQuitMessage(int status) {
    Message m;
    m.message = WM_QUIT;
    m.wParam = static_cast<uintptr_t>(static_cast<intptr_t>(status));
    System().queue.push_back(m);
}

void PostMessage(const Message& message) { System().queue.push_back(message); }

bool QuitMessageQueued(int* status) {
    for (const Message& m : System().queue) {
        if (m.message != WM_QUIT) continue;
        if (status) *status = static_cast<int>(static_cast<intptr_t>(m.wParam));
        return true;
    }
    return false;
}

void RegisterMusicNotice() {
    if (musicEvent != 0) return;
    const Uint32 type = SDL_RegisterEvents(1);
    musicEvent = type == static_cast<Uint32>(-1) ? static_cast<Uint32>(SDL_USEREVENT) : type;
}

void PostMusicNotice(uintptr_t code) {
    if (musicEvent == 0) return;  // no window and no audio set up: nobody to tell
    SDL_Event e;
    SDL_zero(e);
    e.type = musicEvent;
    e.user.code = static_cast<Sint32>(code);
    SDL_PushEvent(&e);
}

void ClearMessageQueue() {
    System().queue.clear();
    System().drops.clear();
}

size_t DragQueryFile(uintptr_t drop, unsigned index, char* buffer, size_t bufferSize) {
    auto it = System().drops.find(drop);
    if (it == System().drops.end() || index >= it->second.size()) return 0;
    const std::string& path = it->second[index];
    if (buffer && bufferSize > 0) {
        const size_t n = std::min(path.size(), bufferSize - 1);
        std::memcpy(buffer, path.data(), n);
        buffer[n] = '\0';
    }
    return path.size();
}

void DragFinish(uintptr_t drop) { System().drops.erase(drop); }

bool WindowHasFocus(WindowHandle window) {
    if (!window || !window->sdl) return false;
    return (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_INPUT_FOCUS) != 0 ||
           SDL_GetKeyboardFocus() == window->sdl;
}

void ToggleFullscreen(WindowHandle window) {
    if (!window || !window->sdl || window->destroyed) return;
    const bool full = IsFullscreen(window);
    int fx = 0, fy = 0;
    GetCursorClientPos(window, &fx, &fy);
    window->warpPending = HasRealDisplay() && SDL_GetMouseFocus() == window->sdl && fx >= 0 &&
                          fy >= 0 && fx < window->fieldWidth && fy < window->fieldHeight;
    window->warpFieldX = fx;
    window->warpFieldY = fy;
    // Leaving fullscreen gives the window back at the size it had.
    MovePointerForTheGame(window, [&] {
        SDL_SetWindowFullscreen(window->sdl, full ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
    });
}

bool IsFullscreen(WindowHandle window) {
    return window && window->sdl &&
           (SDL_GetWindowFlags(window->sdl) & SDL_WINDOW_FULLSCREEN_DESKTOP) ==
               SDL_WINDOW_FULLSCREEN_DESKTOP;
}

void FieldSizeOf(WindowHandle window, int* width, int* height) {
    *width = window ? window->fieldWidth : 0;
    *height = window ? window->fieldHeight : 0;
}

void GetCursorClientPos(WindowHandle window, int* x, int* y) {
    int fx = 0, fy = 0;
    if (window && window->sdl) {
        int gx = 0, gy = 0, wx = 0, wy = 0;
        if (!HasRealDisplay() || SDL_GetMouseFocus() == window->sdl) {
            // Over the window (or headless): the position SDL tracks from the
            // window's own motion events.
            SDL_GetMouseState(&gx, &gy);
        } else {
            // Outside it: desktop coordinates minus the client origin.
            SDL_GetGlobalMouseState(&gx, &gy);
            SDL_GetWindowPosition(window->sdl, &wx, &wy);
        }
        // Window points to the field's pixels, wherever the field sits.
        int w = 0, h = 0, pw = 0, ph = 0;
        SizesOf(window->sdl, &w, &h, &pw, &ph);
        WindowPointToField(gx - wx, gy - wy, w, h, pw, ph, window->fieldWidth,
                           window->fieldHeight, &fx, &fy);
    }
    if (x) *x = fx;
    if (y) *y = fy;
}

void GetPointerPos(WindowHandle window, int* x, int* y) {
    int px = 0, py = 0;
    DesktopPointer(&px, &py);
    if (window) {
        px -= window->warpedX;
        py -= window->warpedY;
    }
    if (x) *x = px;
    if (y) *y = py;
}

SDL_Window* SdlWindowOf(WindowHandle window) { return window ? window->sdl : nullptr; }

WindowHandle CurrentGameWindow() { return System().current; }
