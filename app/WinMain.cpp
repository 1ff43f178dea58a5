#include "app/WinMain.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/FrontDoor.h"
#include "app/Play.h"
#include "app/Settings.h"
#include "audio/Music.h"
#include "audio/cDSound.h"
#include "graphics/Graphics.h"
#include "graphics/cTaskManager.h"
#include "input/cInput.h"
#include "platform/clock.h"
#include "platform/report.h"

namespace {

constexpr int kClientWidth = 800;
constexpr int kClientHeight = 600;

bool escapeQuits = true;

}  // namespace

void LetEscapeQuit(bool quits) { escapeQuits = quits; }

LoopClock SystemLoopClock() {
    return LoopClock{[] { return timeGetTime(); }, [](uint32_t ms) { Sleep(ms); }};
}

intptr_t WndProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    switch (message) {
        case WM_CREATE:
        case WM_PAINT:  // the frame pass draws the client area
        case WM_QUIT:
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN: {  // the latter with Alt held
            if (wParam == VK_ESCAPE && escapeQuits) PostQuitMessage(0);
            // Alt+Enter toggles fullscreen, once per press (so does the
            // fullscreen key, F11 unless the player chose another, in the step).
            const bool toggle = message == WM_SYSKEYDOWN && wParam == VK_RETURN;
            if (toggle && !(lParam & kKeyRepeated)) ToggleFullscreen(window);
            return 0;  // other keys are read through the input state
        }
        // The buttons are recorded as their messages are handled; the next
        // step's input sampling copies them.
        // A press also sets its "pressed since the last sample" bit (the tap
        // latch), so a click let go before the next step still counts for it.
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
            input.rawMouse.left = message == WM_LBUTTONDOWN ? 1 : 0;
            if (message == WM_LBUTTONDOWN) input.pressedSinceSample.left = 1;  // tap latch
            return 0;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONUP:
            input.rawMouse.right = message == WM_RBUTTONDOWN ? 1 : 0;
            if (message == WM_RBUTTONDOWN) input.pressedSinceSample.right = 1;  // tap latch
            return 0;
        case WM_MBUTTONDOWN:
        case WM_MBUTTONUP:
            input.rawMouse.middle = message == WM_MBUTTONDOWN ? 1 : 0;
            if (message == WM_MBUTTONDOWN) input.pressedSinceSample.middle = 1;  // tap latch
            return 0;
        case MM_MCINOTIFY:
            if (wParam == MCI_NOTIFY_SUCCESSFUL) {
                // The music played to its end: start the same file again.
                const std::string path = musicPath;
                StopMusic();
                PlayMusic(path);
            }
            return 0;
        case WM_DROPFILES: {
            // The first dropped file becomes the background music.
            const size_t length = DragQueryFile(wParam, 0, nullptr, 0);
            std::string path(length, '\0');
            DragQueryFile(wParam, 0, path.data(), length + 1);
            DragFinish(wParam);
            droppedPath = path;
            fileDropped = true;
            if (!path.empty()) {
                StopMusic();
                PlayMusic(path);
            }
            return 0;
        }
        default:
            return DefWindowProc(window, message, wParam, lParam);
    }
}

void PadQuitTest() {
    static const int kQuitButtons[] = {PAD_R1, PAD_R2, PAD_L1, PAD_L2, PAD_SELECT, PAD_START};
    for (int slot = 0; slot < kPadSlots; ++slot) {
        if (!input.HasPad(slot)) continue;
        bool all = true;
        for (int button : kQuitButtons) all = all && input.PadButtonDown(slot, button);
        if (all) PostQuitMessage(0);
    }
}

StepEnd RunLogicStep(cPlay& play, int* quitStatus) {
    // A two-machine game with a quit queued before this step began (the last
    // round ended on both machines, say) takes no further step: the other
    // machine stops at the same step, or learns of the end from the quit
    // notice. A quit posted during a step lets that step finish whole.
    if (play.TwoMachines() && QuitMessageQueued(quitStatus)) return StepEnd::Quit;
    SampleInput();
    return PlayStep(play, quitStatus);
}

void SampleInput() {
    input.Refresh();
    PadQuitTest();
}

StepEnd PlayStep(cPlay& play, int* quitStatus) {
    play.HandleLocalKeys();
    if (play.WaitForLocalPads()) {  // the window answers and shows whose pad it waits for
        RenderFrame();
        return StepEnd::Going;
    }
    // While paused the field stays as it is: no scene, task or spawn moves.
    bool paused = false;
    const StepEnd end = play.Step(&paused, quitStatus);
    if (end != StepEnd::Going) return end;
    if (!paused) taskManager.RunTasks();
    RenderFrame();
    dsound.ReleaseStopped();
    return StepEnd::Going;
}

LoopPass MainLoopPass(const LoopClock& clock, const StepFunction& step, int* status) {
    bool worked = false;
    const uint32_t now = clock.now();
    // Unsigned difference: stepping goes on across the 32-bit wrap. The clock
    // advances by exactly one step, never to now, so a stall is caught up
    // step by step, each with its frame.
    if (static_cast<uint32_t>(now - stepClock) > kStepMilliseconds) {
        stepClock += kStepMilliseconds;
        int quitStatus = 0;
        const StepEnd end = step(&quitStatus);
        if (end == StepEnd::Failed) {
            *status = kExitExchangeFailed;
            return LoopPass::Ended;
        }
        if (end == StepEnd::Quit) {
            *status = quitStatus;
            return LoopPass::Ended;
        }
        worked = true;
    } else {
        clock.sleep(1);
    }
    Message message;
    if (PeekMessage(&message)) {
        TranslateMessage(message);
        DispatchMessage(message);
        if (message.message == WM_QUIT) {
            *status = static_cast<int>(static_cast<intptr_t>(message.wParam));
            return LoopPass::Ended;
        }
        worked = true;
    }
    return worked ? LoopPass::Worked : LoopPass::Idle;
}

int RunMainLoop(const LoopClock& clock, const StepFunction& step) {
    int status = 0;
    while (MainLoopPass(clock, step, &status) != LoopPass::Ended) {
    }
    return status;
}

int WinMain(const AppOptions& options, const Settings& settings) {
    std::snprintf(windowTitle, sizeof windowTitle, "%s", "Kaziro");
    if (!RegisterWindowClass(windowTitle, WndProc)) return 0;

    // The window is made with its client area at the play field's size (times
    // --scale), or fullscreen; the outer frame is the window manager's business.
    std::string error;
    WindowLook look;
    look.scale = options.scale;
    look.fullscreen = options.fullscreen;
    look.iconFile = "Graphic/Icon.png";
    WindowHandle window = CreateGameWindow(windowTitle, windowTitle, kClientWidth, kClientHeight,
                                           &error, look);
    if (!window) {
        Report("window", "%s", error.c_str());
        return kExitNoDisplay;
    }

    InitGraphics(kClientWidth, kClientHeight, window, false);
    if (!HasGraphicsDevice()) {
        Report("graphics", "no rendering device could be created");
        DestroyGameWindow(window);
        ClearMessageQueue();
        return kExitNoDisplay;
    }
    input.keyboardOnly = options.keyboardPad;  // before Init: it keeps slot 0 for the keyboard pad
    input.windowTitle = windowTitle;
    input.Init(window);
    musicWindow = window;
    dsound.Init(window);
    if (!options.musicFile.empty()) PlayMusic(options.musicFile);

    Settings kept = settings;
    kept.scale = options.scale;
    // On the heap: in a browser page the loop outlives this function.
    auto door = std::make_shared<cFrontDoor>(options, kept, window);
    int status = 0;
    if (!door->Begin(&status)) {
        DestroyGameWindow(window);
        ClearMessageQueue();
        return status;
    }
    // The loop runs here on the desktop; in a browser page its frames run the
    // passes, and the end comes in the last of them (platform/main_loop.h).
    LoopParts loop;
    loop.pass = [door, clock = SystemLoopClock()](int* passStatus) {
        return MainLoopPass(clock, [door](int* quitStatus) { return door->Step(quitStatus); }, passStatus);
    };
    loop.finish = [door](int endStatus) {
        door->End();  // the quit goes out, the replay is kept, the settings saved
        return endStatus;
    };
    loop.keep = [door] { door->KeepSettings(); };
    return RunLoop(loop);
}
