// The real game in a real window: Xvfb as the X server, xdotool as the
// player's hands, import as the player's eyes.
#include "support/real_window.h"

TEST_F(RealWindow, OpensTitledFixedWindowShowingTheBoard) {
    EXPECT_NE(Shell("xdotool getwindowgeometry " + window).find("Geometry: 800x600"),
              std::string::npos);
    EXPECT_NE(Shell("xprop -id " + window + " WM_CLASS").find("\"Kaziro\""), std::string::npos);
    // Keep the cursor away from the field's middle so the paddle is out of the way.
    Xdo("mousemove --window " + window + " 400 580");
    ASSERT_TRUE(WaitForShot([](const Shot& s) {
        return s.White(250, 300) && s.White(550, 300) && s.White(400, 150) &&
               !s.White(100, 300) && !s.White(700, 300);
    }, 10000)) << "no white field with panels at x 100 and 700";
    EXPECT_EQ(last.At(100, 300), last.At(700, 300));  // both slots drawn alike
    int ink = 0;  // the score label "100" at the top right
    for (int y = 14; y < 50; ++y)
        for (int x = 730; x < 795; ++x) ink += last.Dark(x, y);
    EXPECT_GT(ink, 30);
    EXPECT_EQ(LabelRows(last), 1);
}

TEST_F(RealWindow, PaddleFollowsTheCursorAndTurnsWhileAButtonIsHeld) {
    Xdo("mousemove --window " + window + " 170 450");
    ASSERT_TRUE(WaitForShot([](const Shot& s) {
        return !s.White(170, 450) && !s.White(140, 450) && !s.White(200, 450) &&
               s.White(170, 430) && s.White(170, 470);
    }, 10000)) << "the paddle is not horizontal under the cursor at (170, 450); screen kept in "
                << Keep(last);
    Xdo("mousedown 1");
    const bool turned = WaitForShot([](const Shot& s) {
        return s.White(136, 450) && !s.White(170, 450);
    }, 10000);
    Xdo("mouseup 1");
    EXPECT_TRUE(turned) << "the paddle did not turn while the left button was held";
    // Counter-clockwise on screen: the left end went down, the right end up.
    int lowerLeft = 0, upperRight = 0;
    for (int y = 451; y < 490; ++y)
        for (int x = 130; x < 168; ++x) lowerLeft += !last.White(x, y);
    for (int y = 410; y < 449; ++y)
        for (int x = 172; x < 210; ++x) upperRight += !last.White(x, y);
    EXPECT_GT(lowerLeft, 20);
    EXPECT_GT(upperRight, 20);
}

TEST_F(RealWindow, KeypadThreeGivesThreeRowsOfSlots) {
    Xdo("mousemove --window " + window + " 400 580");
    ASSERT_TRUE(WaitForShot([](const Shot& s) { return LabelRows(s) == 1; }, 10000));
    // A tap, pressed and let go at once: it falls between two steps, and the
    // step after it still sees the key down.
    Xdo("key --delay 0 KP_3");
    const bool three = WaitForShot([](const Shot& s) { return LabelRows(s) == 3; }, 10000);
    EXPECT_TRUE(three) << "labels found in " << LabelRows(last) << " rows";
    for (int y : {20, 100, 200, 300, 400, 500, 580}) {
        EXPECT_FALSE(last.White(100, y)) << y;
        EXPECT_FALSE(last.White(700, y)) << y;
    }
}

TEST_F(RealWindow, EscapeEndsTheGameWithStatusZero) {
    Geometry();  // the window as it is now, focused, so that the key reaches it
    Xdo("windowfocus --sync " + window);
    Xdo("mousemove --window " + window + " 400 300");
    Xdo("key Escape");
    const int status = WaitExit(game, 10000);
    if (status >= 0) game = -1;
    EXPECT_EQ(status, 0);
}

TEST_F(RealWindow, CloseBoxEndsTheGameWithStatusZero) {
    ASSERT_EQ(std::system((std::string(KAZIRO_TEST_BUILD_DIR) + "/tests/x_close_request " +
                           window).c_str()), 0);
    const int status = WaitExit(game, 10000);
    if (status >= 0) game = -1;
    EXPECT_EQ(status, 0);
}

TEST_F(RealWindow, AWindowDestroyedByAnotherProgramEndsTheGameWithStatusZero) {
    Geometry();  // the window that stays
    Xdo("windowclose " + window);  // XDestroyWindow from another client
    const int status = WaitExit(game, 10000);
    if (status >= 0) game = -1;
    EXPECT_EQ(status, 0);
}

TEST_F(RealWindow, LosingTheDisplayEndsTheGameWithStatusOne) {
    // The X server goes away under the game (the session ended): it must not
    // wait on the dead connection for ever.
    kill(xserver, SIGTERM);
    waitpid(xserver, nullptr, 0);
    xserver = -1;
    const int status = WaitExit(game, 10000);
    if (status >= 0) game = -1;
    EXPECT_EQ(status, 1);
}

namespace {

// A 1920 x 1200 desktop with a window manager.
class LargeScreen : public RealWindow {
protected:
    void SetUp() override {}
    void Start(std::vector<std::string> args, const char* size = "1920x1200x24") {
        screen = size;
        gameArgs = std::move(args);
        StartX();
        StartWindowManager();
        StartGame();
    }
};

}  // namespace

TEST_F(LargeScreen, FullscreenShowsTheFieldTwiceItsSizeCentredAndF11GivesTheWindowBack) {
    Start({"--fullscreen"});
    ASSERT_TRUE(WaitFor([&] { return Geometry() == "1920x1200"; }, 10000)) << Geometry();
    // Field pixel (400, 450) is screen pixel (160 + 800, 900).
    Xdo("mousemove 960 900");
    ASSERT_TRUE(WaitFor([&] {
        last = Capture();
        if (last.width != 1920 || last.height != 1200) return false;
        // The paddle (160 x 40 at this scale) under the cursor, white above and below it.
        return !last.White(960, 900) && !last.White(890, 900) && !last.White(1030, 900) &&
               last.White(960, 860) && last.White(960, 940);
    }, 10000)) << "the paddle is not under the cursor; screen kept in " << Keep(last);
    EXPECT_EQ(last.At(80, 600), 0x202020u) << "a bar left of the field";
    EXPECT_EQ(last.At(1840, 600), 0x202020u) << "a bar right of the field";
    EXPECT_TRUE(last.White(170, 600)) << "the field starts at x = 160";
    EXPECT_EQ(last.At(360, 600), last.At(1560, 600)) << "the two panels, at field x 100 and 700";
    EXPECT_FALSE(last.White(360, 600));

    // Back in the window, with the mouse left alone: the cursor is still over
    // the field (not flung to where the fullscreen coordinates point) and the
    // paddle is under it.
    Xdo("key F11");
    EXPECT_TRUE(WaitFor([&] { return Geometry() == "800x600"; }, 10000)) << Geometry();
    int cx = -1, cy = -1;
    EXPECT_TRUE(WaitFor([&] {
        // (xwininfo, not xdotool: under a reparenting window manager xdotool
        // counts the frame into the window's position.)
        const std::string pointer = Shell("xdotool getmouselocation --shell");
        const std::string origin = Shell("xwininfo -id " + window);
        const size_t ox = origin.find("Absolute upper-left X:");
        const size_t oy = origin.find("Absolute upper-left Y:");
        int px = 0, py = 0, wx = 0, wy = 0;
        if (std::sscanf(pointer.c_str(), "X=%d Y=%d", &px, &py) != 2 || ox == std::string::npos ||
            oy == std::string::npos ||
            std::sscanf(origin.c_str() + ox, "Absolute upper-left X: %d", &wx) != 1 ||
            std::sscanf(origin.c_str() + oy, "Absolute upper-left Y: %d", &wy) != 1) return false;
        cx = px - wx;
        cy = py - wy;
        if (cx < 40 || cx > 760 || cy < 20 || cy > 580) return false;
        last = Capture();
        return last.width == 800 && !last.White(cx, cy) && !last.White(cx - 30, cy) &&
               !last.White(cx + 30, cy) && last.White(cx, cy - 25) && last.White(cx, cy + 25);
    }, 10000)) << "cursor at " << cx << "," << cy << " of the window; shot kept in " << Keep(last);
    Xdo("key alt+Return");
    EXPECT_TRUE(WaitFor([&] { return Geometry() == "1920x1200"; }, 10000)) << Geometry();
}

TEST_F(LargeScreen, ScaleTwoGivesAWindowTwiceTheFieldWithThePaddleUnderTheCursor) {
    // Tall enough for 1200 rows and the window's frame above them.
    Start({"--scale", "2"}, "1920x1280x24");
    ASSERT_TRUE(WaitFor([&] { return Geometry() == "1600x1200"; }, 10000)) << Geometry();
    Xdo("mousemove --window " + window + " 500 700");
    ASSERT_TRUE(WaitFor([&] {
        last = Capture();
        return last.width == 1600 && !last.White(500, 700) && !last.White(430, 700) &&
               !last.White(570, 700) && last.White(500, 660) && last.White(500, 740);
    }, 10000)) << "the paddle is not under the cursor; screen kept in " << Keep(last);
}
