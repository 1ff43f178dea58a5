// gen_assets: draws Kaziro's textures and synthesises its sound effects.
//
//   gen_assets OUTDIR [--icons]
//
// Writes OUTDIR/Graphic/*.png and OUTDIR/Sound/*.wav (plus OUTDIR/icons/{64,256}/
// kaziro.png with --icons). Everything is computed from code, so the output is
// identical on every run. Shapes are anti-aliased by supersampling each pixel.

#include <SDL.h>
#include <SDL_image.h>

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "die_pips.h"

namespace {

constexpr float kPi = 3.14159265358979f;
constexpr int kSampleRate = 44100;
constexpr int kSuperSample = 6;          // 6x6 coverage samples per pixel
constexpr int kPathMax = 1024;

// ---------------------------------------------------------------------------
// Errors: report one line and remember that the run failed.

bool g_failed = false;

void fail(const char* what, const char* path, const char* why) {
    if (g_failed) return;  // the first cause is the interesting one
    g_failed = true;
    std::fprintf(stderr, "gen_assets: %s %s: %s\n", what, path, why);
}

bool makeDir(const char* path) {
    if (mkdir(path, 0755) == 0) return true;
    if (errno == EEXIST) {
        struct stat st;
        if (stat(path, &st) == 0 && S_ISDIR(st.st_mode)) return true;
        fail("cannot create directory", path, "a file with that name exists");
        return false;
    }
    fail("cannot create directory", path, std::strerror(errno));
    return false;
}

bool joinPath(char* out, size_t outSize, const char* dir, const char* rel) {
    int n = std::snprintf(out, outSize, "%s/%s", dir, rel);
    if (n < 0 || static_cast<size_t>(n) >= outSize) {
        fail("path too long:", dir, rel);
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Raster canvas. Colours are kept premultiplied while compositing.

struct Color {
    float r, g, b, a;
};

Color rgb(uint32_t hex, float a = 1.0f) {
    return Color{((hex >> 16) & 0xFF) / 255.0f, ((hex >> 8) & 0xFF) / 255.0f,
                 (hex & 0xFF) / 255.0f, a};
}

Color mix(Color x, Color y, float t) {
    if (t < 0.0f) t = 0.0f;
    if (t > 1.0f) t = 1.0f;
    return Color{x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t,
                 x.b + (y.b - x.b) * t, x.a + (y.a - x.a) * t};
}

// Signed distance to a rounded rectangle given by its centre and half extents.
float sdRoundRect(float x, float y, float cx, float cy, float hw, float hh, float r) {
    float qx = std::fabs(x - cx) - (hw - r);
    float qy = std::fabs(y - cy) - (hh - r);
    float ox = qx > 0.0f ? qx : 0.0f;
    float oy = qy > 0.0f ? qy : 0.0f;
    float inside = qx > qy ? qx : qy;
    if (inside > 0.0f) inside = 0.0f;
    return std::sqrt(ox * ox + oy * oy) + inside - r;
}

float sdCircle(float x, float y, float cx, float cy, float r) {
    return std::hypot(x - cx, y - cy) - r;
}

// Signed distance to a stroke of half-width r from (ax, ay) to (bx, by).
float sdSegment(float x, float y, float ax, float ay, float bx, float by, float r) {
    const float px = x - ax, py = y - ay, dx = bx - ax, dy = by - ay;
    float t = (px * dx + py * dy) / (dx * dx + dy * dy);
    t = t < 0.0f ? 0.0f : (t > 1.0f ? 1.0f : t);
    return std::hypot(px - dx * t, py - dy * t) - r;
}

class Canvas {
public:
    Canvas(int w, int h) : w_(w), h_(h), px_(static_cast<size_t>(w) * h) {
        for (Color& c : px_) c = Color{0, 0, 0, 0};
    }

    int width() const { return w_; }
    int height() const { return h_; }

    // Composites paint(x, y) over every pixel where sdf(x, y) <= 0, weighted by
    // the fraction of subsamples inside the shape.
    template <class Sdf, class Paint>
    void fill(Sdf sdf, Paint paint) {
        const float step = 1.0f / kSuperSample;
        for (int py = 0; py < h_; ++py) {
            for (int px = 0; px < w_; ++px) {
                int hits = 0;
                for (int sy = 0; sy < kSuperSample; ++sy)
                    for (int sx = 0; sx < kSuperSample; ++sx)
                        if (sdf(px + (sx + 0.5f) * step, py + (sy + 0.5f) * step) <= 0.0f)
                            ++hits;
                if (hits == 0) continue;
                float cov = static_cast<float>(hits) / (kSuperSample * kSuperSample);
                Color c = paint(px + 0.5f, py + 0.5f);
                float a = c.a * cov;
                Color& d = px_[static_cast<size_t>(py) * w_ + px];
                d.r = c.r * a + d.r * (1.0f - a);
                d.g = c.g * a + d.g * (1.0f - a);
                d.b = c.b * a + d.b * (1.0f - a);
                d.a = a + d.a * (1.0f - a);
            }
        }
    }

    // Straight-alpha RGBA bytes, row-major.
    std::vector<uint8_t> toRGBA8() const {
        std::vector<uint8_t> out(px_.size() * 4);
        for (size_t i = 0; i < px_.size(); ++i) {
            const Color& c = px_[i];
            uint8_t* o = &out[i * 4];
            int a = toByte(c.a);
            if (a == 0) {
                o[0] = o[1] = o[2] = o[3] = 0;
                continue;
            }
            o[0] = static_cast<uint8_t>(toByte(c.r / c.a));
            o[1] = static_cast<uint8_t>(toByte(c.g / c.a));
            o[2] = static_cast<uint8_t>(toByte(c.b / c.a));
            o[3] = static_cast<uint8_t>(a);
            // The game's texture loader treats opaque pure white as a colour
            // key; never emit it by accident.
            if (o[0] == 255 && o[1] == 255 && o[2] == 255 && o[3] == 255) o[2] = 254;
        }
        return out;
    }

private:
    static int toByte(float v) {
        int i = static_cast<int>(std::lround(v * 255.0f));
        return i < 0 ? 0 : (i > 255 ? 255 : i);
    }

    int w_, h_;
    std::vector<Color> px_;
};

bool savePNG(const Canvas& cv, const char* path) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, cv.width(), cv.height(), 32,
                                                    SDL_PIXELFORMAT_RGBA32);
    if (!s) {
        fail("cannot create surface for", path, SDL_GetError());
        return false;
    }
    std::vector<uint8_t> bytes = cv.toRGBA8();
    SDL_LockSurface(s);
    for (int y = 0; y < cv.height(); ++y) {
        std::memcpy(static_cast<uint8_t*>(s->pixels) + static_cast<size_t>(y) * s->pitch,
                    &bytes[static_cast<size_t>(y) * cv.width() * 4],
                    static_cast<size_t>(cv.width()) * 4);
    }
    SDL_UnlockSurface(s);
    int rc = IMG_SavePNG(s, path);
    SDL_FreeSurface(s);
    if (rc != 0) {
        fail("cannot write", path, IMG_GetError());
        return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Artwork.

// A die face of the given size (square), its pips where die_pips.h puts them.
Canvas drawDie(int size, int face) {
    Canvas cv(size, size);
    const float k = size / 64.0f;
    const float c = size * 0.5f;
    const float half = c - 1.0f * k;
    const float radius = 11.0f * k;

    // Soft drop shadow inside the cell so the outline reads on light boards.
    cv.fill([=](float x, float y) { return sdRoundRect(x, y, c, c + 0.8f * k, half, half - 0.8f * k, radius); },
            [](float, float) { return rgb(0x30343C, 0.35f); });
    // Grey rim, then the near-white body with a gentle top-to-bottom shade.
    cv.fill([=](float x, float y) { return sdRoundRect(x, y, c, c, half, half - 0.6f * k, radius); },
            [](float, float) { return rgb(0xA9AEB8); });
    const float inset = 1.6f * k;
    cv.fill([=](float x, float y) { return sdRoundRect(x, y, c, c, half - inset, half - inset - 0.6f * k, radius - inset); },
            [=](float, float y) { return mix(rgb(0xFAFAFA), rgb(0xE3E5EA), (y / size - 0.15f) / 0.85f); });

    // A lone pip is drawn larger, as on most real dice.
    const float pipR = (face == 1 ? 7.5f : 5.8f) * k;
    for (int i = 0; i < face; ++i) {
        const float px = DiePipCentre(size, kDiePips[face][i][0]);
        const float py = DiePipCentre(size, kDiePips[face][i][1]);
        // Pips are drilled in: dark core, slightly lighter toward the bottom.
        cv.fill([=](float x, float y) { return sdCircle(x, y, px, py, pipR); },
                [=](float, float y) { return mix(rgb(0x1C1F26), rgb(0x3A3F4A), (y - (py - pipR)) / (2.0f * pipR)); });
    }
    return cv;
}

// Slot panel. It gets stretched vertically a lot, so the shading runs across
// the width (a shallow channel) and the top/bottom bevels are thin.
Canvas drawPanel() {
    const int w = 40, h = 128;
    Canvas cv(w, h);
    const float cx = w * 0.5f, cy = h * 0.5f;
    cv.fill([=](float x, float y) { return sdRoundRect(x, y, cx, cy, cx, cy, 3.0f); },
            [](float, float) { return rgb(0x3F5F86); });
    // Bevel: light upper-left edge, darker lower-right edge.
    cv.fill([=](float x, float y) { return sdRoundRect(x, y, cx - 0.5f, cy - 0.5f, cx - 1.5f, cy - 1.5f, 2.5f); },
            [](float, float) { return rgb(0xB9D2EE); });
    cv.fill([=](float x, float y) { return sdRoundRect(x, y, cx + 0.5f, cy + 0.5f, cx - 1.5f, cy - 1.5f, 2.5f); },
            [](float, float) { return rgb(0x5B7DA6); });
    cv.fill([=](float x, float y) { return sdRoundRect(x, y, cx, cy, cx - 3.0f, cy - 2.5f, 2.0f); },
            [=](float x, float y) {
                float t = std::fabs(x - cx) / (cx - 3.0f);  // 0 centre .. 1 edge
                Color across = mix(rgb(0xA4C3E4), rgb(0x86A8D0), t * t);
                return mix(across, rgb(0x7C9DC5), 0.25f * y / h);
            });
    return cv;
}

// A paddle's colours: outline, then the body's top and bottom.
struct BarColours {
    uint32_t outline, top, bottom;
};
// The paddle of a game alone, and player 1's when several play.
constexpr BarColours kOrangeBar{0x7A2C0C, 0xFFA447, 0xD0501A};
// Players 2 to 4, from the Okabe-Ito palette that colour-blind players tell
// apart: blue, yellow and black. The four bodies also differ in lightness
// (CIELAB L* about 48, 87 and 25 against the orange's 64), so they stay apart
// in grey; the numbers on them do not depend on colour at all.
constexpr BarColours kBlueBar{0x00263F, 0x3C9AD6, 0x005A8E};
constexpr BarColours kYellowBar{0x5E5410, 0xFAF08A, 0xD8C82A};
constexpr BarColours kBlackBar{0x000000, 0x5A5A5A, 0x1A1A1A};

// A digit 1 to 4 as strokes through points in a unit box (x right, y down).
struct Stroke {
    int count;
    float points[8][2];
};
const Stroke kDigitStrokes[4][3] = {
    {{2, {{0.5f, 0.0f}, {0.5f, 1.0f}}}, {2, {{0.5f, 0.0f}, {0.15f, 0.25f}}},
     {2, {{0.15f, 1.0f}, {0.85f, 1.0f}}}},
    {{8, {{0.0f, 0.25f}, {0.2f, 0.04f}, {0.5f, 0.0f}, {0.8f, 0.04f}, {1.0f, 0.25f},
          {0.9f, 0.48f}, {0.0f, 1.0f}, {1.0f, 1.0f}}}},
    {{8, {{0.0f, 0.0f}, {1.0f, 0.0f}, {0.4f, 0.4f}, {0.8f, 0.47f}, {1.0f, 0.7f},
          {0.85f, 0.94f}, {0.5f, 1.0f}, {0.0f, 0.9f}}}},
    {{2, {{0.72f, 1.0f}, {0.72f, 0.0f}}}, {2, {{0.72f, 0.0f}, {0.0f, 0.68f}}},
     {2, {{0.0f, 0.68f}, {1.0f, 0.68f}}}},
};

// Paddle: a glossy capsule with a dark outline; number (1 to 4, 0 for none)
// on a light disc in the middle, so that it turns with the paddle.
Canvas drawBar(const BarColours& colours, int number = 0) {
    const int w = 160, h = 40;
    Canvas cv(w, h);
    const float cx = w * 0.5f, cy = h * 0.5f;
    cv.fill([=](float x, float y) { return sdRoundRect(x, y, cx, cy, cx - 1.0f, cy - 1.0f, cy - 1.0f); },
            [=](float, float) { return rgb(colours.outline); });
    cv.fill([=](float x, float y) { return sdRoundRect(x, y, cx, cy, cx - 4.0f, cy - 4.0f, cy - 4.0f); },
            [=](float, float y) { return mix(rgb(colours.top), rgb(colours.bottom), (y - 4.0f) / (h - 8.0f)); });
    // Highlight strip along the top.
    cv.fill([=](float x, float y) { return sdRoundRect(x, y, cx, 12.0f, cx - 16.0f, 4.5f, 4.5f); },
            [=](float, float y) { return rgb(0xFFF1DC, 0.65f * (1.0f - (y - 7.5f) / 9.0f)); });
    if (number < 1 || number > 4) return cv;
    cv.fill([=](float x, float y) { return sdCircle(x, y, cx, cy, 18.0f); },
            [](float, float) { return rgb(0x1C1F26); });
    cv.fill([=](float x, float y) { return sdCircle(x, y, cx, cy, 16.5f); },
            [](float, float) { return rgb(0xF4F4F4); });
    const float boxW = 13.0f, boxH = 22.0f, left = cx - boxW * 0.5f, top = cy - boxH * 0.5f;
    for (const Stroke& stroke : kDigitStrokes[number - 1]) {
        for (int i = 0; i + 1 < stroke.count; ++i) {
            const float ax = left + stroke.points[i][0] * boxW, ay = top + stroke.points[i][1] * boxH;
            const float bx = left + stroke.points[i + 1][0] * boxW;
            const float by = top + stroke.points[i + 1][1] * boxH;
            cv.fill([=](float x, float y) { return sdSegment(x, y, ax, ay, bx, by, 2.4f); },
                    [](float, float) { return rgb(0x1C1F26); });
        }
    }
    return cv;
}

// The shade laid over the field while the game is paused or waits: a small
// opaque dark square, stretched and made translucent where it is drawn.
Canvas drawShade() {
    Canvas cv(8, 8);
    cv.fill([](float, float) { return -1.0f; }, [](float, float) { return rgb(0x101418); });
    return cv;
}

// ---------------------------------------------------------------------------
// Sound synthesis. Each effect is built as floats, shaped by an envelope that
// starts and ends at exactly zero, then scaled to a fixed peak.

using Samples = std::vector<float>;

Samples blank(float seconds) {
    return Samples(static_cast<size_t>(seconds * kSampleRate), 0.0f);
}

// Raised-cosine attack, exponential decay; zero at t = 0.
float envelope(float t, float attack, float tau) {
    if (t <= 0.0f) return 0.0f;
    if (t < attack) return 0.5f - 0.5f * std::cos(kPi * t / attack);
    return std::exp(-(t - attack) / tau);
}

// Fades the last `seconds` to silence so the final sample is exactly zero.
void fadeOut(Samples& s, float seconds) {
    const size_t n = s.size();
    const float len = seconds * kSampleRate;
    for (size_t i = 0; i < n; ++i) {
        float left = static_cast<float>(n - 1 - i);
        if (left < len) s[i] *= 0.5f - 0.5f * std::cos(kPi * left / len);
    }
}

struct Partial {
    float ratio, gain;
};

// Adds a tone at `freq` starting at `start` seconds.
void addTone(Samples& s, float start, float freq, const Partial* parts, int nParts,
             float gain, float attack, float tau) {
    for (size_t i = 0; i < s.size(); ++i) {
        float t = static_cast<float>(i) / kSampleRate - start;
        if (t <= 0.0f) continue;
        float v = 0.0f;
        for (int p = 0; p < nParts; ++p)
            v += parts[p].gain * std::sin(2.0f * kPi * freq * parts[p].ratio * t);
        s[i] += gain * envelope(t, attack, tau) * v;
    }
}

Samples soundSet() {
    Samples s = blank(0.07f);
    static const Partial parts[] = {{1.0f, 1.0f}, {1.5f, 0.3f}};
    addTone(s, 0.0f, 2093.0f, parts, 2, 1.0f, 0.0008f, 0.012f);
    // A breath of noise gives the tick its woody edge.
    uint32_t seed = 0x1234567u;
    float lp = 0.0f;
    for (size_t i = 0; i < s.size(); ++i) {
        seed = seed * 1664525u + 1013904223u;
        float white = static_cast<float>(seed >> 8) / 8388608.0f - 1.0f;
        lp += 0.35f * (white - lp);
        float t = static_cast<float>(i) / kSampleRate;
        s[i] += 0.5f * lp * envelope(t, 0.0005f, 0.003f);
    }
    fadeOut(s, 0.008f);
    return s;
}

Samples soundSave() {
    Samples s = blank(0.38f);
    static const Partial bell[] = {{1.0f, 1.0f}, {2.0f, 0.25f}, {3.0f, 0.08f}, {4.2f, 0.04f}};
    addTone(s, 0.0f, 1567.98f, bell, 4, 0.8f, 0.002f, 0.09f);   // G6
    addTone(s, 0.07f, 2093.0f, bell, 4, 0.9f, 0.002f, 0.10f);   // C7
    fadeOut(s, 0.02f);
    return s;
}

Samples soundMiss() {
    Samples s = blank(0.32f);
    // A sagging, slightly rough saw-like buzz, band-limited to ten harmonics.
    float phase = 0.0f;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = static_cast<float>(i) / kSampleRate;
        float freq = 110.0f - 22.0f * (t / 0.32f);
        phase += 2.0f * kPi * freq / kSampleRate;
        float v = 0.0f;
        for (int h = 1; h <= 10; ++h) v += std::sin(h * phase) / std::pow(static_cast<float>(h), 1.3f);
        float wobble = 1.0f - 0.15f * (0.5f + 0.5f * std::sin(2.0f * kPi * 28.0f * t));
        s[i] = v * wobble * envelope(t, 0.006f, 0.14f);
    }
    fadeOut(s, 0.02f);
    return s;
}

Samples soundBound() {
    Samples s = blank(0.16f);
    // Exponential upward sweep 300 Hz -> 900 Hz.
    float phase = 0.0f;
    for (size_t i = 0; i < s.size(); ++i) {
        float t = static_cast<float>(i) / kSampleRate;
        float freq = 300.0f * std::pow(3.0f, t / 0.16f);
        phase += 2.0f * kPi * freq / kSampleRate;
        float v = std::sin(phase) + 0.2f * std::sin(2.0f * phase);
        s[i] = v * envelope(t, 0.002f, 0.07f);
    }
    fadeOut(s, 0.01f);
    return s;
}

Samples soundPad(int index) {
    // Major pentatonic from C5 up to C6.
    static const float kNotes[6] = {523.25f, 587.33f, 659.26f, 783.99f, 880.0f, 1046.5f};
    static const Partial parts[] = {{1.0f, 1.0f}, {2.0f, 0.25f}, {3.0f, 0.08f}};
    Samples s = blank(0.30f);
    addTone(s, 0.0f, kNotes[index], parts, 3, 1.0f, 0.003f, 0.09f);
    fadeOut(s, 0.015f);
    return s;
}

// Scales to `peak` (fraction of full scale; stays below -3 dBFS) and writes a
// 16-bit mono PCM WAV.
bool saveWAV(const Samples& s, float peak, const char* path) {
    float maxAbs = 0.0f;
    for (float v : s) maxAbs = std::fmax(maxAbs, std::fabs(v));
    const float gain = maxAbs > 0.0f ? peak * 32767.0f / maxAbs : 0.0f;
    const int kLimit = 23197;  // -3 dBFS

    std::vector<uint8_t> b;
    auto u16 = [&b](uint32_t v) { b.push_back(v & 0xFF); b.push_back((v >> 8) & 0xFF); };
    auto u32 = [&](uint32_t v) { u16(v & 0xFFFF); u16(v >> 16); };
    auto tag = [&b](const char* t) { b.insert(b.end(), t, t + 4); };

    const uint32_t dataBytes = static_cast<uint32_t>(s.size() * 2);
    tag("RIFF");
    u32(36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    u32(16);
    u16(1);                   // PCM
    u16(1);                   // mono
    u32(kSampleRate);
    u32(kSampleRate * 2);     // byte rate
    u16(2);                   // block align
    u16(16);                  // bits per sample
    tag("data");
    u32(dataBytes);
    for (float v : s) {
        long q = std::lround(v * gain);
        if (q > kLimit) q = kLimit;
        if (q < -kLimit) q = -kLimit;
        u16(static_cast<uint16_t>(static_cast<int16_t>(q)));
    }

    std::FILE* f = std::fopen(path, "wb");
    if (!f) {
        fail("cannot write", path, std::strerror(errno));
        return false;
    }
    size_t wrote = std::fwrite(b.data(), 1, b.size(), f);
    int closeRc = std::fclose(f);
    if (wrote != b.size() || closeRc != 0) {
        fail("cannot write", path, "short write");
        return false;
    }
    return true;
}

bool writePNG(const char* outDir, const char* rel, const Canvas& cv) {
    char path[kPathMax];
    return joinPath(path, sizeof path, outDir, rel) && savePNG(cv, path);
}

bool writeWAV(const char* outDir, const char* rel, const Samples& s, float peak) {
    char path[kPathMax];
    return joinPath(path, sizeof path, outDir, rel) && saveWAV(s, peak, path);
}

bool makeSubdir(const char* outDir, const char* rel) {
    char path[kPathMax];
    return joinPath(path, sizeof path, outDir, rel) && makeDir(path);
}

int usage() {
    std::fprintf(stderr, "usage: gen_assets OUTDIR [--icons]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) return usage();
    bool icons = false;
    if (argc == 3) {
        if (std::strcmp(argv[2], "--icons") != 0) return usage();
        icons = true;
    }
    const char* out = argv[1];

    // PNG saving works without a full SDL init; IMG_Init only preloads libpng.
    IMG_Init(IMG_INIT_PNG);

    bool ok = makeDir(out) && makeSubdir(out, "Graphic") && makeSubdir(out, "Sound");
    if (ok && icons)
        ok = makeSubdir(out, "icons") && makeSubdir(out, "icons/64") && makeSubdir(out, "icons/256");

    ok = ok && writePNG(out, "Graphic/Panel.png", drawPanel());
    ok = ok && writePNG(out, "Graphic/Bar.png", drawBar(kOrangeBar));
    ok = ok && writePNG(out, "Graphic/Bar1.png", drawBar(kOrangeBar, 1));
    ok = ok && writePNG(out, "Graphic/Bar2.png", drawBar(kBlueBar, 2));
    ok = ok && writePNG(out, "Graphic/Bar3.png", drawBar(kYellowBar, 3));
    ok = ok && writePNG(out, "Graphic/Bar4.png", drawBar(kBlackBar, 4));
    ok = ok && writePNG(out, "Graphic/Shade.png", drawShade());
    ok = ok && writePNG(out, "Graphic/Icon.png", drawDie(64, 5));  // the window's icon
    for (int face = 1; ok && face <= 6; ++face) {
        char rel[32];
        std::snprintf(rel, sizeof rel, "Graphic/die%d.png", face);
        ok = writePNG(out, rel, drawDie(64, face));
    }

    ok = ok && writeWAV(out, "Sound/Set.wav", soundSet(), 0.40f);
    ok = ok && writeWAV(out, "Sound/Save.wav", soundSave(), 0.62f);
    ok = ok && writeWAV(out, "Sound/Miss.wav", soundMiss(), 0.55f);
    ok = ok && writeWAV(out, "Sound/Bound.wav", soundBound(), 0.58f);
    for (int i = 0; ok && i < 6; ++i) {
        char rel[32];
        std::snprintf(rel, sizeof rel, "Sound/Pad%d.wav", i);
        ok = writeWAV(out, rel, soundPad(i), 0.58f);
    }

    if (ok && icons) {
        ok = writePNG(out, "icons/64/kaziro.png", drawDie(64, 5)) &&
             writePNG(out, "icons/256/kaziro.png", drawDie(256, 5));
    }

    IMG_Quit();
    return ok && !g_failed ? 0 : 1;
}
