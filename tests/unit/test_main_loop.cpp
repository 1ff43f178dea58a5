// The fixed-step main loop: step timing against a scripted clock, one message
// per pass, and the ways out of the loop.
#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <vector>

#include "app/Play.h"
#include "app/WinMain.h"
#include "audio/Music.h"
#include "input/cInput.h"
#include "net/cNetwork.h"
#include "platform/keyboard_codes.h"
#include "platform/sdl_internal.h"
#include "platform/window.h"

namespace {

// A clock the test owns: every 1 ms sleep moves it on by 1 ms; a stall can be
// scheduled at a given time.
struct ScriptedClock {
    uint32_t now = 0;
    uint32_t stallAt = 0;
    uint32_t stallLength = 0;
    LoopClock loopClock() {
        return LoopClock{[this] { return now; },
                         [this](uint32_t ms) {
                             now += ms;
                             if (stallLength && now == stallAt) now += stallLength;
                         }};
    }
};

// A step that records the time it ran at and ends the program after a given
// number of steps.
struct TimedSteps {
    TimedSteps(ScriptedClock* clock, size_t steps) : clock(clock), steps(steps) {}
    StepEnd operator()(int*) {
        times.push_back(clock->now);
        if (onStep) onStep();
        if (times.size() == steps) PostQuitMessage(0);
        return StepEnd::Going;
    }
    ScriptedClock* clock;
    size_t steps;
    std::vector<uint32_t> times;
    std::function<void()> onStep;
};

int RunFor(TimedSteps& steps, ScriptedClock& clock) {
    return RunMainLoop(clock.loopClock(), [&steps](int* status) { return steps(status); });
}

}  // namespace

class MainLoop : public ::testing::Test {
protected:
    void SetUp() override {
        ClearMessageQueue();
    }
    void TearDown() override { ClearMessageQueue(); }
};

TEST_F(MainLoop, SixteenMillisecondsRunNoStepSeventeenRunOne) {
    ScriptedClock clock;
    clock.now = 1016;
    stepClock = 1000;
    TimedSteps scene(&clock, 3);
    EXPECT_EQ(RunFor(scene, clock), 0);
    // 16 ms after the clock no step runs; the 1 ms sleep makes it 17 and the step runs.
    ASSERT_EQ(scene.times.size(), 3u);
    EXPECT_EQ(scene.times[0], 1017u);
    EXPECT_EQ(scene.times[1], 1033u);
    EXPECT_EQ(scene.times[2], 1049u);
    EXPECT_EQ(stepClock, 1000u + 3 * 16);  // advanced by exactly 16 per step
}

TEST_F(MainLoop, StallIsCaughtUpWithBackToBackStepsNoneSkipped) {
    ScriptedClock clock;
    clock.now = 1017;
    stepClock = 1000;
    TimedSteps scene(&clock, 12);
    // A 100 ms stall that begins 10 ms after the second step.
    clock.stallAt = 1033 + 10;
    clock.stallLength = 100;
    EXPECT_EQ(RunFor(scene, clock), 0);
    const std::vector<uint32_t> expected = {1017, 1033,
                                            1143, 1143, 1143, 1143, 1143, 1143,  // six caught up
                                            1145, 1161, 1177, 1193};
    EXPECT_EQ(scene.times, expected);
}

TEST_F(MainLoop, StartUpTimeIsCaughtUpAtTheStartOfTheLoop) {
    ScriptedClock clock;
    stepClock = 5000;
    clock.now = 5100;  // start-up took 100 ms after the clock was set
    TimedSteps scene(&clock, 8);
    EXPECT_EQ(RunFor(scene, clock), 0);
    const std::vector<uint32_t> expected = {5100, 5100, 5100, 5100, 5100, 5100, 5113, 5129};
    EXPECT_EQ(scene.times, expected);
}

TEST_F(MainLoop, SteppingGoesOnAcrossTheWrapOfTheMillisecondCounter) {
    ScriptedClock clock;
    stepClock = 0xFFFFFFC0u;
    clock.now = stepClock + 17;
    TimedSteps scene(&clock, 10);
    EXPECT_EQ(RunFor(scene, clock), 0);
    ASSERT_EQ(scene.times.size(), 10u);
    bool wrapped = false;
    for (size_t i = 1; i < scene.times.size(); ++i) {
        EXPECT_EQ(static_cast<uint32_t>(scene.times[i] - scene.times[i - 1]), 16u) << i;
        wrapped = wrapped || scene.times[i] < scene.times[i - 1];
    }
    EXPECT_TRUE(wrapped);
}

TEST_F(MainLoop, QuitPostedDuringAStepLetsTheStepFinish) {
    ScriptedClock clock;
    stepClock = 0;
    clock.now = 17;
    int steps = 0;
    bool finished = false;
    const int status = RunMainLoop(clock.loopClock(), [&](int*) {
        ++steps;
        PostQuitMessage(0);
        finished = true;  // the rest of the step still runs
        return StepEnd::Going;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(steps, 1);
    EXPECT_TRUE(finished);
}

TEST_F(MainLoop, FailedExchangeEndsTheLoopAtOnceWithStatusOne) {
    ScriptedClock clock;
    stepClock = 0;
    clock.now = 17;
    cNetwork line;  // no connection: the exchange fails in the first step
    cPlay play;
    play.Seed(1u, 2);
    ASSERT_TRUE(play.Start(AppOptions{}, &line));
    play.Game().board.Start(1, 2);
    play.Game().scene = static_cast<int32_t>(SceneKind::Board);
    line.Begin(&play.Game(), StepGame);
    EXPECT_EQ(RunMainLoop(clock.loopClock(), [&play](int* status) { return RunLogicStep(play, status); }),
              kExitExchangeFailed);
    EXPECT_EQ(play.Game().spawnCounter, 0);  // the game did not step
}

// Loop tests that need the game window and its procedure.
class MainLoopWindow : public MainLoop {
protected:
    static void SetUpTestSuite() {
        RegisterWindowClass("KaziroLoopTest", WndProc);
        std::string error;
        window = CreateGameWindow("KaziroLoopTest", "Kaziro", 800, 600, &error);
        ASSERT_NE(window, nullptr) << error;
    }
    static WindowHandle window;
};
WindowHandle MainLoopWindow::window = nullptr;

TEST_F(MainLoopWindow, EscapeQuitsWithStatusZeroOtherKeysDoNothing) {
    ScriptedClock clock;
    stepClock = 0;
    clock.now = 17;
    TimedSteps scene(&clock, 1000);
    PostMessage(Message{window, WM_KEYDOWN, 'A', 0});
    PostMessage(Message{window, WM_KEYDOWN, VK_RETURN, 0});
    PostMessage(Message{window, WM_KEYDOWN, VK_ESCAPE, 0});
    EXPECT_EQ(RunFor(scene, clock), 0);
    // Three key messages and the quit took four passes, one message each.
    EXPECT_EQ(scene.times.size(), 1u);
}

TEST_F(MainLoopWindow, AtMostOneMessageIsHandledPerPass) {
    ScriptedClock clock;
    stepClock = 0;
    clock.now = 100;  // six steps back to back, one pass each
    TimedSteps scene(&clock, 6);
    // Each dropped file (here: drops with no file) marks fileDropped once.
    std::vector<bool> droppedAtStep;
    scene.onStep = [&] {
        droppedAtStep.push_back(fileDropped);
        fileDropped = false;
    };
    fileDropped = false;
    for (int i = 0; i < 3; ++i) PostMessage(Message{window, WM_DROPFILES, 1000u + i, 0});
    EXPECT_EQ(RunFor(scene, clock), 0);
    // Each step sees the effect of exactly one message since the one before.
    EXPECT_EQ(droppedAtStep, (std::vector<bool>{false, true, true, true, false, false}));
}

// A mouse button is recorded when the window procedure handles its message,
// one message per pass, and the next step's sampling copies it: a press and
// a release that arrive together, behind a key, are still seen by the step
// that runs between their two messages, and not before.
TEST_F(MainLoopWindow, AButtonIsSeenByTheStepAfterItsMessageIsHandled) {
    ScriptedClock clock;
    stepClock = 0;
    clock.now = 16 * 5 + 1;  // five steps back to back, one pass each
    TimedSteps scene(&clock, 5);
    std::vector<int> left;
    scene.onStep = [&] {
        input.Refresh();
        left.push_back(input.mouse.left);
    };
    input.rawMouse = MouseState{};
    SDL_Event e;
    SDL_zero(e);
    e.type = SDL_KEYDOWN;
    e.key.windowID = SDL_GetWindowID(SdlWindowOf(window));
    e.key.keysym.sym = SDLK_a;
    SDL_PushEvent(&e);
    SDL_zero(e);
    e.button.windowID = SDL_GetWindowID(SdlWindowOf(window));
    e.button.button = SDL_BUTTON_LEFT;
    e.type = SDL_MOUSEBUTTONDOWN;
    SDL_PushEvent(&e);
    e.type = SDL_MOUSEBUTTONUP;
    SDL_PushEvent(&e);
    EXPECT_EQ(RunFor(scene, clock), 0);
    // Pass 1 handles the key, pass 2 the press, pass 3 the release.
    EXPECT_EQ(left, (std::vector<int>{0, 0, 1, 0, 0}));
}

// A tap: a key and a button pressed and let go again between two steps, all
// their messages handled before the next step. That step sees both down, the
// one after sees both up.
TEST_F(MainLoopWindow, ATapBetweenTwoStepsCountsForExactlyOneStep) {
    ScriptedClock clock;
    stepClock = 0;
    clock.now = 17;  // a step at once, then 16 passes of 1 ms for the messages
    TimedSteps scene(&clock, 3);
    std::vector<int> left, keyP;
    scene.onStep = [&] {
        input.Refresh();
        left.push_back(input.mouse.left);
        keyP.push_back(input.keys[DIK_P] ? 1 : 0);
    };
    // The system's own devices; only the focus is given, which SDL's dummy
    // driver never hands a window.
    struct Focused : InputDevices {
        InputDevices& system = SystemInputDevices();
        bool StartPads() override { return true; }
        int CountAttachedPads() override { return 0; }
        std::unique_ptr<PadDevice> OpenPad(int) override { return nullptr; }
        bool HasFocus(WindowHandle) override { return true; }
        WindowHandle FindWindowByTitle(const char* t) override { return system.FindWindowByTitle(t); }
        void ReadKeyboard(uint8_t keys[256]) override { system.ReadKeyboard(keys); }
        void GetCursor(WindowHandle w, int* x, int* y) override { system.GetCursor(w, x, y); }
    } devices;
    input.Init(window, &devices);
    input.rawMouse = input.pressedSinceSample = MouseState{};
    for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP, SDL_MOUSEBUTTONDOWN, SDL_MOUSEBUTTONUP}) {
        SDL_Event e;
        SDL_zero(e);
        e.type = type;
        if (type == SDL_KEYDOWN || type == SDL_KEYUP) {
            e.key = {type, 0, SDL_GetWindowID(SdlWindowOf(window)), 0, 0, 0, 0, {SDL_SCANCODE_P, SDLK_p, 0, 0}};
        } else {
            e.button.windowID = SDL_GetWindowID(SdlWindowOf(window));
            e.button.button = SDL_BUTTON_LEFT;
        }
        SDL_PushEvent(&e);
    }
    EXPECT_EQ(RunFor(scene, clock), 0);
    input.Shutdown();
    EXPECT_EQ(left, (std::vector<int>{0, 1, 0}));
    EXPECT_EQ(keyP, (std::vector<int>{0, 1, 0}));
}

// Closing the window goes through the default handling to WM_DESTROY and the
// quit message. Last in this suite: it destroys the shared window.
TEST_F(MainLoopWindow, ZClosingTheWindowQuitsWithStatusZero) {
    ScriptedClock clock;
    stepClock = 0;
    clock.now = 17;
    TimedSteps scene(&clock, 1000);
    PostMessage(Message{window, WM_CLOSE, 0, 0});
    EXPECT_EQ(RunFor(scene, clock), 0);
    int w = -1, h = -1;
    GetClientSize(window, &w, &h);
    EXPECT_EQ(w, 0);  // the window is gone
}
