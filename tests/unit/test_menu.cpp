// The front door as a model: an input gives a new state and at most one
// deed, with no window. The main page's items in their order and English
// names; moving, choosing and going back by keys, the pointer and a pad;
// typing with the keyboard and with a pad's letter chooser; the settings
// changed and a key chosen anew; the replays folder: the newest twenty kept
// with the marked ones, and files it cannot play said so; and the whole front
// door played with a pad alone.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/FrontDoor.h"
#include "app/Menu.h"
#include "app/Recording.h"
#include "app/ReplayShelf.h"
#include "input/cInput.h"
#include "platform/translation.h"
#include "support/fake_pads.h"
#include "support/headless_game.h"

namespace {

using K = MenuInput::Kind;
using A = MenuAction::Kind;

std::vector<std::string> Rows(const cMenu& menu) {
    std::vector<std::string> rows;
    for (const cMenu::Line& line : menu.Draw().lines) {
        if (line.row) rows.push_back(line.text);
    }
    return rows;
}

MenuAction Press(cMenu& menu, K kind, int code = 0) { return menu.Take(MenuInput(kind, -1, code)); }

std::string Chosen(const cMenu& menu) {
    const cMenu::Picture p = menu.Draw();
    return p.selected >= 0 ? p.lines.at(p.selected).text : "";
}

}  // namespace

TEST(Menu, TheMainItemsInTheirOrderAndEveryWayAround) {
    setenv("LANGUAGE", "en", 1);
    setenv("LANG", "C.UTF-8", 1);
    StartTranslations(KAZIRO_TEST_BUILD_DIR "/locale");
    cMenu menu;
    menu.Open();
    EXPECT_EQ(Rows(menu), (std::vector<std::string>{"Play", "Players on this machine", "Online", "Replays",
                                                    "Best scores", "Settings", "Help", "Quit"}));
    // End and Enter quit; Home goes back to the top; the ends do not wrap.
    Press(menu, K::End);
    EXPECT_EQ(menu.Selected(), 7);
    EXPECT_EQ(Press(menu, K::Choose).kind, A::Quit);
    Press(menu, K::Down);
    EXPECT_EQ(menu.Selected(), 7);
    Press(menu, K::Home);
    Press(menu, K::Up);
    EXPECT_EQ(menu.Selected(), 0);

    // Play: the pointer over row 2 and a click: difficulty 3, a game of one.
    Press(menu, K::Choose);
    EXPECT_EQ(menu.Page(), MenuPage::Play);
    menu.Take(MenuInput(K::Point, 2));
    const MenuAction play = menu.Take(MenuInput(K::Choose, 2));
    EXPECT_EQ(play.kind, A::PlayAlone);
    EXPECT_EQ(play.number, 3);
    // Back goes up one level, to the item it came from; at the top it closes.
    EXPECT_EQ(Press(menu, K::Back).kind, A::None);
    EXPECT_EQ(menu.Page(), MenuPage::Main);
    EXPECT_EQ(menu.Selected(), 0);
    EXPECT_EQ(Press(menu, K::Back).kind, A::Close);
    EXPECT_FALSE(menu.IsOpen());

    // Players on this machine: who plays with what, then 3 players.
    menu.Open();
    menu.SetPads(1);
    Press(menu, K::Down);
    Press(menu, K::Choose);
    const std::vector<cMenu::Line> lines = menu.Draw().lines;
    ASSERT_GE(lines.size(), 7u);
    EXPECT_EQ(lines[4].text, "Player 1: the mouse");
    EXPECT_EQ(lines[5].text, "Player 2: pad 1");
    EXPECT_EQ(lines[6].text, "Player 3: waiting for a pad");
    Press(menu, K::Down);
    const MenuAction couch = Press(menu, K::Choose);
    EXPECT_EQ(couch.kind, A::PlayCouch);
    EXPECT_EQ(couch.number, 3);

    // Online, join by address: typed on the keyboard, and by a pad's
    // chooser (right once is "b", A types it, B erases the last, Start joins).
    Press(menu, K::Back);
    Press(menu, K::Down);
    Press(menu, K::Choose);
    Press(menu, K::End);
    Press(menu, K::Choose);
    ASSERT_EQ(menu.Page(), MenuPage::Address);
    menu.Take(MenuInput(K::Text, -1, 0, "host.lan:4780"));
    Press(menu, K::Right);
    Press(menu, K::Button, 0);  // A: "b"
    Press(menu, K::Button, 1);  // B: erases it
    Press(menu, K::Button, 0);
    Press(menu, K::Erase);
    menu.Take(MenuInput(K::Text, -1, 0, "1"));
    EXPECT_EQ(menu.Draw().typed, "host.lan:47801");
    const MenuAction join = Press(menu, K::Button, 4);
    EXPECT_EQ(join.kind, A::JoinAddress);
    EXPECT_EQ(join.text, "host.lan:47801");
    // Room codes need a meeting server: with none named, the entry asks for
    // one first, keeps it in the settings and goes on to the code, which
    // comes out in capitals whatever was typed.
    Press(menu, K::Back);
    Press(menu, K::Home);
    Press(menu, K::Down);
    Press(menu, K::Down);
    Press(menu, K::Choose);
    ASSERT_EQ(menu.Page(), MenuPage::Meet);
    EXPECT_EQ(menu.Draw().notice, "Room codes need a meeting server: type the address of a machine that runs kaziro-meet");
    EXPECT_EQ(Press(menu, K::Choose).kind, A::None) << "nothing typed: still asking";
    menu.Take(MenuInput(K::Text, -1, 0, "meet.example.org"));
    const MenuAction named = Press(menu, K::Choose);
    EXPECT_EQ(named.kind, A::Settings);
    EXPECT_EQ(named.settings.meet, "meet.example.org");
    ASSERT_EQ(menu.Page(), MenuPage::Code);
    menu.Take(MenuInput(K::Text, -1, 0, "7kq2mx"));
    const MenuAction code = Press(menu, K::Choose);
    EXPECT_EQ(code.kind, A::JoinCode);
    EXPECT_EQ(code.text, "7KQ2MX");
    // Hosting by room code now goes straight ahead.
    Press(menu, K::Back);
    EXPECT_EQ(menu.Selected(), 2);
    Press(menu, K::Up);
    EXPECT_EQ(Press(menu, K::Choose).kind, A::HostOnline);

    // The waiting page is left with Escape or B: the deed says to stop.
    menu.ShowWaiting({"Tell your partner: 192.168.1.20:47800"});
    EXPECT_EQ(menu.Draw().lines.at(0).text, "Tell your partner: 192.168.1.20:47800");
    EXPECT_EQ(Press(menu, K::Back).kind, A::Leave);
    EXPECT_EQ(menu.Page(), MenuPage::Online);
    StartTranslations(KAZIRO_TEST_BUILD_DIR "/locale");
}

TEST(Menu, SettingsChangeAtOnceAndAKeyIsChosenByPressingIt) {
    setenv("LANGUAGE", "en", 1);
    setenv("LANG", "C.UTF-8", 1);
    StartTranslations(KAZIRO_TEST_BUILD_DIR "/locale");
    cMenu menu;
    Settings settings;
    settings.effectsVolume = 100;
    menu.SetSettings(settings);
    menu.Open();
    for (int i = 0; i < 5; ++i) Press(menu, K::Down);
    Press(menu, K::Choose);
    ASSERT_EQ(menu.Page(), MenuPage::Settings);
    Press(menu, K::Down);
    Press(menu, K::Down);  // the effects' volume
    MenuAction a = Press(menu, K::Left);
    EXPECT_EQ(a.kind, A::Settings);
    EXPECT_EQ(a.changed, MenuAction::Changed::EffectsVolume);
    EXPECT_EQ(a.settings.effectsVolume, 90);
    a = Press(menu, K::Right);
    a = Press(menu, K::Right);
    EXPECT_EQ(a.settings.effectsVolume, 100) << "never over 100";
    Press(menu, K::Down);
    Press(menu, K::Down);
    Press(menu, K::Down);  // the language: the system's, then 日本語, then English
    a = Press(menu, K::Right);
    EXPECT_EQ(a.settings.language, "ja");
    EXPECT_EQ(a.changed, MenuAction::Changed::Language);
    // The menu key: "press the new key"; Escape does not become it.
    Press(menu, K::Down);
    Press(menu, K::Down);
    Press(menu, K::Down);
    Press(menu, K::Choose);
    ASSERT_EQ(menu.Page(), MenuPage::Remap);
    EXPECT_EQ(Press(menu, K::Key, DIK_ESCAPE).kind, A::None);
    EXPECT_EQ(Press(menu, K::Button, 0).kind, A::None) << "a key is wanted";
    a = Press(menu, K::Key, DIK_M);
    EXPECT_EQ(a.kind, A::Settings);
    EXPECT_EQ(a.settings.bindings.menuKey, DIK_M);
    EXPECT_EQ(menu.Page(), MenuPage::Settings);
    // The meeting server, typed; Escape leaves it as it was.
    Press(menu, K::End);
    Press(menu, K::Up);
    EXPECT_EQ(Chosen(menu), "Meeting server: none");
    Press(menu, K::Choose);
    ASSERT_EQ(menu.Page(), MenuPage::Meet);
    menu.Take(MenuInput(K::Text, -1, 0, "203.0.113.9:47801"));
    a = Press(menu, K::Choose);
    EXPECT_EQ(a.settings.meet, "203.0.113.9:47801");
    EXPECT_EQ(Chosen(menu), "Meeting server: 203.0.113.9:47801");
    Press(menu, K::Choose);
    menu.Take(MenuInput(K::Text, -1, 0, "x"));
    EXPECT_EQ(Press(menu, K::Back).kind, A::None);
    EXPECT_EQ(menu.Page(), MenuPage::Settings);
    // Reset to defaults, at the end of the page (scrolled into view): the
    // meeting server is an address, not a preference, and stays.
    Press(menu, K::End);
    a = Press(menu, K::Choose);
    EXPECT_EQ(a.settings.bindings, Bindings{});
    EXPECT_EQ(a.settings.language, "");
    EXPECT_EQ(a.settings.effectsVolume, 100);
    EXPECT_EQ(a.settings.meet, "203.0.113.9:47801");
}

TEST(Menu, TheReplaysFolderKeepsTheNewestTwentyAndTheMarkedAndSaysWhatItCannotPlay) {
    const std::string folder = "/tmp/kaziro-shelf-" + std::to_string(getpid());
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    cReplayShelf shelf;
    shelf.OpenAt(folder);
    // 23 games, written as the game writes them (one step each), by name in
    // time order; the oldest is marked to keep.
    for (int i = 0; i < 23; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "%s/2026-12-09_20-%02d-00.kzr", folder.c_str(), i);
        cRecording r(true);
        std::string why;
        ASSERT_TRUE(r.Start(name, 7u, 1, &why)) << why;
        const PlayerControls records[1] = {};
        r.Step(records, 1, 0);
        ASSERT_TRUE(r.Finish());
        ReplayListing about;
        about.difficulty = 1 + i % 9;
        about.score = 100 * i;
        about.steps = 1;
        about.kept = i == 0;
        ASSERT_TRUE(shelf.Add(name, about, &why)) << why;
    }
    std::vector<ShelvedReplay> list = shelf.List();
    ASSERT_EQ(list.size(), 21u) << "the newest 20 and the marked one";
    EXPECT_EQ(list.front().name, "2026-12-09_20-22-00.kzr");
    EXPECT_EQ(list.front().listing.score, 2200);
    EXPECT_EQ(list.front().listing.when, "12-09 20:22");
    EXPECT_EQ(list.back().name, "2026-12-09_20-00-00.kzr");
    EXPECT_TRUE(list.back().listing.kept);
    EXPECT_EQ(list[19].name, "2026-12-09_20-03-00.kzr");

    // A damaged file and one of another version are listed, saying so.
    std::ofstream(folder + "/2026-12-09_21-00-00.kzr") << "not a replay";
    std::vector<uint8_t> other = ReplayHeader(1u, 1, "0.9.0");
    const std::vector<uint8_t> end = ReplayTrailer(0, 0);
    other.insert(other.end(), end.begin(), end.end());
    std::ofstream(folder + "/2026-12-09_21-01-00.kzr", std::ios::binary)
        .write(reinterpret_cast<const char*>(other.data()), static_cast<std::streamsize>(other.size()));
    list = shelf.List();
    ASSERT_GE(list.size(), 2u);
    EXPECT_NE(list[0].listing.problem.find("0.9.0"), std::string::npos) << list[0].listing.problem;
    EXPECT_FALSE(list[1].listing.problem.empty());
    EXPECT_TRUE(list[2].listing.problem.empty());

    // Exported into a folder (through a temporary file), deleted with its about file.
    std::string copy, why;
    ASSERT_TRUE(shelf.Export(list[2], folder + "/..", &copy, &why)) << why;
    EXPECT_TRUE(std::filesystem::exists(copy));
    std::filesystem::remove(copy);
    EXPECT_FALSE(shelf.Export(list[2], folder + "/no-such-folder", &copy, &why));
    ASSERT_TRUE(shelf.Delete(list[2], &why)) << why;
    EXPECT_FALSE(std::filesystem::exists(list[2].path + ".about"));
    std::filesystem::remove_all(folder);
}

// A pad alone: Guide opens the menu, the d-pad moves, A chooses, B goes back.
TEST(Menu, APadAloneOpensTheMenuAndStartsAGameAtTheDifficultyChosen) {
    static FakeDevices hands;
    hands.pads.resize(1);
    hands.pads[0].Rest();
    cPlay setUp;
    std::string error;
    const WindowHandle window = StartHeadlessGame(setUp, "KaziroPadMenu", &error, &hands);
    ASSERT_NE(window, nullptr) << error;
    hands.focusWindow = window;
    cFrontDoor door(AppOptions{}, Settings{}, window);
    int status = 0;
    ASSERT_TRUE(door.Begin(&status));
    JoyState2& pad = hands.pads[0].state;
    // One press of a button, or one push of the d-pad: down for a step, then up.
    const auto press = [&](int button, uint32_t hat = 0xFFFFFFFFu) {
        if (button >= 0) pad.buttons[button] = 0x80;
        pad.pov[0] = hat;
        ASSERT_EQ(door.Step(&status), StepEnd::Going);
        hands.pads[0].Rest();
        ASSERT_EQ(door.Step(&status), StepEnd::Going);
    };
    press(-1);
    press(kGuideButton);
    ASSERT_TRUE(door.Menu().IsOpen());
    press(PAD_A);  // Play
    press(-1, 18000);
    press(-1, 18000);  // Difficulty 3
    press(PAD_A);
    EXPECT_FALSE(door.Menu().IsOpen());
    press(-1);
    EXPECT_EQ(door.Game().Game().board.difficulty, 3);
    press(kGuideButton);
    ASSERT_TRUE(door.Menu().IsOpen());
    press(PAD_B);  // back at the top: the menu closes, the game goes on
    EXPECT_FALSE(door.Menu().IsOpen());
    door.End();
    input.Shutdown();
}
