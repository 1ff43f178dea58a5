// The browser's time and main loop. The page's animation frames run the
// game's passes (platform/main_loop.h); its clock is the page's
// high-resolution time, with long stalls left out: a page hidden for a minute
// gets few or no frames, and the game must not then catch a minute of steps up
// at once. Within a stall's first second it catches up step by step,
// as on the desktop.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/main_loop.h"
#include "platform/window.h"

namespace {

// A frame later than this after the last one counts only this much.
constexpr double kLongestGapMs = 1000.0;
// The most passes one frame takes (a step with its frame each, or a message).
constexpr int kPassesPerFrame = 64;
// How often what the player would lose is saved while the page is shown.
constexpr double kKeepEveryMs = 2000.0;

double leftOutMs = 0.0;  // the stalls' time the game's clock does not count
double lastFrameMs = -1.0;
double lastKeepMs = 0.0;
bool shown = false;  // a pass has taken a step (and drawn its frame)
LoopParts* running = nullptr;

void Frame() {
    const double real = emscripten_get_now();
    if (lastFrameMs >= 0.0 && real - lastFrameMs > kLongestGapMs) {
        leftOutMs += real - lastFrameMs - kLongestGapMs;
        EM_ASM({ Module["leftOutMs"] = $0; }, leftOutMs);  // for the page's measurements
    }
    lastFrameMs = real;
    int status = 0;
    for (int i = 0; i < kPassesPerFrame; ++i) {
        const LoopPass pass = running->pass(&status);
        if (pass == LoopPass::Idle) break;
        if (pass == LoopPass::Worked && !shown) {
            shown = true;  // the page hears of the first frame (and measures it)
            EM_ASM({
                if (Module["onFirstFrame"]) Module["onFirstFrame"]();
            });
        }
        if (pass == LoopPass::Ended) {
            emscripten_cancel_main_loop();
            const int code = running->finish ? running->finish(status) : status;
            // Ends the program: global objects are destroyed and the page's
            // onExit hears the status.
            emscripten_force_exit(code);
            return;
        }
    }
    if (running->keep && real - lastKeepMs > kKeepEveryMs) {
        lastKeepMs = real;
        running->keep();
    }
}

EM_BOOL OnVisibility(int, const EmscriptenVisibilityChangeEvent* event, void*) {
    if (event->hidden && running && running->keep) running->keep();
    return EM_FALSE;
}

}  // namespace

uint32_t timeGetTime() {
    return static_cast<uint32_t>(static_cast<uint64_t>(emscripten_get_now() - leftOutMs));
}

// A page cannot sleep: the browser's frames pace the game.
void Sleep(uint32_t) {}

int RunLoop(const LoopParts& parts) {
    running = new LoopParts(parts);  // lives until the program exits
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, OnVisibility);
    // 0: every animation frame; true: main() does not go on past this call.
    emscripten_set_main_loop(Frame, 0, true);
    return 0;  // not reached
}

// The page asks the game to end (a replay was dropped on it): as the close box.
extern "C" EMSCRIPTEN_KEEPALIVE void kaziro_page_quit() { PostQuitMessage(0); }
