#include "app/WinMain.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "app/Play.h"
#include "app/Settings.h"
#include "audio/Music.h"
#include "audio/cDSound.h"
#include "graphics/Graphics.h"
#include "graphics/cTaskManager.h"
#include "input/cInput.h"
#include "net/cNetPlay.h"
#include "net/cNetwork.h"
#include "platform/clock.h"
#include "platform/main_loop.h"
#include "platform/report.h"

namespace {

constexpr int kClientWidth = 800;
constexpr int kClientHeight = 600;

}  // namespace

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
            if (wParam == VK_ESCAPE) PostQuitMessage(0);
            // F11 and Alt+Enter toggle fullscreen, once per press.
            const bool toggle = wParam == VK_F11 || (message == WM_SYSKEYDOWN && wParam == VK_RETURN);
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

StepEnd RunLogicStep(int* quitStatus) {
    // A two-machine game with a quit queued before this step began (the last
    // round ended on both machines, say) takes no further step: the other
    // machine stops at the same step, or learns of the end from the quit
    // notice. A quit posted during a step lets that step finish whole.
    if (netActive && QuitMessageQueued(quitStatus)) return StepEnd::Quit;
    input.Refresh();
    PadQuitTest();
    HandleLocalKeys();
    if (WaitForLocalPads()) {  // the window answers and shows whose pad it waits for
        RenderFrame();
        return StepEnd::Going;
    }
    // While paused the field stays as it is: no scene, task or spawn moves.
    bool paused = false;
    if (netPlay.Active()) {
        if (StepNetPlay(&paused) == StepEnd::Failed) return StepEnd::Failed;
    } else {
        PlayerControls records[kMaxPlayers];
        const StepEnd end = GatherControls(records, quitStatus);
        if (end != StepEnd::Going) return end;
        if (StepPlay(records, &paused) == StepEnd::Failed) return StepEnd::Failed;
    }
    if (!paused) taskManager.RunTasks();
    RenderFrame();
    dsound.ReleaseStopped();
    NoteStepDone();
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
        const StepEnd end = step ? step(&quitStatus) : RunLogicStep(&quitStatus);
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

int WinMain(const AppOptions& options) {
    std::snprintf(windowTitle, sizeof windowTitle, "%s", "Kaziro");
    // Two machines start their generators from the seed they agreed on; a
    // replay from the recording's.
    uint32_t seed = netActive ? netSeed : (netPlay.Active() ? netPlay.Seed() : timeGetTime());
    int players = netActive || netPlay.Active() ? 2 : options.players;
    if (!options.replayFile.empty()) {
        Replay replay;
        std::string why;
        if (!LoadReplay(options.replayFile, &replay, &why)) {
            Report("replay", "%s: %s", options.replayFile.c_str(), why.c_str());
            return kExitBadFile;
        }
        if (replay.version != KAZIRO_VERSION) {
            Report("replay", "%s was recorded by kaziro %s, this is %s: it may play another game",
                   options.replayFile.c_str(), replay.version.c_str(), KAZIRO_VERSION);
        }
        seed = replay.seed;
        players = replay.players;
        StartPlayback(std::move(replay));
    }
    SeedPlay(seed, players);
    UseSyncCheck(options.syncTest);
    UseAutopilot(options.autopilot, options.autopilotSeed);
    if (!options.netLog.empty()) {
        std::string why;
        if (!OpenNetLog(options.netLog, &why)) {
            Report("network", "%s", why.c_str());
            ResetPlay();
            return kExitBadFile;
        }
    }
    if (!options.recordFile.empty()) {
        std::string why;
        if (!StartRecording(options.recordFile, seed, players, &why)) {
            Report("record", "%s", why.c_str());
            ResetPlay();
            return kExitBadFile;
        }
    }

    if (!RegisterWindowClass(windowTitle, WndProc)) {
        ResetPlay();
        return 0;
    }

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
        ResetPlay();
        return kExitNoDisplay;
    }

    InitGraphics(kClientWidth, kClientHeight, window, false);
    if (!HasGraphicsDevice()) {
        Report("graphics", "no rendering device could be created");
        DestroyGameWindow(window);
        ClearMessageQueue();
        ResetPlay();
        return kExitNoDisplay;
    }
    input.keyboardOnly = options.keyboardPad;  // before Init: it keeps slot 0 for the keyboard pad
    input.Init(window);
    if (!StartPlay(options)) {
        DestroyGameWindow(window);
        ClearMessageQueue();
        ResetPlay();
        return kExitCannotPlay;
    }
    musicWindow = window;
    dsound.Init(window);
    if (!options.musicFile.empty()) PlayMusic(options.musicFile);

    ShowFirstScene();
    if (netPlay.Active()) netPlay.Begin(&PlayedGame());
    // Kept for the next run (app/Settings.h): how the window and the sound were left.
    const auto keepSettings = [window, scale = options.scale] {
        SaveSettings(Settings{IsFullscreen(window), scale, dsound.muted});
    };
    // The loop runs here on the desktop; in a browser page its frames run the
    // passes, and the end comes in the last of them (platform/main_loop.h).
    LoopParts loop;
    loop.pass = [clock = SystemLoopClock()](int* status) { return MainLoopPass(clock, {}, status); };
    loop.finish = [keepSettings](int status) {
        netPlay.Shutdown();  // the quit goes out, the router's mapping goes
        CloseNetLog();
        FinishRecording();
        ResetPlay();  // the picture goes before the graphics state it draws into
        keepSettings();
        return status;
    };
    loop.keep = keepSettings;
    return RunLoop(loop);
}
