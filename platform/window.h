// The game window and its message queue.
//
// The game was built around a window procedure that receives numbered
// messages; this layer keeps that model on top of SDL. SDL events are
// translated into the messages below and queued; PeekMessage hands them out
// one at a time and DispatchMessage passes a message to the window's
// procedure. Nothing here blocks.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct GameWindow;                    // opaque: the SDL window lives in the platform layer
using WindowHandle = GameWindow*;

using WindowProc = intptr_t (*)(WindowHandle window, uint32_t message, uintptr_t wParam,
                                intptr_t lParam);

// Message numbers, as the window procedure knows them.
enum : uint32_t {
    WM_CREATE = 0x0001,
    WM_DESTROY = 0x0002,
    WM_PAINT = 0x000F,
    WM_CLOSE = 0x0010,
    WM_QUIT = 0x0012,
    WM_KEYDOWN = 0x0100,
    WM_SYSKEYDOWN = 0x0104,  // a key pressed with Alt held
    WM_LBUTTONDOWN = 0x0201,
    WM_LBUTTONUP = 0x0202,
    WM_RBUTTONDOWN = 0x0204,
    WM_RBUTTONUP = 0x0205,
    WM_MBUTTONDOWN = 0x0207,
    WM_MBUTTONUP = 0x0208,
    WM_DROPFILES = 0x0233,
    MM_MCINOTIFY = 0x03B9,
};

// wParam of MM_MCINOTIFY when the music has played to its end.
constexpr uintptr_t MCI_NOTIFY_SUCCESSFUL = 1;
constexpr uintptr_t MCI_NOTIFY_ABORTED = 4;

// Virtual-key codes carried by WM_KEYDOWN (the ones with a name in the game).
enum : uintptr_t {
    VK_BACK = 0x08, VK_TAB = 0x09, VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11,
    VK_MENU = 0x12, VK_PAUSE = 0x13, VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
    VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24, VK_LEFT = 0x25,
    VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28, VK_INSERT = 0x2D, VK_DELETE = 0x2E,
    VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A, VK_ADD = 0x6B, VK_SUBTRACT = 0x6D,
    VK_DECIMAL = 0x6E, VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_F11 = 0x7A,
};

// lParam bit of a key message sent again while the key is held.
constexpr intptr_t kKeyRepeated = intptr_t{1} << 30;

struct Message {
    WindowHandle window = nullptr;
    uint32_t message = 0;
    uintptr_t wParam = 0;
    intptr_t lParam = 0;
};

// Registers a window class: its name and procedure. Fails (false) for an empty
// name or a name that is already registered.
bool RegisterWindowClass(const char* className, WindowProc proc);
void UnregisterWindowClass(const char* className);

// How the window shows the play field.
struct WindowLook {
    double scale = 1.0;          // the window is the field times this (1 to 4)
    bool fullscreen = false;     // fullscreen on the desktop's own resolution
    const char* iconFile = nullptr;  // the window's icon, an image file
};

// Creates the game window of a registered class for a play field of the given
// size: a fixed window of that client area (times look.scale), or fullscreen;
// visible, accepting dropped files. Wherever the window is larger than the
// field, the field is scaled to fit it with its aspect kept, and the cursor
// is reported in the field's pixels. Sends WM_CREATE to the procedure before
// it returns. Returns null and fills *error when no display can be opened or
// the window cannot be created.
WindowHandle CreateGameWindow(const char* className, const char* caption, int clientWidth,
                              int clientHeight, std::string* error,
                              const WindowLook& look = WindowLook{});
// Switches between fullscreen on the desktop's resolution and the window.
void ToggleFullscreen(WindowHandle window);
// Makes a window (not fullscreen) `scale` times the field (1 to 4), cut down
// to fit the desktop as at creation.
void SetWindowScale(WindowHandle window, double scale);
bool IsFullscreen(WindowHandle window);
// The play field the window was made for (0, 0 for a null handle).
void FieldSizeOf(WindowHandle window, int* width, int* height);

// Destroys the window: the procedure receives WM_DESTROY first.
void DestroyGameWindow(WindowHandle window);

// The client-area size of the window in its own units (0, 0 for a null handle).
void GetClientSize(WindowHandle window, int* width, int* height);

// Takes the next message, translating pending SDL events first. Never blocks.
// Returns false when there is nothing to hand out.
bool PeekMessage(Message* message);
// Kept for the shape of the loop: there is nothing to translate on this platform.
inline void TranslateMessage(const Message&) {}
// Calls the window procedure of the message's window; returns its result.
intptr_t DispatchMessage(const Message& message);
// Default handling: WM_CLOSE destroys the window (so WM_DESTROY follows);
// everything else is answered with 0.
intptr_t DefWindowProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// Queues WM_QUIT carrying the exit status in its wParam.
void PostQuitMessage(int status);
// Whether a WM_QUIT is waiting in the queue; *status is then the status it carries.
bool QuitMessageQueued(int* status);
// Queues any message (tests use this to feed the loop).
void PostMessage(const Message& message);
// Posts MM_MCINOTIFY with the given code from any thread (the audio thread's
// music-finished callback uses it); it reaches the queue on the next poll.
void PostMusicNotice(uintptr_t code);
// Drops every queued message.
void ClearMessageQueue();

// Dropped files: WM_DROPFILES carries a drop handle in wParam.
// Copies the path of file `index` into buffer (bounded, always terminated) and
// returns the path's full length; returns 0 for an unknown handle or index.
size_t DragQueryFile(uintptr_t drop, unsigned index, char* buffer, size_t bufferSize);
// Releases a drop handle.
void DragFinish(uintptr_t drop);

// Whether the window has keyboard focus.
bool WindowHasFocus(WindowHandle window);
// The cursor in the play field's pixels, also outside the field and the window.
void GetCursorClientPos(WindowHandle window, int* x, int* y);
// The pointer's own place on the desktop (headless: in the window). It changes
// when the player moves the pointer; neither when the window changes under it
// (fullscreen, another scale, a move by the window manager), which moves the
// cursor on the field, nor when the game puts the cursor back on the field.
void GetPointerPos(WindowHandle window, int* x, int* y);
