// A long headless run of whole logic steps (input, scenes, frame, sound
// release) with a scripted player: random cursor and buttons at difficulty 9,
// keypad restarts, and stretches of aimed play at difficulty 1 so that rounds
// end and the result screen is clicked through. Run under the sanitizers it
// shows the steps free of memory errors and leaks; the resident size at the
// end must stay within 2 MiB of what it was after the first 1,000 steps.
//
// Steps: KAZIRO_SOAK_STEPS (default 20,000; at least 2,000).
#include <gtest/gtest.h>

#include <malloc.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>

#include "app/Random.h"
#include "app/WinMain.h"
#include "audio/cDSound.h"
#include "game/cSQInterval.h"
#include "game/cSQMain.h"
#include "graphics/Graphics.h"
#include "input/cInput.h"
#include "platform/input_devices.h"
#include "platform/keyboard_codes.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "support/scripted_player.h"
#include "support/headless_game.h"

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define KAZIRO_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define KAZIRO_ASAN 1
#endif
#ifdef KAZIRO_ASAN
// A small quarantine, so that freed blocks are reused and the resident size
// measures the game rather than the sanitizer's hold on freed memory.
extern "C" const char* __asan_default_options() { return "quarantine_size_mb=1"; }
#endif

namespace {

// The player's hands: a cursor and a keyboard the script sets.
class ScriptedDevices : public InputDevices {
public:
    bool StartPads() override { return true; }
    int CountAttachedPads() override { return 0; }
    std::unique_ptr<PadDevice> OpenPad(int) override { return nullptr; }
    bool HasFocus(WindowHandle) override { return true; }
    WindowHandle FindWindowByTitle(const char*) override { return nullptr; }
    void ReadKeyboard(uint8_t out[256]) override {
        for (int i = 0; i < 256; ++i) out[i] = keys[i];
    }
    void GetCursor(WindowHandle, int* x, int* y) override {
        *x = cursorX;
        *y = cursorY;
    }
    uint8_t keys[256] = {};
    int cursorX = 400;
    int cursorY = 300;
};

// Hands freed memory back to the system first, so that the resident size
// measures what the game holds rather than what the allocator keeps cached.
extern "C" void __sanitizer_purge_allocator() __attribute__((weak));

long ResidentKiB() {
    if (__sanitizer_purge_allocator) __sanitizer_purge_allocator();
    malloc_trim(0);
    long pages = 0, resident = 0;
    FILE* f = std::fopen("/proc/self/statm", "r");
    if (!f) return -1;
    if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2) resident = -1;
    std::fclose(f);
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

}  // namespace

TEST(Soak, ThousandsOfStepsWithoutErrorsLeaksOrGrowth) {
    const char* env = std::getenv("KAZIRO_SOAK_STEPS");
    const long steps = env ? std::atol(env) : 20000;
    ASSERT_GE(steps, 2000);

    int boxes = 0;
    SetMessageBoxHandler([&](const std::string&, const std::string&, MessageBoxStyle) { ++boxes; });
    ScriptedDevices hands;
    std::string error;
    WindowHandle window = StartHeadlessGame("KaziroSoak", &error, &hands);
    ASSERT_NE(window, nullptr) << error;
    SeedRandom(4242u);

    std::mt19937 script(7u);
    auto chance = [&](int percent) { return static_cast<int>(script() % 100) < percent; };
    long roundsEnded = 0, restarts = 0, clicks = 0, landings = 0;
    long residentAfterWarmUp = 0;
    {
        cSQDefault root(NewBoard(9));
        for (long step = 1; step <= steps; ++step) {
            // Every 6,000 steps: 500 random steps at difficulty 9, 4,000 steps of
            // aimed play at difficulty 1 (long enough to finish rounds), then 1,500
            // more random steps at difficulty 9. The first 1,000 steps, before the
            // resident size is taken, see both kinds of play.
            const long phase = step % 6000;
            const bool aimed = phase >= 500 && phase < 4500;
            for (uint8_t& k : hands.keys) k = 0;
            if (phase == 500) hands.keys[DIK_NUMPAD1] = 0x80;
            if (phase == 4500) hands.keys[DIK_NUMPAD9] = 0x80;
            if (!aimed && chance(1)) hands.keys[DIK_NUMPAD1 + script() % 3] = 0x80;

            auto* board = dynamic_cast<cSQMain*>(root.child);
            bool left = false, right = false;
            if (board && aimed) {
                const PlayerHands aim = AimAtFallingDie(*board);
                left = aim.left;
                right = aim.right;
                if (aim.move) {
                    hands.cursorX = static_cast<int>(aim.x);
                    hands.cursorY = static_cast<int>(aim.y);
                }
            } else if (board) {
                hands.cursorX = static_cast<int>(script() % 900) - 50;
                hands.cursorY = static_cast<int>(script() % 700) - 50;
                left = chance(30);
                right = chance(30);
            } else {
                // The result screen: click now and then.
                left = chance(5);
            }
            input.rawMouse.left = left ? 1 : 0;  // as the window procedure records them
            input.rawMouse.right = right ? 1 : 0;

            const cSequence* before = root.child;
            long landedBefore = 0;
            if (board) {
                for (int s = 0; s < cSQMain::kMaxSlots; ++s) landedBefore += board->counts[s];
            }
            int quitStatus = 0;
            ASSERT_EQ(RunLogicStep(root, &quitStatus), StepEnd::Going);
            if (root.child != before) {
                if (dynamic_cast<cSQInterval*>(root.child)) ++roundsEnded;
                else if (board) ++restarts;
                else ++clicks;
            } else if (board) {
                long landedAfter = 0;
                for (int s = 0; s < cSQMain::kMaxSlots; ++s) landedAfter += board->counts[s];
                landings += landedAfter - landedBefore;
            }
            ASSERT_NE(root.child, nullptr) << "the chain ended at step " << step;
            Message m;
            while (PeekMessage(&m)) DispatchMessage(m);
            if (step == 1000) residentAfterWarmUp = ResidentKiB();
        }
    }
    const long residentAtEnd = ResidentKiB();
    std::printf("soak: %ld steps, %ld landings, %ld rounds ended, %ld restarts, %ld clicks on"
                " to the next board; resident %ld KiB after 1,000 steps, %ld KiB at the end\n",
                steps, landings, roundsEnded, restarts, clicks, residentAfterWarmUp, residentAtEnd);
    EXPECT_EQ(boxes, 0);
    EXPECT_GT(landings, 2);
    if (steps > 4500) {  // a whole aimed stretch, and the switch back to difficulty 9
        EXPECT_GT(roundsEnded, 0);
        EXPECT_GT(restarts, 0);
    }
    EXPECT_LE(residentAtEnd - residentAfterWarmUp, 2048);
    SetMessageBoxHandler(nullptr);
    DestroyGameWindow(window);
    ClearMessageQueue();
}
