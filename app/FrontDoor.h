// The front door: what the program runs between the window and the game. It
// owns the game being played (a cPlay, made anew for every game), the
// two-machine session and the connection being made for one, the menu with
// its view, the settings and the replays kept.
//
// Every logic step it samples the devices, opens or closes the menu (Tab,
// a pad's Guide), hands the menu its inputs and does what the menu asks,
// follows a connection being made in the background, and then takes the
// game's step: a one-machine game stands still while the menu is open over
// it, a two-machine game goes on with this machine's player at rest. When a
// game of two machines ends on the line, the field says why until a click, a
// key or a button (or ten seconds); a game started from the command line
// then ends the program as it always has, one started from the menu goes
// back to the menu.
#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

#include "app/Menu.h"
#include "app/Options.h"
#include "app/Play.h"
#include "app/ReplayShelf.h"
#include "app/Settings.h"
#include "net/cNetSession.h"
#include "platform/window.h"

class cHostFinder;
class cMenuView;
class cOverlay;
class InterruptWatch;

class cFrontDoor {
public:
    cFrontDoor(const AppOptions& options, const Settings& settings, WindowHandle window);
    ~cFrontDoor();
    cFrontDoor(const cFrontDoor&) = delete;
    cFrontDoor& operator=(const cFrontDoor&) = delete;

    // Sets up what the command line asks for: a game, a replay, the menu, or
    // the wait for a second machine. False with *status when it cannot.
    bool Begin(int* status);
    // One logic step (see above). Failed ends the program with status 1.
    StepEnd Step(int* quitStatus);
    // At exit: the connection given up, the game's end (its replay kept),
    // the settings saved.
    void End();
    // Saves the settings as they are now (the browser does it now and then:
    // a page may be closed without the game ever ending).
    void KeepSettings();

    cPlay& Game() { return *play_; }
    const cMenu& Menu() const { return menu_; }

private:
    struct Connection;
    // Games.
    void EndGame();
    cPlay* NewPlay(uint32_t seed, int players, bool keep);
    void StartLocalGame(int players, int difficulty, bool fromMenu);
    bool StartWatching(const ShelvedReplay& replay);
    void StartNetGame(std::unique_ptr<cNetSession> session);
    void Connect(const NetSettings& settings, const std::string& partner);
    void FollowConnection();
    void ShowRoomCode();
    void FollowWay();
    void GiveUpConnection();
    // The menu.
    void OpenMenu(MenuPage page);
    void CloseMenu();
    void TakeMenuInputs();
    void Do(const MenuAction& action);
    void ShowMenu();
    void ApplySettings(const Settings& settings, MenuAction::Changed changed);
    void RefreshReplays();
    void RefreshBests();
    // A two-machine game that ended on the line.
    void ShowEnding();
    bool FollowEnding(int* quitStatus);

    AppOptions options_;
    Settings settings_;
    WindowHandle window_;
    std::unique_ptr<cPlay> play_;
    std::unique_ptr<cNetSession> session_;
    std::unique_ptr<Connection> connection_;
    cMenu menu_;
    std::unique_ptr<cMenuView> view_;
    std::unique_ptr<cHostFinder> lanSearch_;  // while the list of games on this network is open
    cReplayShelf shelf_;
    std::vector<ShelvedReplay> replays_;
    bool fromMenu_ = false;      // the game was started from the menu
    bool watching_ = false;      // a replay from the list plays
    bool first_ = true;          // the game of the command line (--record, --net-log go with it)
    bool placeholder_ = false;   // the game shown is only the field under a connection being made
    std::unique_ptr<cOverlay> ending_;  // why a two-machine game ended, over the field
    std::unique_ptr<cOverlay> wayNotice_;  // direct or relayed, for a few seconds after a room's game began
    bool wayPending_ = false;
    uint32_t waySince_ = 0;
    uint32_t endingSince_ = 0;
    // Held keys and directions, for repeats while they are held.
    int heldSteps_ = 0;
    int heldDirection_ = 0;
    float lastX_ = -1e9f, lastY_ = -1e9f;  // the pointer in the step before (none yet)
};
