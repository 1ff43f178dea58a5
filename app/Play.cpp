#include "app/Play.h"

#include <memory>

#include "audio/cDSound.h"
#include "graphics/Graphics.h"
#include "graphics/Overlay.h"
#include "input/cInput.h"
#include "net/cNetwork.h"
#include "platform/report.h"
#include "platform/window.h"
#include "scene/cSceneView.h"

namespace {

// A silent partner: the field says so after a second, the game ends after ten.
constexpr uint32_t kShowWaitingMs = 1000;
constexpr uint32_t kGiveUpMs = 10000;

struct PlayState {
    GameState game;
    StepEvents events;
    std::unique_ptr<cSceneView> view;
    std::unique_ptr<cControlMapper> mappers[kMaxPlayers];
    int localPlayers = 0;  // records this machine makes each step
    std::unique_ptr<cOverlay> waitNotice;
    bool quitWhileWaiting = false;
    int quitStatus = 0;
};
// Never destroyed: what it holds goes with ResetPlay, before the graphics
// state it draws into is torn down at exit.
PlayState& play = *new PlayState;

// Keeps the window answering while the step waits for the other machine.
bool WaitForPartner(uint32_t waitedMs) {
    Message message;
    bool uncovered = false;
    while (PeekMessage(&message)) {
        TranslateMessage(message);
        DispatchMessage(message);
        if (message.message == WM_QUIT) {
            play.quitWhileWaiting = true;
            play.quitStatus = static_cast<int>(static_cast<intptr_t>(message.wParam));
            return false;
        }
        uncovered = uncovered || message.message == WM_PAINT;
    }
    if (waitedMs >= kGiveUpMs) return false;
    // Shown once, and again only where the window was uncovered and needs
    // its picture back: a wait that draws nothing new presents nothing new.
    const bool notice = waitedMs >= kShowWaitingMs && !play.waitNotice;
    if (notice) play.waitNotice = NewWaitingNotice();
    if (notice || (uncovered && play.waitNotice)) {
        DrawFrame();
        ShowFrame();
    }
    return true;
}

// This machine's record for player p, neutral when nobody plays it here.
PlayerControls LocalRecord(int p) {
    return play.mappers[p] ? play.mappers[p]->Build(input) : NeutralControls();
}

}  // namespace

void SeedPlay(uint32_t seed, int players) { SeedGame(play.game, seed, players); }

bool StartPlay(const AppOptions& options) {
    for (auto& mapper : play.mappers) mapper.reset();
    const bool twoMachines = netActive;
    const int players = twoMachines || options.players == 2 ? 2 : 1;
    play.game.players = players;
    if (players == 2 && !twoMachines) {
        if (input.CountPads() == 0) {
            Report("input",
                   "two players on one machine need a game pad for player 2, and none is "
                   "attached (--keyboard-pad plays it from the keyboard)");
            return false;
        }
        play.mappers[0] = std::make_unique<cControlMapper>(true, -1, true);  // the mouse
        play.mappers[1] = std::make_unique<cControlMapper>(false, 0, false);  // the first pad
        play.localPlayers = 2;
    } else {
        // One player here: the mouse and the first pad, whichever moved last.
        play.mappers[0] = std::make_unique<cControlMapper>(true, 0, true);
        play.localPlayers = 1;
    }
    return true;
}

void ShowFirstScene() {
    CreateFirstScene(play.game);
    if (!play.view) play.view = std::make_unique<cSceneView>();
    play.view->Show(play.game, nullptr);
}

StepEnd GatherControls(PlayerControls records[kMaxPlayers], int* quitStatus) {
    for (int p = 0; p < kMaxPlayers; ++p) records[p] = NeutralControls();
    if (!netActive) {
        for (int p = 0; p < play.localPlayers; ++p) records[p] = LocalRecord(p);
        return StepEnd::Going;
    }
    const PadState local = PackControls(LocalRecord(0));
    PadState player1{}, player2{};
    play.quitWhileWaiting = false;
    const ExchangeResult result = ExchangePadStates(local, PackControls(NeutralControls()),
                                                    &player1, &player2, WaitForPartner);
    play.waitNotice.reset();
    if (result == ExchangeResult::Failed) return StepEnd::Failed;
    if (result == ExchangeResult::GaveUp) {
        if (play.quitWhileWaiting) {
            *quitStatus = play.quitStatus;
            return StepEnd::Quit;
        }
        Report("network", "the other machine has not answered for %u seconds",
               static_cast<unsigned>(kGiveUpMs / 1000));
        return StepEnd::Failed;
    }
    records[0] = UnpackControls(player1);
    records[1] = UnpackControls(player2);
    return StepEnd::Going;
}

bool StepPlay(const PlayerControls records[kMaxPlayers]) {
    StepGame(play.game, records, play.events);
    if (play.events.chainEnded) PostQuitMessage(0);
    if (!play.view) play.view = std::make_unique<cSceneView>();
    play.view->Show(play.game, &play.events);
    return play.game.paused != 0;
}

void HandleLocalKeys() {
    if (input.KeyPressed(DIK_M)) dsound.SetMuted(!dsound.muted);
}

void NoteStepDone() {
    if (netActive) NoteStateChecksum(StateChecksum(play.game));
}

GameState& PlayedGame() { return play.game; }

void ResetPlay() {
    play.waitNotice.reset();
    play.view.reset();
    for (auto& mapper : play.mappers) mapper.reset();
    play.localPlayers = 0;
    play.game = GameState{};
    play.events.Clear();
}
