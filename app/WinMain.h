// The program's spine: start-up, the window procedure, the fixed-step main
// loop, and the ways the program quits.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "app/Options.h"
#include "app/Play.h"
#include "app/Settings.h"
#include "platform/main_loop.h"
#include "platform/window.h"

// Window class name and caption, copied in at start-up.
extern char windowTitle[64];
// Time of the last logic step, advanced by exactly 16 ms per step.
extern uint32_t stepClock;

// Length of one logic step in milliseconds.
constexpr uint32_t kStepMilliseconds = 16;
// Exit status when the game failed: the line to the other machine, the sync
// test, a replay gone apart.
constexpr int kExitExchangeFailed = 1;
// Exit status when no window or no graphics device could be made.
constexpr int kExitNoDisplay = 1;
// Exit status when the game asked for cannot be played on this machine.
constexpr int kExitCannotPlay = 1;
// Exit status when a replay to play or a recording to write cannot be used.
constexpr int kExitBadFile = 2;

// Where the main loop reads the time and how it waits between polls. The
// game uses the system clock; tests drive the timing exactly.
struct LoopClock {
    std::function<uint32_t()> now;
    std::function<void(uint32_t)> sleep;
};
LoopClock SystemLoopClock();

// Starts every subsystem, runs the main loop and returns the exit status.
// `settings`: the player's, kept from the last run (the options already won over them).
int WinMain(const AppOptions& options, const Settings& settings = Settings{});

// The game window's procedure.
intptr_t WndProc(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam);

// One logic step, as the main loop runs it: *quitStatus is set when it ends
// on a quit.
using StepFunction = std::function<StepEnd(int* quitStatus)>;

// Runs passes until WM_QUIT is taken from the queue (its wParam is returned)
// or the game fails (kExitExchangeFailed). Each step is `step`: the front
// door's, or a test's own.
int RunMainLoop(const LoopClock& clock, const StepFunction& step);
// One pass of that loop: a logic step when one is due (else a short sleep),
// then one queued message. Ended, with *status, on a quit or a failed game.
LoopPass MainLoopPass(const LoopClock& clock, const StepFunction& step, int* status);

// One logic step of `play`: input, pad quit test, the players' records
// (exchanged in a two-machine game), the game's step with its picture and
// sounds, tasks, frame, release of finished sounds. While the players on this
// machine wait for their pads it only draws the frame. In a two-machine game
// it does not start while a quit is queued, and ends early when the game
// failed or a quit was taken while it waited (then *quitStatus is that
// quit's status).
StepEnd RunLogicStep(cPlay& play, int* quitStatus);
// The start of a logic step: the devices sampled, the pad quit test.
void SampleInput();
// The rest of a logic step, after the sample: the game's step with its
// picture and sounds, tasks, frame, release of finished sounds.
StepEnd PlayStep(cPlay& play, int* quitStatus);

// Whether Escape quits (as it does unless the menu, or a replay chosen from
// it, has it).
void LetEscapeQuit(bool quits);

// The pad quit test: R1, R2, L1, L2, SELECT and START held together on any pad.
void PadQuitTest();
