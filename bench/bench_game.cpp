// The game's own costs: a whole logic step with its frame at the worst load
// the game meets (difficulty 9, 300 dice in the air), a snapshot and restore
// of the game's state and eight steps re-simulated from one (what rollback
// does), the generator's warm-up against the standard library's Mersenne
// Twister, and the cost of loading a texture and a sound effect, as the game
// does on every request.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>

#include "app/Play.h"
#include "app/WinMain.h"
#include "audio/cDSound.h"
#include "audio/cSound.h"
#include "game/GameState.h"
#include "graphics/Graphics.h"
#include "graphics/cTextureManager.h"
#include "input/cInput.h"
#include "platform/message_box.h"
#include "platform/render.h"
#include "platform/window.h"
#include "scene/cSceneView.h"
#include "tests/support/headless_game.h"

namespace {

// The game being measured; made anew by each benchmark that plays.
std::unique_ptr<cPlay> play;

bool StartGame() {
    static bool started = false;
    static bool ok = false;
    if (started) return ok;
    started = true;
    SetMessageBoxHandler([](const std::string& text, const std::string& caption, MessageBoxStyle) {
        std::fprintf(stderr, "bench: message box %s: %s\n", caption.c_str(), text.c_str());
    });
    std::string error;
    play = std::make_unique<cPlay>();
    ok = StartHeadlessGame(*play, "KaziroBench", &error) != nullptr;
    return ok;
}

// A fresh game of `players` on the first board.
GameState& NewGame(uint32_t seed, int players) {
    play = std::make_unique<cPlay>();
    play->Seed(seed, players);
    AppOptions options;
    options.players = players;
    play->Start(options);
    play->ShowFirstScene();
    return play->Game();
}

// One logic step (input, scenes, tasks, frame with present, sound release) on a
// board of difficulty 9 that always has 300 dice falling.
void BM_LogicStepWorstLoad(benchmark::State& state) {
    if (!StartGame()) {
        state.SkipWithError("no headless device");
        return;
    }
    GameState& game = NewGame(1u, 1);
    game.board.Start(9, 1);
    std::mt19937 place(3u);
    auto refill = [&] {
        while (game.board.diceCount < 300) {
            cFallen& die = game.board.dice[game.board.diceCount++];
            die = cFallen::Spawn(game.nextDieId++, game.random);
            die.x = 130.0f + static_cast<float>(place() % 540);
            die.y = static_cast<float>(place() % 560);
            die.vy = static_cast<float>(place() % 300) / 100.0f;
        }
    };
    refill();
    for (auto _ : state) {
        int quitStatus = 0;
        RunLogicStep(*play, &quitStatus);
        state.PauseTiming();
        Message m;
        while (PeekMessage(&m)) DispatchMessage(m);
        // Dice that fell out or landed are replaced, so every step carries 300.
        int32_t kept = 0;
        for (int32_t i = 0; i < game.board.diceCount; ++i) {
            if (!game.board.dice[i].landed) game.board.dice[kept++] = game.board.dice[i];
        }
        game.board.diceCount = kept;
        refill();
        for (int s = 0; s < cSQMain::kMaxSlots; ++s) game.board.sums[s] = game.board.counts[s] = 0;
        state.ResumeTiming();
    }
    // The share of the 16 ms logic step that one step with its frame takes.
    state.counters["share_of_16ms"] = benchmark::Counter(
        0.016, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["dice"] = static_cast<double>(game.board.diceCount);
    play.reset();
}
BENCHMARK(BM_LogicStepWorstLoad)->Unit(benchmark::kMillisecond)->UseRealTime();

// The worst board a round really reaches: difficulty 9 with every slot full
// (180 dice landed) and 6 dice in the air.
GameState WorstRealisticGame() {
    GameState game;
    SeedGame(game, 7u, 2);
    game.board.Start(9, 2);
    game.scene = static_cast<int32_t>(SceneKind::Board);
    for (int32_t s = 0; s < cSQMain::kMaxSlots; ++s) {
        for (int n = 0; n < 10; ++n) {
            cFallen& die = game.board.dice[game.board.diceCount++];
            die = cFallen::Spawn(game.nextDieId++, game.random);
            die.face = 0;
            die.landed = true;
            die.slot = s;
        }
        game.board.sums[s] = 9;  // one short, so the round goes on
        game.board.counts[s] = 10;
    }
    for (int i = 0; i < 6; ++i) {
        cFallen& die = game.board.dice[game.board.diceCount++];
        die = cFallen::Spawn(game.nextDieId++, game.random);
        die.x = 200.0f + 60.0f * static_cast<float>(i);
        die.y = 50.0f * static_cast<float>(i);
        die.vy = 1.0f;
    }
    return game;
}

// A snapshot of the game's state and its restore: a copy and a copy back.
void BM_SnapshotAndRestore(benchmark::State& state) {
    GameState game = WorstRealisticGame();
    auto snapshot = std::make_unique<GameState>();
    for (auto _ : state) {
        *snapshot = game;
        benchmark::ClobberMemory();
        game = *snapshot;
        benchmark::ClobberMemory();
    }
    state.counters["bytes"] = static_cast<double>(sizeof(GameState));
}
BENCHMARK(BM_SnapshotAndRestore)->Unit(benchmark::kMicrosecond);

// What a rollback costs before it draws: the state restored from a snapshot
// and eight steps stepped again on two players' records, with their checksums.
void BM_ResimulateEightSteps(benchmark::State& state) {
    const GameState start = WorstRealisticGame();
    auto game = std::make_unique<GameState>();
    StepEvents events;
    PlayerControls records[kMaxPlayers];
    records[1].x = 300.0f;
    records[1].y = 450.0f;
    for (auto _ : state) {
        *game = start;
        for (int step = 0; step < 8; ++step) {
            records[0].x = 200.0f + 30.0f * static_cast<float>(step);
            records[0].y = 320.0f;
            records[0].turnLeft = step % 2;
            StepGame(*game, records, events);
            benchmark::DoNotOptimize(StateChecksum(*game));
        }
    }
}
BENCHMARK(BM_ResimulateEightSteps)->Unit(benchmark::kMicrosecond);

// The worst frame rollback can make: at the worst realistic board, the
// state restored and all ten steps the prediction may run ahead stepped
// again, the last with its picture and sounds, and the frame drawn and
// presented with the software renderer.
void BM_DeepestRollbackFrame(benchmark::State& state) {
    if (!StartGame()) {
        state.SkipWithError("no headless device");
        return;
    }
    NewGame(7u, 2);
    play.reset();  // the frame below is drawn by a view of its own
    cSceneView view;
    const auto snapshot = std::make_unique<GameState>(WorstRealisticGame());
    auto game = std::make_unique<GameState>(*snapshot);
    PlayerControls records[kMaxPlayers];
    StepEvents events;
    view.Show(*game, nullptr);  // the picture of that board, once
    int frame = 0;
    for (auto _ : state) {
        *game = *snapshot;
        for (int step = 0; step < 10; ++step) {
            records[0].x = 200.0f + 30.0f * static_cast<float>((step + frame) % 12);
            records[0].y = 320.0f;
            records[1].turnRight = step % 2;
            StepGame(*game, records, events);
        }
        view.Show(*game, &events);  // the last step with its picture and sounds
        RenderFrame();
        ++frame;
        state.PauseTiming();
        Message m;
        while (PeekMessage(&m)) DispatchMessage(m);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DeepestRollbackFrame)->Unit(benchmark::kMillisecond)->UseRealTime();

// The start-up warm-up (seeding plus 1,000,000 discarded outputs) against
// std::mt19937 seeded and discard(1000000), timed side by side in each iteration.
void BM_WarmUpAgainstStdMt19937(benchmark::State& state) {
    using Clock = std::chrono::steady_clock;
    double ours = 0.0, theirs = 0.0;
    uint32_t seed = 1;
    for (auto _ : state) {
        const auto a = Clock::now();
        RandomState random;
        SeedRandom(random, seed);
        benchmark::DoNotOptimize(Random(random));
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
