// One frame pass of a busy field (300 sprites of 32 x 32 and 20 labels) in the
// software renderer at 800 x 600, against a bare loop of the same
// SDL_RenderCopyExF calls on the same textures. The ratio of the two is printed
// after the runs; it measures what the display objects add to the raw drawing.

#include <benchmark/benchmark.h>

#include <SDL.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "graphics/Graphics.h"
#include "graphics/cMetaObject.h"
#include "graphics/cTextureManager.h"
#include "platform/render.h"
#include "platform/render_internal.h"
#include "tests/support/headless.h"

namespace {

constexpr int kSprites = 300;
constexpr int kLabels = 20;

struct Field {
    std::vector<std::unique_ptr<cSprite>> sprites;
    std::vector<std::unique_ptr<cFont>> labels;
    bool ready = false;
};

Field& TheField() {
    static Field field;
    if (field.ready) return field;
    field.ready = true;
    if (!headless::StartGraphics()) return field;
    char name[16], path[32];
    for (int face = 1; face <= 6; ++face) {
        std::snprintf(name, sizeof name, "Dice%d", face);
        std::snprintf(path, sizeof path, "Graphic/die%d.png", face);
        textureManager.RegisterTexture(name, path);
    }
    for (int i = 0; i < kSprites; ++i) {
        std::snprintf(name, sizeof name, "Dice%d", 1 + i % 6);
        auto sprite = std::make_unique<cSprite>(name, 16 + (i * 37) % 768, 16 + (i * 53) % 568, 32, 32);
        if (i % 4 == 0) sprite->angle = 0.1f * static_cast<float>(i);  // some dice are turning
        field.sprites.push_back(std::move(sprite));
    }
    for (int i = 0; i < kLabels; ++i) {
        char text[8];
        std::snprintf(text, sizeof text, "%d", i * 10);
        field.labels.push_back(std::make_unique<cFont>(text, 40 + (i % 2) * 720, 40 + (i / 2) * 52));
    }
    RenderFrame();  // the labels render their text once
    return field;
}

void BM_FramePass(benchmark::State& state) {
    Field& field = TheField();
    if (!HasGraphicsDevice() || field.sprites.empty()) {
        state.SkipWithError("no headless device");
        return;
    }
    for (auto _ : state) RenderFrame();
    uint32_t renders = 0;
    for (auto& label : field.labels) renders += FontRenderCount(label->font);
    state.counters["label_renders"] = static_cast<double>(renders);  // stays at one each
}
BENCHMARK(BM_FramePass)->Unit(benchmark::kMicrosecond);

// The same copies straight to SDL: a white clear, one SDL_RenderCopyExF per
// object with the destination, pivot, angle and colour the frame pass uses, present.
void BM_BareCopies(benchmark::State& state) {
    Field& field = TheField();
    SDL_Renderer* renderer = SdlRendererOf(graphics.device);
    if (!renderer || field.sprites.empty()) {
        state.SkipWithError("no headless device");
        return;
    }
    struct Copy {
        SDL_Texture* texture;
        SDL_FRect dst;
        SDL_FPoint pivot;
        double degrees;
        Uint8 r, g, b, a;
    };
    std::vector<Copy> copies;
    for (auto& s : field.sprites) {
        copies.push_back({SdlTextureOf(s->texture), {s->position[0] - 16, s->position[1] - 16, 32, 32},
                          {16, 16}, s->angle * (180.0 / M_PI), 255, 255, 255, 255});
    }
    for (auto& l : field.labels) {
        int w = 0, h = 0;
        SDL_Texture* text = SdlTextTextureOf(l->font, &w, &h);
        copies.push_back({text, {l->position[0] - 16, l->position[1] - 16, static_cast<float>(w),
                                 static_cast<float>(h)},
                          {16, 16}, 0.0, 0, 0, 0, 255});
    }
    for (auto _ : state) {
        SDL_SetRenderDrawColor(renderer, 255, 255, 255, 255);
        SDL_RenderClear(renderer);
        for (const Copy& c : copies) {
            SDL_SetTextureColorMod(c.texture, c.r, c.g, c.b);
            SDL_SetTextureAlphaMod(c.texture, c.a);
            SDL_RenderCopyExF(renderer, c.texture, nullptr, &c.dst, c.degrees, &c.pivot, SDL_FLIP_NONE);
        }
        SDL_RenderPresent(renderer);
    }
}
BENCHMARK(BM_BareCopies)->Unit(benchmark::kMicrosecond);

// Console output as usual, plus the ratio of the two benchmarks at the end
// (medians when the runs are repeated), by wall-clock and by CPU time.
class RatioReporter : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(isatty(fileno(stdout)) ? OO_ColorTabular : OO_Tabular) {}
    void ReportRuns(const std::vector<Run>& runs) override {
        for (const Run& run : runs) {
            if (run.error_occurred) continue;
            Times& t = times_[run.run_name.function_name];
            if (run.run_type == Run::RT_Iteration) {
                t.real.push_back(run.GetAdjustedRealTime());
                t.cpu.push_back(run.GetAdjustedCPUTime());
            } else if (run.aggregate_name == "median") {
                t.medianReal = run.GetAdjustedRealTime();
                t.medianCpu = run.GetAdjustedCPUTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }
    void PrintRatio() const {
        auto frame = times_.find("BM_FramePass");
        auto bare = times_.find("BM_BareCopies");
        if (frame == times_.end() || bare == times_.end()) return;
        const double fr = frame->second.Real(), br = bare->second.Real();
        const double fc = frame->second.Cpu(), bc = bare->second.Cpu();
        if (br <= 0 || bc <= 0) return;
        std::printf("frame pass %.1f us, bare copies %.1f us, ratio %.3f (CPU: %.1f / %.1f us, "
                    "ratio %.3f); target <= 1.25\n",
                    fr, br, fr / br, fc, bc, fc / bc);
    }

private:
    struct Times {
        std::vector<double> real, cpu;
        double medianReal = -1, medianCpu = -1;
        double Real() const { return medianReal >= 0 ? medianReal : Median(real); }
        double Cpu() const { return medianCpu >= 0 ? medianCpu : Median(cpu); }
    };
    static double Median(std::vector<double> values) {
        if (values.empty()) return 0;
        std::sort(values.begin(), values.end());
        return values[values.size() / 2];
    }
    std::map<std::string, Times> times_;
};

}  // namespace

int main(int argc, char** argv) {
    setenv("SDL_VIDEODRIVER", "dummy", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    setenv("SDL_RENDER_DRIVER", "software", 0);
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintRatio();
    // The display objects go before the device's window does.
    TheField().sprites.clear();
    TheField().labels.clear();
    benchmark::Shutdown();
    return 0;
}
