// The real game in a real window: Xvfb as the X server, xdotool as the
// player's hands, import as the player's eyes. Every wait is on a condition
// (a window appearing, a pixel changing, the process ending), bounded in time.
#include <gtest/gtest.h>

#include <SDL.h>
#include <SDL_image.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return out;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

// Waits for a child to end; returns its exit status, or -1 on time-out.
int WaitExit(pid_t pid, int timeoutMs) {
    int status = 0;
    const bool ended = WaitFor([&] { return waitpid(pid, &status, WNOHANG) == pid; }, timeoutMs);
    if (!ended) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

struct Shot {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> rgb;  // 0xRRGGBB
    uint32_t At(int x, int y) const { return rgb[static_cast<size_t>(y) * width + x]; }
    bool White(int x, int y) const { return At(x, y) == 0xFFFFFF; }
    bool Dark(int x, int y) const {
        const uint32_t c = At(x, y);
        return ((c >> 16) & 0xFF) + ((c >> 8) & 0xFF) + (c & 0xFF) < 200;
    }
};

class RealWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(std::system("command -v Xvfb xdotool import xprop >/dev/null"), 0)
            << "Xvfb, xdotool, import and xprop are needed (tools/install-deps.sh brings them)";
        StartX();
        StartGame();
    }

    void TearDown() override {
        if (game > 0) {
            kill(game, SIGKILL);
            waitpid(game, nullptr, 0);
        }
        if (windowManager > 0) {
            kill(windowManager, SIGTERM);
            waitpid(windowManager, nullptr, 0);
        }
        if (xserver > 0) {
            kill(xserver, SIGTERM);
            waitpid(xserver, nullptr, 0);
        }
    }

    void StartX() {
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        xserver = fork();
        ASSERT_GE(xserver, 0);
        if (xserver == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 2);
            // -noreset: by default the server starts over whenever its last
            // client leaves (each xdotool call here is one), and a game that
            // connected in that moment was refused ("x11 not available").
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", screen.c_str(),
                   "-nolisten", "tcp", "-noreset", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        std::string number;
        char c;
        while (read(fds[0], &c, 1) == 1 && c != '\n') number += c;
        close(fds[0]);
        ASSERT_FALSE(number.empty()) << "Xvfb did not start";
        display = ":" + number;
        setenv("DISPLAY", display.c_str(), 1);
    }

    void StartGame() {
        game = fork();
        ASSERT_GE(game, 0);
        if (game == 0) {
            if (chdir(KAZIRO_TEST_BUILD_DIR) != 0) _exit(126);
            setenv("SDL_VIDEODRIVER", "x11", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            unsetenv("SDL_RENDER_DRIVER");
            std::vector<char*> argv{const_cast<char*>("kaziro")};
            for (std::string& a : gameArgs) argv.push_back(a.data());
            argv.push_back(nullptr);
            execv("./kaziro", argv.data());
            _exit(127);
        }
        ASSERT_TRUE(WaitFor([&] { return !(window = Shell("xdotool search --name '^Kaziro$'")).empty(); },
                            15000))
            << "no window titled Kaziro appeared on " << display << ", whose server "
            << (waitpid(xserver, nullptr, WNOHANG) == 0 ? "is still running" : "has gone");
        window = window.substr(0, window.find('\n'));
        // The first window may be made again when SDL sets up its renderer;
        // the tests begin once the window that stays shows the field.
        const bool drawn = WaitFor([&] {
            Geometry();
            const Shot shot = Capture();
            for (int x = 0; x < shot.width; ++x)
                if (shot.White(x, shot.height / 2)) return true;
            return false;
        }, 15000);
        ASSERT_TRUE(drawn) << "the game's window never showed the field";
        Shell("xdotool windowfocus " + window);
    }

    Shot Capture() {
        Shot shot;
        const std::string file = std::string(KAZIRO_TEST_BUILD_DIR) + "/e2e-shot-" +
                                 std::to_string(getpid()) + ".png";
        if (std::system(("timeout 10 import -window " + window + " " + file + " 2>/dev/null").c_str()) != 0) {
            return shot;
        }
        SDL_Surface* loaded = IMG_Load(file.c_str());
        std::remove(file.c_str());
        if (!loaded) return shot;
        SDL_Surface* s = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGB888, 0);
        SDL_FreeSurface(loaded);
        if (!s) return shot;
        shot.width = s->w;
        shot.height = s->h;
        shot.rgb.resize(static_cast<size_t>(s->w) * s->h);
        for (int y = 0; y < s->h; ++y) {
            const auto* row = reinterpret_cast<const uint32_t*>(
                static_cast<const uint8_t*>(s->pixels) + static_cast<size_t>(y) * s->pitch);
            for (int x = 0; x < s->w; ++x) shot.rgb[static_cast<size_t>(y) * s->w + x] = row[x] & 0xFFFFFF;
        }
        SDL_FreeSurface(s);
        return shot;
    }

    // Waits until a screenshot satisfies the condition; the last shot is kept.
    bool WaitForShot(const std::function<bool(const Shot&)>& condition, int timeoutMs) {
        return WaitFor([&] {
            last = Capture();
            return last.width == 800 && last.height == 600 && condition(last);
        }, timeoutMs);
    }

    // Rows of the board: runs of lines with label ink left of the left panels.
    static int LabelRows(const Shot& s) {
        int runs = 0;
        bool inRun = false;
        for (int y = 0; y < 600; ++y) {
            bool ink = false;
            for (int x = 44; x < 78 && !ink; ++x) ink = s.Dark(x, y);
            if (ink && !inRun) ++runs;
            inRun = ink;
        }
        return runs;
    }

    void Xdo(const std::string& args) { Shell("xdotool " + args); }

    // Saves a shot for a failure message; returns its file name.
    static std::string Keep(const Shot& s) {
        const std::string file = std::string(KAZIRO_TEST_BUILD_DIR) + "/e2e-failure.png";
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, s.width, s.height, 32,
                                                              SDL_PIXELFORMAT_RGB888);
        if (!surface) return "(not saved)";
        for (int y = 0; y < s.height; ++y) {
            auto* row = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(surface->pixels) +
                                                    static_cast<size_t>(y) * surface->pitch);
            for (int x = 0; x < s.width; ++x) row[x] = s.At(x, y);
        }
        IMG_SavePNG(surface, file.c_str());
        SDL_FreeSurface(surface);
        return file;
    }

    // A window manager, for what only one can do (fullscreen on request).
    void StartWindowManager() {
        ASSERT_EQ(std::system("command -v openbox >/dev/null"), 0)
            << "openbox is needed (tools/install-deps.sh brings it)";
        windowManager = fork();
        ASSERT_GE(windowManager, 0);
        if (windowManager == 0) {
            int devnull = open("/dev/null", O_WRONLY);
            dup2(devnull, 1);
            dup2(devnull, 2);
            execlp("openbox", "openbox", "--sm-disable", static_cast<char*>(nullptr));
            _exit(127);
        }
        ASSERT_TRUE(WaitFor([] { return Shell("xprop -root _NET_SUPPORTING_WM_CHECK")
                                                .find("window id") != std::string::npos; },
                            10000))
            << "the window manager did not start";
        // It announces itself a moment before it manages the windows mapped.
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    }

    // The window's size. Looked up afresh: SDL may make the window again when
    // it sets up an accelerated renderer, and the first id then goes stale.
    std::string Geometry() {
        const std::string found = Shell("xdotool search --name '^Kaziro$'");
        if (!found.empty()) window = found.substr(0, found.find('\n'));
        const std::string g = Shell("xdotool getwindowgeometry " + window);
        const size_t at = g.find("Geometry: ");
        return at == std::string::npos ? "" : g.substr(at + 10);
    }

    std::string screen = "1024x768x24";
    std::vector<std::string> gameArgs;
    pid_t xserver = -1;
    pid_t windowManager = -1;
    pid_t game = -1;
    std::string display;
    std::string window;
    Shot last;
};

}  // namespace

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
