// The two-machine frame: this machine's player's record (its devices or the
// autopilot, with the comforts' overrides) goes to the session, which takes a
// step, waits, or rolls back; the picture follows the state; the steps both
// machines confirmed since the last frame go the confirmed route; the field
// says when the other machine has been silent for a second. While a
// step-for-step frame waits, the window keeps answering (WaitForPartner).
#include "app/Play.h"
#include "graphics/Graphics.h"
#include "graphics/Overlay.h"
#include "net/SessionParts.h"
#include "platform/clock.h"
#include "platform/window.h"

// Keeps the window answering while the frame waits for the other machine;
// false when a quit message was taken meanwhile.
bool cPlay::WaitForPartner(uint32_t waitedMs) {
    Message message;
    bool uncovered = false;
    while (PeekMessage(&message)) {
        TranslateMessage(message);
        DispatchMessage(message);
        if (message.message == WM_QUIT) {
            quitWhileWaiting_ = true;
            quitStatus_ = static_cast<int>(static_cast<intptr_t>(message.wParam));
            return false;
        }
        uncovered = uncovered || message.message == WM_PAINT;
    }
    // Shown once, and again only where the window was uncovered and needs
    // its picture back: a wait that draws nothing new presents nothing new.
    const bool notice = waitedMs >= kShowWaitingMs && !waitNotice_;
    if (notice) waitNotice_ = NewWaitingNotice();
    if (notice || (uncovered && waitNotice_)) {
        DrawFrame();
        ShowFrame();
    }
    return true;
}

StepEnd cPlay::NetFrame(bool* paused, int* quitStatus) {
    PlayerControls local = LocalRecord(session_->IsHost() ? 0 : 1);
    ApplyOverride(comforts_.BeforeStep(game_), &local, 1);
    bool rolledBack = false;
    quitWhileWaiting_ = false;
    events_.Clear();  // a frame without a step tells nothing
    const cNetSession::Frame frame = session_->Play(
        local, &events_, &rolledBack, [this](uint32_t waited) { return WaitForPartner(waited); });
    if (frame == cNetSession::Frame::Interrupted) {
        *quitStatus = quitStatus_;
        return StepEnd::Quit;
    }
    if (frame == cNetSession::Frame::Failed || syncFailed_) return StepEnd::Failed;
    // The new step's sounds and pictures; after a rollback without a new
    // step, the picture only follows the state the steps were taken to. A
    // game that ended in this frame took its step if the chain's end was told.
    const bool stepped = frame == cNetSession::Frame::Stepped ||
                         (frame == cNetSession::Frame::Ended && events_.chainEnded);
    if (stepped || rolledBack) Show(stepped ? &events_ : nullptr);
    if (frame == cNetSession::Frame::Ended) GameEnded();

    // The confirmed steps are the game both machines played: what a
    // recording keeps, the log lists and the scores count.
    for (; confirmed_ < session_->Confirmed(); ++confirmed_) {
        ConfirmedStep s;
        if (!session_->ConfirmedStepAt(confirmed_, &s)) {
            // Never skipped silently: every later step would be off by one.
            StopRecordings("step " + std::to_string(confirmed_) + " is no longer at hand");
            continue;
        }
        Confirm(confirmed_, s);
    }
    if (stepped) netLog_.Shown(timeGetTime(), session_->Next() - 1);
    const bool silent = session_->SilentMs() >= kShowWaitingMs;
    if (silent && !waitNotice_) {
        waitNotice_ = NewWaitingNotice();
    } else if (!silent && waitNotice_) {
        waitNotice_.reset();
    }
    comforts_.AfterStep(game_, view_.get());
    *paused = game_.paused != 0;
    return StepEnd::Going;
}
