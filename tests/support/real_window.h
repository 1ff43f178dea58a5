// The real game in a real window, for the tests: Xvfb as the X server,
// xdotool as the player's hands, import as the player's eyes. Every wait is
// on a condition (a window appearing, a pixel changing, the process ending),
// bounded in time.
#pragma once

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

using Clock = std::chrono::steady_clock;

inline std::string Shell(const std::string& command) {
    std::string out;
    FILE* pipe = popen((command + " 2>/dev/null").c_str(), "r");
    if (!pipe) return out;
    char buffer[512];
    while (fgets(buffer, sizeof buffer, pipe)) out += buffer;
    pclose(pipe);
    while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
    return out;
}

inline bool WaitFor(const std::function<bool()>& condition, int timeoutMs) {
    const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (Clock::now() < end) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return condition();
}

// Waits for a child to end; returns its exit status, or -1 on time-out.
inline int WaitExit(pid_t pid, int timeoutMs) {
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

    // Starts the game with gameArgs and waits until its window shows `shown`
    // (by default the white field).
    void StartGame(const std::function<bool(const Shot&)>& shown = {}) {
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
            if (shown) return shot.width > 0 && shown(shot);
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

