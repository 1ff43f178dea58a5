// What a player of the game on this machine gets beside the game itself: the
// help over the field (F1), a pause when the window loses the focus, the best
// scores kept with the notes under the result, and a sign while the sound is
// off. None of it is part of the game's state: what touches the game (the
// pause) goes through this machine's records, so replays and the other
// machine see it as a press of the pause key.
#pragma once

#include <cstdint>

#include <memory>
#include <string>
#include <vector>

#include "app/Scores.h"
#include "game/GameState.h"

class cOverlay;
class cSceneView;

// What this step's records of the players here are to carry.
struct LocalOverride {
    bool neutral = false;     // the help is open (or the press that closed it): no controls
    bool pressPause = false;  // a press of pause in player 1's record
};
// Applies the override to this machine's records (player 1 first).
void ApplyOverride(const LocalOverride& o, PlayerControls records[kMaxPlayers], int localPlayers);

class cComforts {
public:
    cComforts() = default;
    ~cComforts();
    cComforts(const cComforts&) = delete;
    cComforts& operator=(const cComforts&) = delete;

    // keepScores: this machine keeps the best scores (not a replay, not the
    // joining machine of a two-machine game). pausesHere: the game may be
    // paused from here when the help opens or the focus goes (one machine).
    void Start(bool keepScores, bool pausesHere);
    // Before a step's records: F1 opens the help, any key, click or pad button
    // closes it; the focus going pauses a game of one machine.
    LocalOverride BeforeStep(const GameState& game);
    // After a step's picture: the help, the notes under the result, the mute sign.
    void AfterStep(const GameState& game, cSceneView* view);
    // A round ended: its score is kept where it is a best, and the notes under
    // the result say so; after difficulty 9 they give the run's total too.
    void RoundEnded(int32_t difficulty, int32_t score);
    // Lets go of the notices and forgets the run.
    void End();
    // The best scores kept here (the menu shows them).
    const Scores& Kept() const { return scores_; }
    // Makes the notices shown again, in the player's language (it changed).
    void Redraw(const GameState& game, cSceneView* view);
    // This machine's players are away (the menu is open): no key or focus
    // change reaches the help or the pause.
    void SetAway(bool away) { away_ = away; }

private:
    bool keepScores_ = false;
    bool pausesHere_ = false;
    Scores scores_;
    int runNext_ = 0;   // the difficulty a run from 1 to 9 goes on with (0: none)
    int runTotal_ = 0;
    struct Note {
        const char* text;  // a source text with at most one number
        int value;
    };
    std::vector<Note> notes_;  // under the result of difficulty notesFor_
    int32_t notesFor_ = 0;
    std::unique_ptr<cOverlay> notesShown_;
    bool helpOpen_ = false;
    bool pausedForHelp_ = false;
    std::unique_ptr<cOverlay> helpShown_;
    bool hadFocus_ = false;
    std::unique_ptr<cOverlay> muteSign_;
    bool away_ = false;
};
