// The frame pass drawn with the software renderer and read back pixel by pixel.
// Tolerances are written next to each check: linear filtering may soften the
// outermost pixel of an edge, so positions are checked one pixel in from an
// edge and two pixels out of it.

#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "graphics/Graphics.h"
#include "graphics/cMetaObject.h"
#include "graphics/cTextureManager.h"
#include "platform/message_box.h"
#include "platform/render.h"
#include "platform/render_internal.h"
#include "support/headless.h"

namespace {

using headless::ChannelDistance;
using headless::Frame;

constexpr uint32_t kWhite = 0xFFFFFFFFu;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kGreen = 0xFF00FF00u;
constexpr uint32_t kBlue = 0xFF0000FFu;
// Colour tolerance for flat areas (per channel): the blit is exact there, a
// little room covers rounding in the blend.
constexpr int kFlat = 4;

// Test pictures live in a folder of their own, removed at exit.
struct PictureFolder {
    std::filesystem::path path;
    PictureFolder() {
        path = std::filesystem::temp_directory_path() /
               ("kaziro_gfx_" + std::to_string(static_cast<long>(getpid())));
        std::filesystem::create_directories(path);
    }
    ~PictureFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
};

PictureFolder& Pictures() {
    static PictureFolder folder;
    return folder;
}

// Writes a PNG whose texels come from `texel(x, y)` (ARGB) and registers it as `name`.
void MakePicture(const char* name, int w, int h, const std::function<uint32_t(int, int)>& texel) {
    SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ARGB8888);
    ASSERT_NE(s, nullptr);
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(s->pixels) + y * s->pitch);
        for (int x = 0; x < w; ++x) row[x] = texel(x, y);
    }
    const std::string file = (Pictures().path / (std::string(name) + ".png")).string();
    ASSERT_EQ(IMG_SavePNG(s, file.c_str()), 0) << IMG_GetError();
    SDL_FreeSurface(s);
    textureManager.RegisterTexture(name, file.c_str());
}

uint32_t Solid(uint32_t argb, int, int) { return argb; }

class GraphicsRender : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(headless::StartGraphics()) << "no headless device";
        ASSERT_TRUE(graphics.drawList2D.empty()) << "a display object outlived its test";
        oldHandler = SetMessageBoxHandler([this](const std::string& text, const std::string& caption,
                                                  MessageBoxStyle) {
            boxes.emplace_back(text, caption);
        });
    }
    void TearDown() override {
        for (auto& camera : graphics.cameras) camera = nullptr;
        graphics.drawList3D.clear();
        SetRenderTarget(graphics.device, nullptr);
        SetMessageBoxHandler(oldHandler);
    }

    // Draws a frame and reads it back before the presentation.
    Frame Draw() {
        DrawFrame();
        Frame frame;
        EXPECT_TRUE(frame.Read());
        ShowFrame();
        return frame;
    }

    std::vector<std::pair<std::string, std::string>> boxes;
    MessageBoxHandler oldHandler;
};

TEST_F(GraphicsRender, EmptyFrameIsWhiteEverywhere) {
    const Frame frame = Draw();
    ASSERT_EQ(frame.width, 800);
    ASSERT_EQ(frame.height, 600);
    for (uint32_t p : frame.pixels) ASSERT_EQ(p, kWhite);  // exact: a plain clear
}

TEST_F(GraphicsRender, TextureIsStretchedToSizeAndCentred) {
    MakePicture("GfxGreen64", 64, 64, [](int x, int y) { return Solid(kGreen, x, y); });
    cSprite sprite("GfxGreen64", 400, 300, 32, 32);
    ASSERT_NE(sprite.texture, nullptr);
    const Frame frame = Draw();
    // 32 x 32 centred on (400, 300): columns and rows 384 to 415.
    for (int x = 385; x <= 414; ++x) EXPECT_LE(ChannelDistance(frame.At(x, 300), kGreen), kFlat) << x;
    for (int y = 285; y <= 314; ++y) EXPECT_LE(ChannelDistance(frame.At(400, y), kGreen), kFlat) << y;
    for (int d : {382, 417}) {
        EXPECT_EQ(frame.At(d, 300), kWhite) << d;  // two pixels out of the edge
        EXPECT_EQ(frame.At(400, d - 100), kWhite) << d;
    }
    sprite.Unregister();
}

TEST_F(GraphicsRender, PositiveQuarterTurnPutsTopEdgeOnTheRight) {
    // Red top band (rows 0 to 15), the rest green.
    MakePicture("GfxTopRed", 64, 64, [](int, int y) { return y < 16 ? kRed : kGreen; });
    cSprite sprite("GfxTopRed", 400, 300, 64, 64);
    sprite.angle = static_cast<float>(M_PI / 2);
    const Frame frame = Draw();
    // Turned clockwise on screen: the band lies in columns 416 to 431.
    EXPECT_LE(ChannelDistance(frame.At(424, 300), kRed), kFlat);
    EXPECT_LE(ChannelDistance(frame.At(424, 275), kRed), kFlat);
    EXPECT_LE(ChannelDistance(frame.At(376, 300), kGreen), kFlat);  // left side
    EXPECT_LE(ChannelDistance(frame.At(400, 272), kGreen), kFlat);  // where the top was
    EXPECT_EQ(frame.At(434, 300), kWhite);
    sprite.Unregister();
}

TEST_F(GraphicsRender, LaterObjectIsDrawnOverEarlierAndColourModulates) {
    MakePicture("GfxRed", 32, 32, [](int x, int y) { return Solid(kRed, x, y); });
    // Near-white, not keyed: the modulation colour shows through unchanged.
    MakePicture("GfxPale", 32, 32, [](int x, int y) { return Solid(0xFFFEFEFEu, x, y); });
    cSprite first("GfxRed", 300, 300, 32, 32);
    cSprite second("GfxPale", 310, 300, 32, 32);
    second.color = 0xFF0000FFu;
    const Frame frame = Draw();
    // The first covers columns 284..315, the second 294..325.
    EXPECT_LE(ChannelDistance(frame.At(288, 300), kRed), kFlat);   // only the first
    EXPECT_LE(ChannelDistance(frame.At(305, 300), kBlue), kFlat);  // the overlap: the second
    EXPECT_LE(ChannelDistance(frame.At(320, 300), kBlue), kFlat);
    first.Unregister();
    second.Unregister();
}

TEST_F(GraphicsRender, OpaqueWhiteTexelsAreTransparentOthersKeepColourAndAlpha) {
    MakePicture("GfxRed64", 64, 64, [](int x, int y) { return Solid(kRed, x, y); });
    // Three vertical bands: keyed white, near-white, half-transparent blue.
    MakePicture("GfxKeyed", 64, 64, [](int x, int) {
        return x < 21 ? 0xFFFFFFFFu : (x < 42 ? 0xFFFAFAFAu : 0x800000FFu);
    });
    cSprite under("GfxRed64", 400, 300, 64, 64);
    cSprite keyed("GfxKeyed", 400, 300, 64, 64);
    const Frame frame = Draw();
    // Columns 368 to 431: band 1 is 368..388, band 2 389..409, band 3 410..431.
    EXPECT_LE(ChannelDistance(frame.At(378, 300), kRed), kFlat);          // keyed: red shows
    EXPECT_LE(ChannelDistance(frame.At(399, 300), 0xFFFAFAFAu), kFlat);   // near-white kept
    // Half blue over red: about (127, 0, 128); 3 levels for the blend's rounding.
    EXPECT_LE(ChannelDistance(frame.At(421, 300), 0xFF7F0080u), 3);
    under.Unregister();
    keyed.Unregister();
}

TEST_F(GraphicsRender, SpriteWithoutTextureDrawsNothing) {
    cSprite missing("GfxNeverRegistered", 400, 300, 64, 64);
    EXPECT_EQ(missing.texture, nullptr);
    EXPECT_TRUE(missing.registered);  // still made and registered
    ASSERT_EQ(boxes.size(), 2u);
    const Frame frame = Draw();
    for (uint32_t p : frame.pixels) ASSERT_EQ(p, kWhite);
    missing.Unregister();
}

TEST_F(GraphicsRender, EveryRequestIsANewTextureOfItsOwn) {
    MakePicture("GfxShared", 32, 32, [](int x, int y) { return Solid(kBlue, x, y); });
    Texture* a = textureManager.CreateTexture("GfxShared");
    Texture* b = textureManager.CreateTexture("GfxShared");
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    EXPECT_NE(a, b);
    ReleaseTexture(a);
    MakePicture("GfxFaceOne", 32, 32, [](int x, int y) { return Solid(kRed, x, y); });
    cSprite sprite("GfxFaceOne", 100, 100, 32, 32);  // replaced below
    ReleaseTexture(sprite.texture);
    sprite.texture = b;  // as a die changes its face
    const Frame frame = Draw();
    EXPECT_LE(ChannelDistance(frame.At(100, 100), kBlue), kFlat);
    sprite.Unregister();
    EXPECT_TRUE(boxes.empty());
}

TEST_F(GraphicsRender, LabelTextStartsHalfItsSizeUpAndLeftOfItsPosition) {
    cFont label("100", 750, 32);
    ASSERT_NE(label.font, nullptr) << "no Japanese face installed";
    EXPECT_NE(ResolvedFontFile(label.font).find("ipagp"), std::string_view::npos)
        << ResolvedFontFile(label.font);
    const Frame drawn = Draw();

    // The same rendering placed by hand with its top-left corner at (734, 16).
    int w = 0, h = 0;
    SDL_Texture* text = SdlTextTextureOf(label.font, &w, &h);
    ASSERT_NE(text, nullptr);
    EXPECT_GE(h, 30);  // a 32-pixel cell (the face's own rounding allowed)
    EXPECT_LE(h, 34);
    SDL_Renderer* renderer = SdlRendererOf(graphics.device);
    SDL_SetRenderDrawColor(renderer, 255, 255, 255, 255);
    SDL_RenderClear(renderer);
    const SDL_FRect at{734.0f, 16.0f, static_cast<float>(w), static_cast<float>(h)};
    SDL_SetTextureColorMod(text, 0, 0, 0);
    SDL_SetTextureAlphaMod(text, 255);
    SDL_RenderCopyF(renderer, text, nullptr, &at);
    Frame expected;
    ASSERT_TRUE(expected.Read());
    SDL_RenderPresent(renderer);

    int dark = 0, minX = 800, minY = 600;
    for (int y = 0; y < 600; ++y) {
        for (int x = 0; x < 800; ++x) {
            // Same pixels, exactly: the label is drawn unscaled at that corner.
            ASSERT_EQ(drawn.At(x, y), expected.At(x, y)) << x << "," << y;
            if ((drawn.At(x, y) & 0xFF) < 128) {
                ++dark;
                minX = std::min(minX, x);
                minY = std::min(minY, y);
            }
        }
    }
    // Black ink just right of and below (734, 16): bearings of a few pixels.
    EXPECT_GT(dark, 50);
    EXPECT_GE(minX, 734);
    EXPECT_LE(minX, 742);
    EXPECT_GE(minY, 16);
    EXPECT_LE(minY, 30);
    label.Unregister();
}

TEST_F(GraphicsRender, LabelIsRenderedOnlyWhenItsTextChanges) {
    cFont label("12", 100, 100);
    ASSERT_NE(label.font, nullptr);
    Draw();
    Draw();
    EXPECT_EQ(FontRenderCount(label.font), 1u);
    label.color = 0xFFFF0000u;  // a colour change is applied when drawn
    Frame red = Draw();
    EXPECT_EQ(FontRenderCount(label.font), 1u);
    bool sawRed = false;
    for (int y = 84; y < 120 && !sawRed; ++y)
        for (int x = 84; x < 130; ++x) sawRed = sawRed || ChannelDistance(red.At(x, y), kRed) <= kFlat;
    EXPECT_TRUE(sawRed);
    std::snprintf(label.text, sizeof label.text, "%d", 345);  // owners overwrite the text
    Draw();
    EXPECT_EQ(FontRenderCount(label.font), 2u);
    label.Unregister();
}

TEST_F(GraphicsRender, CamerasClearTheirViewportsAndThe2DPassCoversTheField) {
    cCamera left, right;
    left.right = 100;
    left.bottom = 100;
    left.clearColour = kRed;
    right.left = 100;
    right.right = 200;
    right.bottom = 100;
    right.clearColour = kBlue;
    graphics.cameras[0] = &left;
    graphics.cameras[1] = &right;
    MakePicture("GfxGreen16", 16, 16, [](int x, int y) { return Solid(kGreen, x, y); });
    cSprite sprite("GfxGreen16", 700, 500, 16, 16);  // far outside both viewports
    const Frame frame = Draw();
    EXPECT_EQ(frame.At(50, 50), kRed);
    EXPECT_EQ(frame.At(150, 50), kBlue);
    EXPECT_EQ(frame.At(250, 50), kWhite);
    EXPECT_EQ(frame.At(50, 150), kWhite);
    EXPECT_LE(ChannelDistance(frame.At(700, 500), kGreen), kFlat);
    sprite.Unregister();
}

TEST_F(GraphicsRender, CameraRenderTargetStaysUntilAFailedPresentationResetsTheDevice) {
    Texture* target = CreateTargetTexture(graphics.device, 200, 150);
    ASSERT_NE(target, nullptr);
    cCamera camera;
    camera.right = 100;
    camera.bottom = 100;
    camera.clearColour = kRed;
    camera.renderTarget = target;
    graphics.cameras[0] = &camera;
    DrawFrame();
    Frame frame;
    ASSERT_TRUE(frame.Read());
    EXPECT_EQ(frame.width, 200);  // still the camera's target after the frame
    EXPECT_EQ(frame.At(50, 50), kRed);

    // Without a camera the next frame's white clear lands in that target too.
    graphics.cameras[0] = nullptr;
    DrawFrame();
    ASSERT_TRUE(frame.Read());
    EXPECT_EQ(frame.width, 200);
    EXPECT_EQ(frame.At(50, 50), kWhite);

    // The renderer reports its targets lost: the presentation fails and the
    // reset puts the back buffer back.
    SDL_Event lost;
    SDL_zero(lost);
    lost.type = SDL_RENDER_TARGETS_RESET;
    SDL_PushEvent(&lost);
    ShowFrame();
    ASSERT_TRUE(frame.Read());
    EXPECT_EQ(frame.width, 800);
    Draw();  // and the next frame presents normally
    ASSERT_TRUE(frame.Read());
    EXPECT_EQ(frame.width, 800);
    SDL_FlushEvent(SDL_RENDER_TARGETS_RESET);
    ReleaseTexture(target);
}

// Records the order in which the 3D pass draws.
struct Probe : c3DMetaObject {
    Probe(float z, std::vector<std::pair<cCamera*, float>>* log) : log(log) { position[2] = z; }
    void Draw(cCamera* camera) override { log->emplace_back(camera, position[2]); }
    float* GetPosition() override { return position; }
    float position[3] = {0, 0, 0};
    std::vector<std::pair<cCamera*, float>>* log;
};

TEST_F(GraphicsRender, EachCameraDrawsThe3DListFarToNear) {
    std::vector<std::pair<cCamera*, float>> log;
    Probe nearP(1, &log), farP(10, &log), midP(5, &log);
    graphics.drawList3D = {&nearP, &farP, &midP};
    cCamera a, b;
    a.right = b.right = 800;
    a.bottom = b.bottom = 600;
    graphics.cameras[0] = &a;
    graphics.cameras[1] = &b;
    graphics.cameras[3] = &a;  // after the null entry: never drawn
    Draw();
    const std::vector<std::pair<cCamera*, float>> expected = {
        {&a, 10}, {&a, 5}, {&a, 1}, {&b, 10}, {&b, 5}, {&b, 1}};
    EXPECT_EQ(log, expected);
    float kept[16];
    ASSERT_TRUE(GetTransform(graphics.device, TransformKind::Projection, kept));
    EXPECT_FLOAT_EQ(kept[0], CameraProjection(b).m[0][0]);
    EXPECT_FLOAT_EQ(kept[14], CameraProjection(b).m[3][2]);
}

}  // namespace
