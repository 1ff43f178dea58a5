// A window twice the field's size, and one of another shape: the frame pass
// still draws the 800 x 600 field, and the presentation shows it scaled into
// the window, whole pixels doubled, between neutral bars where the shapes differ.
#include <gtest/gtest.h>

#include <SDL.h>

#include <string>
#include <vector>

#include "graphics/Graphics.h"
#include "platform/render.h"
#include "platform/render_internal.h"
#include "platform/sdl_internal.h"
#include "platform/window.h"

namespace {

intptr_t Procedure(WindowHandle window, uint32_t message, uintptr_t wParam, intptr_t lParam) {
    return DefWindowProc(window, message, wParam, lParam);
}

struct Picture {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    uint32_t At(int x, int y) const { return pixels[static_cast<size_t>(y) * width + x]; }
};

// The field: white, one black 10 x 10 square at (100, 50) .. (109, 59).
void DrawField() {
    DrawFrame();
    SDL_Renderer* renderer = SdlRendererOf(graphics.device);
    SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255);
    const SDL_Rect square{100, 50, 10, 10};
    SDL_RenderFillRect(renderer, &square);
}

}  // namespace

TEST(GraphicsScaled, TheFieldIsDrawnAtItsSizeAndShownScaledIntoTheWindow) {
    RegisterWindowClass("KaziroScaledTest", Procedure);
    std::string error;
    WindowLook look;
    look.scale = 2.0;
    WindowHandle window = CreateGameWindow("KaziroScaledTest", "Kaziro", 800, 600, &error, look);
    ASSERT_NE(window, nullptr) << error;
    int w = 0, h = 0;
    GetClientSize(window, &w, &h);
    EXPECT_EQ(w, 1600);
    EXPECT_EQ(h, 1200);
    InitGraphics(800, 600, window, false);
    ASSERT_TRUE(HasGraphicsDevice());

    DrawField();
    Picture field;
    ASSERT_TRUE(ReadFramePixels(&field.pixels, &field.width, &field.height));
    EXPECT_EQ(field.width, 800);  // the game's own frame is the field
    EXPECT_EQ(field.At(100, 50), 0xFF000000u);

    Picture shown;
    ASSERT_TRUE(ReadWindowPixels(&shown.pixels, &shown.width, &shown.height));
    ASSERT_EQ(shown.width, 1600);
    ASSERT_EQ(shown.height, 1200);
    // Whole pixels doubled, sharp: the square covers (200, 100) .. (219, 119).
    EXPECT_EQ(shown.At(200, 100), 0xFF000000u);
    EXPECT_EQ(shown.At(219, 119), 0xFF000000u);
    EXPECT_EQ(shown.At(199, 100), 0xFFFFFFFFu);
    EXPECT_EQ(shown.At(220, 119), 0xFFFFFFFFu);
    ShowFrame();

    // Made wider than the field's shape: the field keeps its shape, centred.
    SDL_SetWindowSize(SdlWindowOf(window), 2000, 1200);
    SDL_PumpEvents();
    DrawField();
    ASSERT_TRUE(ReadWindowPixels(&shown.pixels, &shown.width, &shown.height));
    ASSERT_EQ(shown.width, 2000);
    EXPECT_EQ(shown.At(50, 600), 0xFF202020u) << "a bar beside the field";
    EXPECT_EQ(shown.At(1950, 600), 0xFF202020u);
    EXPECT_EQ(shown.At(200 + 200, 100), 0xFF000000u);  // the square, 200 pixels to the right
    EXPECT_EQ(shown.At(205, 10), 0xFFFFFFFFu);          // the field's white from x = 200
    ShowFrame();
}
