#include "app/Play.h"

#include <memory>

#include "app/Overlay.h"
#include "audio/cDSound.h"
#include "game/StateChecksum.h"
#include "graphics/Graphics.h"
#include "input/Controls.h"
#include "input/cInput.h"
#include "net/cNetwork.h"
#include "platform/report.h"
#include "platform/window.h"

namespace {

// "一時停止中　Ｐキーで再開" (paused; P resumes)
constexpr char kPausedText[] =
    "\x88\xEA\x8E\x9E\x92\xE2\x8E\x7E\x92\x86\x81\x40\x82\x6F\x83\x4C\x81\x5B\x82\xC5\x8D\xC4"
    "\x8A\x4A";
// "相手の応答を待っています…" (waiting for the other player's answer)
constexpr char kWaitingText[] =
    "\x91\x8A\x8E\xE8\x82\xCC\x89\x9E\x93\x9A\x82\xF0\x91\xD2\x82\xC1\x82\xC4\x82\xA2\x82\xDC"
    "\x82\xB7\x81\x63";
// Where the two notices start so that they sit in the middle of the field.
constexpr int32_t kPausedX = 224;
constexpr int32_t kWaitingX = 208;
constexpr int32_t kNoticeY = 300;

// A silent partner: the field says so after a second, the game ends after ten.
constexpr uint32_t kShowWaitingMs = 1000;
constexpr uint32_t kGiveUpMs = 10000;

struct PlayState {
    std::unique_ptr<cControlMapper> mappers[kMaxPlayers];
    int localPlayers = 0;  // records this machine makes each step
    bool paused = false;
    std::unique_ptr<cOverlay> pauseNotice;
    std::unique_ptr<cOverlay> waitNotice;
    bool quitWhileWaiting = false;
    int quitStatus = 0;
    bool waitedTooLong = false;
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
    if (waitedMs >= kGiveUpMs) {
        play.waitedTooLong = true;
        return false;
    }
    // Shown once, and again only where the window was uncovered and needs
    // its picture back: a wait that draws nothing new presents nothing new.
    const bool notice = waitedMs >= kShowWaitingMs && !play.waitNotice;
    if (notice) play.waitNotice = std::make_unique<cOverlay>(kWaitingText, kWaitingX, kNoticeY);
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

bool StartPlay(const AppOptions& options) {
    ResetPlay();
    const bool twoMachines = netActive;
    const int players = twoMachines || options.players == 2 ? 2 : 1;
    controls.Reset(players);
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

StepEnd GatherControls(int* quitStatus) {
    PlayerControls records[kMaxPlayers];
    if (netActive) {
        const PadState local = PackControls(LocalRecord(0));
        PadState player1{}, player2{};
        play.quitWhileWaiting = play.waitedTooLong = false;
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
    } else {
        for (int p = 0; p < play.localPlayers; ++p) records[p] = LocalRecord(p);
    }
    controls.Advance(records, controls.players);
    return StepEnd::Going;
}

bool UpdatePause() {
    if (controls.PausePressed()) {
        play.paused = !play.paused;
        if (play.paused) {
            play.pauseNotice = std::make_unique<cOverlay>(kPausedText, kPausedX, kNoticeY);
        } else {
            play.pauseNotice.reset();
        }
    }
    return play.paused;
}

void HandleLocalKeys() {
    if (input.KeyPressed(DIK_M)) dsound.SetMuted(!dsound.muted);
}

void NoteStepDone(const cSequence* scene) {
    if (!netActive) return;
    cStateHash h;
    h.Add(StateChecksum(scene));
    h.Add(play.paused);
    NoteStateChecksum(h.value);
}

void ResetPlay() {
    play.pauseNotice.reset();
    play.waitNotice.reset();
    for (auto& mapper : play.mappers) mapper.reset();
    play = PlayState{};
}
