// The front door in a real window, as a player who never opens a terminal
// meets it: the desktop entry's command opens the menu; the keys walk to the
// replays and watch the newest, Escape goes back to the list; End and Enter
// quit. And a game of two machines from the command line shows itself in the
// window: the waiting page at once (Escape leaves with status 0), and when
// the partner quits, the field says so until a key is pressed (status 1).
#include <fstream>
#include <sstream>

#include "support/free_port.h"
#include "support/real_window.h"

namespace {

// The field under the menu's shade: grey where the board is white.
bool Shaded(const Shot& s) {
    const uint32_t c = s.At(250, 560);
    const int r = (c >> 16) & 0xFF, g = (c >> 8) & 0xFF, b = c & 0xFF;
    return r > 80 && r < 200 && std::abs(r - g) < 10 && std::abs(g - b) < 10;
}
bool Field(const Shot& s) { return s.White(250, 560) && s.White(550, 560); }
bool Anything(const Shot& s) { return s.width == 800; }

// The desktop entry's command, as the desktop runs it: "kaziro --menu".
std::vector<std::string> DesktopEntryArguments() {
    std::ifstream entry(KAZIRO_TEST_SOURCE_DIR "/dist/kaziro.desktop");
    std::string line;
    while (std::getline(entry, line)) {
        if (line.rfind("Exec=", 0) != 0) continue;
        std::istringstream words(line.substr(5));
        std::vector<std::string> args;
        std::string word;
        words >> word;  // the program
        while (words >> word) args.push_back(word);
        return args;
    }
    return {};
}

class FrontDoor : public RealWindow {
protected:
    void SetUp() override {
        data = std::string(KAZIRO_TEST_BUILD_DIR) + "/test-home/front-door-" + std::to_string(getpid());
        setenv("XDG_DATA_HOME", data.c_str(), 1);
        setenv("XDG_CONFIG_HOME", (data + "/config").c_str(), 1);
        setenv("LANGUAGE", "en", 1);
        StartX();
    }
    void TearDown() override {
        RealWindow::TearDown();
        Shell("rm -rf " + data);
    }
    // Keys one at a time, as a player presses them.
    void Keys(std::initializer_list<const char*> keys) {
        for (const char* k : keys) {
            Xdo(std::string("key ") + k);
            std::this_thread::sleep_for(std::chrono::milliseconds(250));
        }
    }
    std::string data;
};

// A game of the computer's, played headless for a moment and ended: the
// replays folder keeps it.
void PlayAShortGame() {
    const pid_t p = fork();
    if (p == 0) {
        if (chdir(KAZIRO_TEST_BUILD_DIR) != 0) _exit(126);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        execl("./kaziro", "kaziro", "--autopilot", "5", static_cast<char*>(nullptr));
        _exit(127);
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(2500));
    kill(p, SIGTERM);
    waitpid(p, nullptr, 0);
}

}  // namespace

TEST_F(FrontDoor, TheDesktopEntryOpensTheMenuTheKeysWatchTheNewestReplayAndEscapeGoesBackToTheList) {
    PlayAShortGame();
    gameArgs = DesktopEntryArguments();
    ASSERT_EQ(gameArgs, std::vector<std::string>{"--menu"});
    StartGame(Shaded);
    // Play, Players on this machine, Online, Replays: the fourth item.
    Keys({"Down", "Down", "Down", "Return"});
    ASSERT_TRUE(WaitForShot(Shaded, 3000));
    const Shot list = last;
    // The newest is chosen: Enter watches it, over the field with no shade.
    Keys({"Return"});
    ASSERT_TRUE(WaitForShot(Field, 5000)) << Keep(last);
    // Escape goes back to the list, not out of the game.
    Keys({"Escape"});
    ASSERT_TRUE(WaitForShot(Shaded, 5000)) << Keep(last);
    EXPECT_EQ(WaitExit(game, 500), -1) << "the game ended on Escape";
    // The list again: its first row where it was.
    int same = 0;
    for (int x = 100; x < 700; ++x) same += last.At(x, 100) == list.At(x, 100);
    EXPECT_GT(same, 550) << Keep(last);
}

TEST_F(FrontDoor, EndAndEnterQuitFromTheMenuWithStatusZero) {
    gameArgs = {"--menu"};
    StartGame(Shaded);
    Keys({"End", "Return"});
    const int status = WaitExit(game, 5000);
    if (status >= 0) game = -1;
    EXPECT_EQ(status, 0);
}

TEST_F(FrontDoor, AHostShowsItsWaitingPageAtOnceAndEscapeLeavesWithStatusZero) {
    gameArgs = {"--host", std::to_string(FreePort()), "--no-upnp"};
    StartGame(Shaded);  // the window is there while nobody has joined
    Keys({"Escape"});
    const int status = WaitExit(game, 5000);
    if (status >= 0) game = -1;
    EXPECT_EQ(status, 0);
}

TEST_F(FrontDoor, WhenThePartnerQuitsTheFieldSaysSoUntilAKeyIsPressed) {
    const std::string port = std::to_string(FreePort());
    gameArgs = {"--host", port, "--no-upnp", "--autopilot", "2"};
    StartGame(Anything);
    const pid_t joiner = fork();
    if (joiner == 0) {
        if (chdir(KAZIRO_TEST_BUILD_DIR) != 0) _exit(126);
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        execl("./kaziro", "kaziro", "--join", ("127.0.0.1:" + port).c_str(), "--autopilot", "3",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    // The game is played: the field without the waiting page's shade.
    ASSERT_TRUE(WaitForShot(Field, 15000)) << Keep(last);
    kill(joiner, SIGTERM);  // the other player quits
    waitpid(joiner, nullptr, 0);
    ASSERT_TRUE(WaitForShot(Shaded, 5000)) << Keep(last);
    EXPECT_EQ(WaitExit(game, 1000), -1) << "the window vanished without a word";
    Keys({"space"});
    const int status = WaitExit(game, 5000);
    if (status >= 0) game = -1;
    EXPECT_EQ(status, 1);
}
