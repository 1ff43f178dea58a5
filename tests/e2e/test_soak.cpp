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

#include "app/Play.h"
#include "app/WinMain.h"
#include "graphics/Graphics.h"
#include "input/cInput.h"
#include "platform/keyboard_codes.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "support/headless_game.h"
#include "support/scripted_devices.h"

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
    auto play = std::make_unique<cPlay>();
    WindowHandle window = StartHeadlessGame(*play, "KaziroSoak", &error, &hands);
    ASSERT_NE(window, nullptr) << error;
    play->Seed(4242u, 1);

    std::mt19937 script(7u);
    auto chance = [&](int percent) { return static_cast<int>(script() % 100) < percent; };
    long roundsEnded = 0, restarts = 0, clicks = 0, landings = 0;
    long residentAfterWarmUp = 0;
    play->ShowFirstScene();
    GameState& game = play->Game();
    game.board.Start(9, 1);
    constexpr auto kBoard = static_cast<int32_t>(SceneKind::Board);
    constexpr auto kResult = static_cast<int32_t>(SceneKind::Result);
    for (long step = 1; step <= steps; ++step) {
        // Every 6,000 steps: 500 random steps at difficulty 9, 4,000 steps of
        // aimed play at difficulty 1 (long enough to finish rounds), then 1,500
        // more random steps at difficulty 9. The first 1,000 steps, before the
        // resident size is taken, see both kinds of play->
        const long phase = step % 6000;
        const bool aimed = phase >= 500 && phase < 4500;
        for (uint8_t& k : hands.keys) k = 0;
        if (phase == 500) hands.keys[DIK_NUMPAD1] = 0x80;
        if (phase == 4500) hands.keys[DIK_NUMPAD9] = 0x80;
        if (!aimed && chance(1)) hands.keys[DIK_NUMPAD1 + script() % 3] = 0x80;

        const bool board = game.scene == kBoard;
        PlayerHands now;
        if (board && aimed) {
            now = AimAtFallingDie(game.board);
        } else if (board) {
            now.move = true;
            now.x = static_cast<float>(static_cast<int>(script() % 900) - 50);
            now.y = static_cast<float>(static_cast<int>(script() % 700) - 50);
            now.left = chance(30);
            now.right = chance(30);
        } else {
            now.left = chance(5);  // the result screen: click now and then
        }
        hands.Apply(now);

        const int32_t sceneBefore = game.scene;
        const int32_t spawnBefore = game.spawnCounter;
        long landedBefore = 0;
        for (int s = 0; s < cSQMain::kMaxSlots; ++s) landedBefore += game.board.counts[s];
        int quitStatus = 0;
        ASSERT_EQ(RunLogicStep(*play, &quitStatus), StepEnd::Going);
        if (game.scene != sceneBefore) {
            if (game.scene == kResult) ++roundsEnded;
            else ++clicks;
        } else if (board && game.spawnCounter == spawnBefore) {
            ++restarts;  // a restart step does nothing else, not even the spawn rhythm
        } else if (board) {
            long landedAfter = 0;
            for (int s = 0; s < cSQMain::kMaxSlots; ++s) landedAfter += game.board.counts[s];
            landings += landedAfter - landedBefore;
        }
        ASSERT_NE(game.scene, static_cast<int32_t>(SceneKind::None)) << "the chain ended at step " << step;
        Message m;
        while (PeekMessage(&m)) DispatchMessage(m);
        if (step == 1000) residentAfterWarmUp = ResidentKiB();
    }
    play.reset();
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
