// The game's global objects, defined in one place so that they are constructed
// in this order before main runs and destroyed in the reverse order after it returns.
#include "app/WinMain.h"
#include "audio/cDSound.h"
#include "graphics/Graphics.h"
#include "graphics/cTaskManager.h"
#include "graphics/cTextureManager.h"
#include "input/cInput.h"
#include "platform/clock.h"
#include "platform/platform.h"

namespace {

// Raises the timer resolution for the run; puts it back at exit.
struct TimerResolution {
    TimerResolution() { timeBeginPeriod(1); }
    ~TimerResolution() { timeEndPeriod(1); }
};

}  // namespace

// SDL itself: ended after everything below has let go of it.
PlatformLifetime platformLifetime;

// The graphics state with its draw lists and camera table.
GraphicsState graphics;
// Input and the sound player: cleaned up after the sound player, in reverse order.
cInput input;
cDSound dsound;
// The step clock, set to the current time before the entry point runs.
char windowTitle[64];
uint32_t stepClock = timeGetTime();
TimerResolution timerResolution;
cTaskManager taskManager;
cMeshManager meshManager;
cTextureManager textureManager;
