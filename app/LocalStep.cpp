// The local step: a game of this machine alone, or a recording played back.
// The players' records come from this machine's devices (with the autopilot
// and the comforts' overrides), or from the recording, one to four steps a
// frame; each step is taken here, under the sync test when asked, shown, and
// confirmed at once; a replay's checksums are compared as it goes.
#include "app/Autopilot.h"
#include "app/Play.h"
#include "platform/window.h"

StepEnd cPlay::LocalFrame(bool* paused) {
    PlayerControls records[kMaxPlayers];
    const LocalOverride aids = comforts_.BeforeStep(game_);
    LocalRecords(records);
    if (autopilot_) records[0] = autopilot_->Record(game_, 0);
    ApplyOverride(aids, records, local_.Players());
    if (steps_ == 0 && startDifficulty_ > 1) records[0].digits |= KeypadDigitBit(startDifficulty_);
    StepEnd end = StepEnd::Going;
    if (!playback_.Active()) {
        end = LocalStep(records);
    } else {
        for (int i = 0; i < playback_.StepsPerFrame() && playback_.Active() && end == StepEnd::Going; ++i) {
            PlayerControls recorded[kMaxPlayers];
            if (!playback_.Next(recorded)) {  // nothing (more) to play
                GameEnded();
                break;
            }
            end = LocalStep(recorded);
        }
    }
    comforts_.AfterStep(game_, view_.get());
    *paused = game_.paused != 0;
    return end;
}

StepEnd cPlay::LocalStep(const PlayerControls records[kMaxPlayers]) {
    const uint32_t step = steps_++;
    stepper_(game_, records, events_);
    if (syncFailed_) return StepEnd::Failed;
    // A replay ends when its recording does, every checksum checked, even
    // when the recording goes on a step or two after the game's last.
    if (events_.chainEnded && !playback_.Active()) GameEnded();
    Show(&events_);

    ConfirmedStep s;
    for (int p = 0; p < kMaxPlayers; ++p) s.records[p] = records[p];
    if (Recording() || netLog_.IsOpen()) s.checksum = StateChecksum(game_);
    s.resultAfter = game_.scene == static_cast<int32_t>(SceneKind::Result);
    s.difficulty = game_.result.difficulty;
    s.score = game_.result.score;
    Confirm(step, s);

    if (playback_.Active()) {
        switch (playback_.Played(StateChecksum(game_))) {
            case cPlayback::Check::Apart: return StepEnd::Failed;
            case cPlayback::Check::Finished: GameEnded(); break;
            case cPlayback::Check::Going: break;
        }
    }
    return StepEnd::Going;
}
