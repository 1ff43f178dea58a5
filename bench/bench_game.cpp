// The game's own costs: a whole logic step with its frame at the worst load
// the game meets (difficulty 9, 300 dice in the air), the generator's warm-up
// against the standard library's Mersenne Twister, and the cost of loading a
// texture and a sound effect, as the game does on every request.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <random>
#include <string>

#include "app/Random.h"
#include "app/WinMain.h"
#include "audio/cDSound.h"
#include "audio/cSound.h"
#include "game/cFallen.h"
#include "game/cSQMain.h"
#include "graphics/Graphics.h"
#include "graphics/cTextureManager.h"
#include "input/cInput.h"
#include "platform/message_box.h"
#include "platform/render.h"
#include "platform/window.h"
#include "tests/support/headless_game.h"

namespace {

bool StartGame() {
    static bool started = false;
    static bool ok = false;
    if (started) return ok;
    started = true;
    SetMessageBoxHandler([](const std::string& text, const std::string& caption, MessageBoxStyle) {
        std::fprintf(stderr, "bench: message box %s: %s\n", caption.c_str(), text.c_str());
    });
    std::string error;
    ok = StartHeadlessGame("KaziroBench", &error) != nullptr;
    return ok;
}

// One logic step (input, scenes, tasks, frame with present, sound release) on a
// board of difficulty 9 that always has 300 dice falling.
void BM_LogicStepWorstLoad(benchmark::State& state) {
    if (!StartGame()) {
        state.SkipWithError("no headless device");
        return;
    }
    SeedRandom(1u);
    auto* board = new cSQMain(9);
    cSQDefault root(board);
    std::mt19937 place(3u);
    auto refill = [&] {
        while (board->dice.size() < 300) {
            auto* die = new cFallen();
            die->x = 130.0f + static_cast<float>(place() % 540);
            die->y = static_cast<float>(place() % 560);
            die->vy = static_cast<float>(place() % 300) / 100.0f;
            board->dice.push_back(die);
        }
    };
    refill();
    for (auto _ : state) {
        int quitStatus = 0;
        RunLogicStep(root, &quitStatus);
        state.PauseTiming();
        Message m;
        while (PeekMessage(&m)) DispatchMessage(m);
        // Dice that fell out or landed are replaced, so every step carries 300.
        for (auto it = board->dice.begin(); it != board->dice.end();) {
            if ((*it)->landed) {
                delete *it;
                it = board->dice.erase(it);
            } else {
                ++it;
            }
        }
        refill();
        for (int s = 0; s < cSQMain::kMaxSlots; ++s) board->sums[s] = 0;
        state.ResumeTiming();
    }
    // The share of the 16 ms logic step that one step with its frame takes.
    state.counters["share_of_16ms"] = benchmark::Counter(
        0.016, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["dice"] = static_cast<double>(board->dice.size());
}
BENCHMARK(BM_LogicStepWorstLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

// The start-up warm-up (seeding plus 1,000,000 discarded outputs) against
// std::mt19937 seeded and discard(1000000), timed side by side in each iteration.
void BM_WarmUpAgainstStdMt19937(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    double ours = 0.0, theirs = 0.0;
    uint32_t seed = 1;
    for (auto _ : state) {
        const auto a = Clock::now();
        SeedRandom(seed);
        benchmark::DoNotOptimize(Random());
        const auto b = Clock::now();
        std::mt19937 reference(seed);
        reference.discard(1000000);
        benchmark::DoNotOptimize(reference());
        const auto c = Clock::now();
        ours += std::chrono::duration<double, std::milli>(b - a).count();
        theirs += std::chrono::duration<double, std::milli>(c - b).count();
        ++seed;
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["ours_ms"] = ours / n;
    state.counters["std_ms"] = theirs / n;
    state.counters["ratio"] = ours / theirs;
}
BENCHMARK(BM_WarmUpAgainstStdMt19937)->Unit(benchmark::kMillisecond);

// One texture request: decode the PNG, key white, make the texture, release it.
void BM_TextureLoad(benchmark::State& state) {
    if (!StartGame()) {
        state.SkipWithError("no headless device");
        return;
    }
    textureManager.RegisterTexture("Dice1", "Graphic/die1.png");
    for (auto _ : state) {
        Texture* texture = textureManager.CreateTexture("Dice1");
        if (!texture) {
            state.SkipWithError("Graphic/die1.png did not load (run from the build folder)");
            return;
        }
        ReleaseTexture(texture);
    }
}
BENCHMARK(BM_TextureLoad)->Unit(benchmark::kMicrosecond);

// One sound request's load: read the WAV, walk its chunks, convert it for the mixer.
void BM_SoundLoad(benchmark::State& state) {
    if (!StartGame()) {
        state.SkipWithError("no headless device");
        return;
    }
    for (auto _ : state) {
        cSound sound;
        if (sound.Load("Sound/Save.wav") != 0) {
            state.SkipWithError("Sound/Save.wav did not load (run from the build folder)");
            return;
        }
    }
}
BENCHMARK(BM_SoundLoad)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
