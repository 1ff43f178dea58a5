// The play around each logic step: the players' records from this machine's
// devices (and in a two-machine game from the other machine as well), the
// pause, the keys that touch only this machine, and the state checksum the
// two machines compare.
#pragma once

#include "app/Options.h"
#include "scene/cSequence.h"

// How a logic step ended.
enum class StepEnd {
    Going,   // the step ran
    Quit,    // a two-machine game's step did not run, or stopped while it waited for
             // the other machine: a quit message was queued or taken
    Failed,  // the two-machine game ended on the line or the other machine (said on stderr)
};

// Sets up who plays with what: one player (mouse and first pad), two on this
// machine (mouse; first pad), or this machine's player of a two-machine game.
// Called once at start-up after the input set-up. False, said on stderr, when
// the game asked for cannot be played here.
bool StartPlay(const AppOptions& options);
// Builds this step's records and hands them to `controls`; in a two-machine
// game they are exchanged first, the window answering while the step waits.
// On Quit, *quitStatus is the status the quit message carried.
StepEnd GatherControls(int* quitStatus);
// A press of the pause key (by either player) pauses or resumes. True while
// paused: the field stays, dimmed, and no game step runs.
bool UpdatePause();
// M mutes and unmutes this machine's effects and music.
void HandleLocalKeys();
// After a step: hands the checksum of the game's state to the exchange.
void NoteStepDone(const cSequence* scene);
// One player, not paused, nothing shown (tests).
void ResetPlay();
