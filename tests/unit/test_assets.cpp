// Checks the generated textures and sounds in $KAZIRO_DATA_DIR.

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tools/asset_gen/die_pips.h"

namespace {

constexpr int kPathMax = 1024;

// Builds DATA_DIR/rel; fails the test if the directory variable is missing.
bool dataPath(char* out, size_t size, const char* rel) {
    const char* dir = std::getenv("KAZIRO_DATA_DIR");
    if (!dir || !*dir) {
        ADD_FAILURE() << "KAZIRO_DATA_DIR is not set";
        return false;
    }
    int n = std::snprintf(out, size, "%s/%s", dir, rel);
    return n > 0 && static_cast<size_t>(n) < size;
}

// ---------------------------------------------------------------------------
// Images

struct Image {
    int w = 0, h = 0;
    std::vector<uint8_t> rgba;  // straight alpha, row-major
    const uint8_t* at(int x, int y) const { return &rgba[(static_cast<size_t>(y) * w + x) * 4]; }
    uint8_t alpha(int x, int y) const { return at(x, y)[3]; }
};

bool loadImage(const char* rel, Image& img) {
    char path[kPathMax];
    if (!dataPath(path, sizeof path, rel)) return false;
    SDL_Surface* raw = IMG_Load(path);
    if (!raw) {
        ADD_FAILURE() << "IMG_Load failed for " << path << ": " << IMG_GetError();
        return false;
    }
    SDL_Surface* s = SDL_ConvertSurfaceFormat(raw, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(raw);
    if (!s) {
        ADD_FAILURE() << "convert failed for " << path;
        return false;
    }
    img.w = s->w;
    img.h = s->h;
    img.rgba.resize(static_cast<size_t>(s->w) * s->h * 4);
    for (int y = 0; y < s->h; ++y)
        for (int i = 0; i < s->w * 4; ++i)
            img.rgba[static_cast<size_t>(y) * s->w * 4 + i] =
                static_cast<const uint8_t*>(s->pixels)[static_cast<size_t>(y) * s->pitch + i];
    SDL_FreeSurface(s);
    return true;
}

int countOpaqueWhite(const Image& img) {
    int n = 0;
    for (size_t i = 0; i < img.rgba.size(); i += 4)
        if (img.rgba[i] == 255 && img.rgba[i + 1] == 255 && img.rgba[i + 2] == 255 && img.rgba[i + 3] == 255)
            ++n;
    return n;
}

int saturation(const uint8_t* p) {
    int mx = std::max(p[0], std::max(p[1], p[2]));
    int mn = std::min(p[0], std::min(p[1], p[2]));
    return mx - mn;
}

struct Blob {
    int pixels;
    double cx, cy;
};

// Connected (4-neighbour) groups of opaque dark pixels, ignoring specks.
std::vector<Blob> darkBlobs(const Image& img, int minPixels) {
    auto dark = [&](int x, int y) {
        const uint8_t* p = img.at(x, y);
        return p[3] > 200 && (p[0] + p[1] + p[2]) < 3 * 100;
    };
    std::vector<char> seen(static_cast<size_t>(img.w) * img.h, 0);
    std::vector<Blob> blobs;
    std::vector<int> stack;
    for (int y0 = 0; y0 < img.h; ++y0) {
        for (int x0 = 0; x0 < img.w; ++x0) {
            if (seen[y0 * img.w + x0] || !dark(x0, y0)) continue;
            Blob b{0, 0.0, 0.0};
            stack.push_back(y0 * img.w + x0);
            seen[y0 * img.w + x0] = 1;
            while (!stack.empty()) {
                int idx = stack.back();
                stack.pop_back();
                int x = idx % img.w, y = idx / img.w;
                ++b.pixels;
                b.cx += x + 0.5;
                b.cy += y + 0.5;
                const int nx[4] = {x - 1, x + 1, x, x};
                const int ny[4] = {y, y, y - 1, y + 1};
                for (int k = 0; k < 4; ++k) {
                    if (nx[k] < 0 || ny[k] < 0 || nx[k] >= img.w || ny[k] >= img.h) continue;
                    int j = ny[k] * img.w + nx[k];
                    if (!seen[j] && dark(nx[k], ny[k])) {
                        seen[j] = 1;
                        stack.push_back(j);
                    }
                }
            }
            if (b.pixels >= minPixels) {
                b.cx /= b.pixels;
                b.cy /= b.pixels;
                blobs.push_back(b);
            }
        }
    }
    return blobs;
}

// Checks a die face: size, transparent corners, opaque body, no colour-key
// white, and exactly `face` pips at the expected grid positions.
void checkDie(const char* rel, int size, int face) {
    SCOPED_TRACE(rel);
    Image img;
    ASSERT_TRUE(loadImage(rel, img));
    ASSERT_EQ(img.w, size);
    ASSERT_EQ(img.h, size);

    EXPECT_EQ(img.alpha(0, 0), 0);
    EXPECT_EQ(img.alpha(size - 1, 0), 0);
    EXPECT_EQ(img.alpha(0, size - 1), 0);
    EXPECT_EQ(img.alpha(size - 1, size - 1), 0);
    EXPECT_EQ(countOpaqueWhite(img), 0);

    // Body between pips is opaque and near-white.
    const uint8_t* body = img.at(size * 3 / 8, size / 8);
    EXPECT_EQ(body[3], 255);
    EXPECT_GE(body[0], 0xE0);
    EXPECT_GE(body[1], 0xE0);
    EXPECT_GE(body[2], 0xE0);

    const double unit = size / 64.0;
    std::vector<Blob> blobs = darkBlobs(img, static_cast<int>(40 * unit * unit));
    ASSERT_EQ(static_cast<int>(blobs.size()), face);
    const double tol = 2.0 * unit;
    for (int i = 0; i < face; ++i) {
        const double ex = DiePipCentre(size, kDiePips[face][i][0]);
        const double ey = DiePipCentre(size, kDiePips[face][i][1]);
        bool found = false;
        for (const Blob& b : blobs)
            if (std::fabs(b.cx - ex) <= tol && std::fabs(b.cy - ey) <= tol) found = true;
        EXPECT_TRUE(found) << "no pip near (" << ex << ", " << ey << ")";
    }
    // Every pip is the same size (within anti-aliasing noise).
    for (const Blob& b : blobs) EXPECT_NEAR(b.pixels, blobs[0].pixels, blobs[0].pixels / 10 + 1);
}

TEST(AssetImages, DiceFaces) {
    for (int face = 1; face <= 6; ++face) {
        char rel[32];
        std::snprintf(rel, sizeof rel, "Graphic/die%d.png", face);
        checkDie(rel, 64, face);
    }
}

TEST(AssetImages, Icons) {
    checkDie("icons/64/kaziro.png", 64, 5);
    checkDie("icons/256/kaziro.png", 256, 5);
}

TEST(AssetImages, Panel) {
    Image img;
    ASSERT_TRUE(loadImage("Graphic/Panel.png", img));
    ASSERT_EQ(img.w, 40);
    ASSERT_EQ(img.h, 128);
    EXPECT_EQ(countOpaqueWhite(img), 0);
    const uint8_t* centre = img.at(20, 64);
    EXPECT_EQ(centre[3], 255);
    EXPECT_GE(saturation(centre), 25) << "panel should be coloured, not grey";
    // A bevelled edge that differs from the face.
    const uint8_t* edge = img.at(0, 64);
    EXPECT_EQ(edge[3], 255);
    EXPECT_GT(std::abs(edge[0] - centre[0]) + std::abs(edge[1] - centre[1]) + std::abs(edge[2] - centre[2]), 60);
    // Columns are shaded the same all the way down, so stretching keeps the look.
    for (int x = 4; x < 36; ++x)
        for (int c = 0; c < 3; ++c)
            EXPECT_NEAR(img.at(x, 40)[c], img.at(x, 90)[c], 12) << "x=" << x;
}

TEST(AssetImages, Bar) {
    Image img;
    ASSERT_TRUE(loadImage("Graphic/Bar.png", img));
    ASSERT_TRUE((img.w == 160 && img.h == 40) || (img.w == 80 && img.h == 20));
    EXPECT_EQ(countOpaqueWhite(img), 0);
    EXPECT_EQ(img.alpha(0, 0), 0);
    EXPECT_EQ(img.alpha(img.w - 1, img.h - 1), 0);
    const uint8_t* mid = img.at(img.w / 2, img.h * 3 / 5);
    EXPECT_EQ(mid[3], 255);
    EXPECT_GE(saturation(mid), 80) << "paddle should be clearly coloured";
}

// ---------------------------------------------------------------------------
// Sounds

struct Wav {
    int channels = 0, rate = 0;
    std::vector<int16_t> mono;  // first channel
    double seconds() const { return static_cast<double>(mono.size()) / rate; }
};

uint32_t le32(const std::vector<uint8_t>& b, size_t o) {
    return b[o] | (b[o + 1] << 8) | (b[o + 2] << 16) | (static_cast<uint32_t>(b[o + 3]) << 24);
}
uint16_t le16(const std::vector<uint8_t>& b, size_t o) { return static_cast<uint16_t>(b[o] | (b[o + 1] << 8)); }
bool tagIs(const std::vector<uint8_t>& b, size_t o, const char* t) {
    return b[o] == t[0] && b[o + 1] == t[1] && b[o + 2] == t[2] && b[o + 3] == t[3];
}

void loadWav(const char* rel, Wav& wav) {
    char path[kPathMax];
    ASSERT_TRUE(dataPath(path, sizeof path, rel));
    std::FILE* f = std::fopen(path, "rb");
    ASSERT_NE(f, nullptr) << "missing " << path;
    std::vector<uint8_t> b;
    uint8_t chunk[4096];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) b.insert(b.end(), chunk, chunk + n);
    std::fclose(f);

    ASSERT_GE(b.size(), 44u);
    ASSERT_TRUE(tagIs(b, 0, "RIFF"));
    EXPECT_EQ(le32(b, 4), b.size() - 8);
    ASSERT_TRUE(tagIs(b, 8, "WAVE"));
    ASSERT_TRUE(tagIs(b, 12, "fmt "));
    ASSERT_EQ(le32(b, 16), 16u);
    EXPECT_EQ(le16(b, 20), 1) << "not PCM";
    wav.channels = le16(b, 22);
    wav.rate = static_cast<int>(le32(b, 24));
    ASSERT_TRUE(wav.channels == 1 || wav.channels == 2);
    ASSERT_TRUE(wav.rate == 44100 || wav.rate == 22050);
    ASSERT_EQ(le16(b, 34), 16) << "not 16-bit";
    EXPECT_EQ(le16(b, 32), wav.channels * 2);
    EXPECT_EQ(le32(b, 28), static_cast<uint32_t>(wav.rate * wav.channels * 2));
    ASSERT_TRUE(tagIs(b, 36, "data"));
    uint32_t dataBytes = le32(b, 40);
    ASSERT_LE(dataBytes, b.size() - 44);
    ASSERT_EQ(dataBytes % (wav.channels * 2), 0u);
    for (size_t o = 44; o + 1 < 44 + dataBytes; o += wav.channels * 2)
        wav.mono.push_back(static_cast<int16_t>(le16(b, o)));
}

int peakOf(const Wav& w) {
    int p = 0;
    for (int16_t s : w.mono) p = std::max(p, std::abs(static_cast<int>(s)));
    return p;
}

// Sign changes per second in [from, to) samples, skipping exact zeros.
double crossingRate(const Wav& w, size_t from, size_t to) {
    int crossings = 0, last = 0;
    for (size_t i = from; i < to; ++i) {
        int s = w.mono[i];
        if (s == 0) continue;
        if (last != 0 && (s > 0) != (last > 0)) ++crossings;
        last = s;
    }
    return crossings * static_cast<double>(w.rate) / static_cast<double>(to - from);
}

void checkWav(const char* rel, Wav& wav) {
    SCOPED_TRACE(rel);
    loadWav(rel, wav);
    if (::testing::Test::HasFatalFailure()) return;
    ASSERT_GT(wav.mono.size(), 100u);
    EXPECT_LE(wav.seconds(), 0.4);
    int peak = peakOf(wav);
    EXPECT_LE(peak, 23197) << "louder than -3 dBFS";
    EXPECT_GE(peak, 3000) << "practically silent";
    // A clean waveform touches its peak once or twice; a limited/clipped one
    // sits on it for whole runs of samples.
    int atPeak = 0;
    for (int16_t s : wav.mono) atPeak += std::abs(static_cast<int>(s)) >= peak - 1;
    EXPECT_LE(atPeak, 4) << "flat-topped (clipped) waveform";
    EXPECT_LE(std::abs(wav.mono.front()), 200) << "click at start";
    EXPECT_LE(std::abs(wav.mono.back()), 200) << "click at end";
    // No step larger than a steep but smooth waveform could make.
    int maxStep = 0;
    for (size_t i = 1; i < wav.mono.size(); ++i)
        maxStep = std::max(maxStep, std::abs(wav.mono[i] - wav.mono[i - 1]));
    EXPECT_LT(maxStep, 12000);
}

TEST(AssetSounds, EffectsAreWellFormed) {
    const char* names[] = {"Sound/Set.wav", "Sound/Save.wav", "Sound/Miss.wav", "Sound/Bound.wav"};
    for (const char* n : names) {
        Wav w;
        checkWav(n, w);
    }
}

TEST(AssetSounds, PadTonesRiseInPitch) {
    double prev = 0.0;
    for (int i = 0; i < 6; ++i) {
        char rel[32];
        std::snprintf(rel, sizeof rel, "Sound/Pad%d.wav", i);
        Wav w;
        checkWav(rel, w);
        ASSERT_FALSE(HasFatalFailure());
        double rate = crossingRate(w, 0, w.mono.size());
        EXPECT_GT(rate, prev * 1.04) << rel << " is not higher than the previous pad";
        prev = rate;
    }
}

TEST(AssetSounds, BuzzIsLowAndBounceSweeps) {
    Wav miss, pad0, bound;
    checkWav("Sound/Miss.wav", miss);
    checkWav("Sound/Pad0.wav", pad0);
    checkWav("Sound/Bound.wav", bound);
    ASSERT_FALSE(HasFatalFailure());
    EXPECT_LT(crossingRate(miss, 0, miss.mono.size()), 0.6 * crossingRate(pad0, 0, pad0.mono.size()));

    size_t half = bound.mono.size() / 2;
    double first = crossingRate(bound, 0, half);
    double second = crossingRate(bound, half, bound.mono.size());
    EXPECT_GT(std::fabs(second - first), 0.25 * std::min(first, second)) << "bounce has no pitch sweep";
}

}  // namespace
