// What a player of the game on this machine gets beside the game itself: the
// help over the field (F1), a pause when the window loses the focus, the best
// scores kept with the notes under the result, and a sign while the sound is
// off. None of it is part of the game's state: what touches the game (the
// pause) goes through this machine's records, so replays and the other
// machine see it as a press of the pause key.
#pragma once

#include <cstdint>

#include "game/GameState.h"

class cSceneView;

// keepScores: this machine keeps the best scores (not a replay, not the
// joining machine of a two-machine game). pausesHere: the game may be
// paused from here when the help opens or the focus goes (one machine).
void StartComforts(bool keepScores, bool pausesHere);

// What this step's records of the players here are to carry.
struct LocalOverride {
    bool neutral = false;     // the help is open (or the press that closed it): no controls
    bool pressPause = false;  // a press of pause in player 1's record
};
// Before a step's records: F1 opens the help, any key, click or pad button
// closes it; the focus going pauses a game of one machine.
LocalOverride ComfortsBeforeStep(const GameState& game);
// Applies the override to this machine's records (player 1 first).
void ApplyOverride(const LocalOverride& o, PlayerControls records[kMaxPlayers], int localPlayers);
// After a step's picture: the help, the notes under the result, the mute sign.
void ComfortsAfterStep(const GameState& game, cSceneView* view);
// A round ended: its score is kept where it is a best, and the notes under
// the result say so; after difficulty 9 they give the run's total too.
void RoundEnded(int32_t difficulty, int32_t score);
// Lets go of the notices (at exit, and in tests).
void EndComforts();
