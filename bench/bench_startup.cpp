// Start-up to the first presented frame, measured in a fresh child process for
// each iteration: the generator's seeding and warm-up, the window, the device,
// input and sound set-up, the first board with its textures, and one logic
// step with its frame. The parent never starts SDL itself.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>

#include "app/Play.h"
#include "app/WinMain.h"
#include "audio/cDSound.h"
#include "graphics/Graphics.h"
#include "input/cInput.h"
#include "platform/clock.h"
#include "platform/window.h"

namespace {

// The start-up of the game, as the entry point runs it, up to the first frame.
[[noreturn]] void StartUpAndReport(int fd) {
    static cPlay play;  // the child ends with _exit: nothing is torn down
    play.Seed(timeGetTime(), 1);
    RegisterWindowClass("KaziroStartUp", WndProc);
    std::string error;
    WindowHandle window = CreateGameWindow("KaziroStartUp", "Kaziro", 800, 600, &error);
    if (!window) _exit(2);
    InitGraphics(800, 600, window, false);
    input.Init(window);
    play.Start(AppOptions{});
    dsound.Init(window);
    play.ShowFirstScene();
    int quitStatus = 0;
    RunLogicStep(play, &quitStatus);  // its frame is presented
    const char done = 1;
    if (write(fd, &done, 1) != 1) _exit(3);
    _exit(0);
}

void BM_StartUpToFirstFrame(benchmark::State& state) {
    for (auto _ : state) {
        int fds[2];
        if (pipe(fds) != 0) {
            state.SkipWithError("pipe");
            return;
        }
        const auto start = std::chrono::steady_clock::now();
        const pid_t child = fork();
        if (child == 0) {
            close(fds[0]);
            StartUpAndReport(fds[1]);
        }
        close(fds[1]);
        char done = 0;
        const bool ok = read(fds[0], &done, 1) == 1;
        const auto end = std::chrono::steady_clock::now();
        close(fds[0]);
        waitpid(child, nullptr, 0);
        if (!ok) {
            state.SkipWithError("the child did not reach its first frame");
            return;
        }
        state.SetIterationTime(std::chrono::duration<double>(end - start).count());
    }
}
BENCHMARK(BM_StartUpToFirstFrame)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(10);

}  // namespace

BENCHMARK_MAIN();
