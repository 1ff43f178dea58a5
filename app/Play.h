// The play around each logic step: the game being played, who plays it with
// what on this machine, its picture, and what becomes of every step taken.
//
// A frame is one of two kinds, each in its own file:
//   - the local step (app/LocalStep.cpp): a game of this machine alone, or a
//     recording played back; its players' records from this machine's devices
//     (or the recording), stepped here, checked by the sync test if asked;
//   - the two-machine frame (app/NetFrame.cpp): this machine's player's record
//     handed to the session (net/cNetSession.h), which steps or waits.
// Either way the picture is brought in line in one place (Show), and every
// step both machines (or this one alone) took on its final records goes one
// route (Confirm): into the recording, the log, and the best scores when a
// round ended in it.
//
// Owns the game's state, its events and view, this machine's players and
// their notices, the comforts, the recording, the playback, the sync test,
// the autopilot and the log. The two-machine session is the caller's.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/Comforts.h"
#include "app/NetLog.h"
#include "app/Options.h"
#include "app/PadNotices.h"
#include "app/Recording.h"
#include "game/GameState.h"
#include "game/Replay.h"
#include "input/Controls.h"
#include "input/LocalPlayers.h"
#include "net/cNetSession.h"

class cAutopilot;
class cOverlay;
class cSceneView;
class cSyncCheck;

// How a logic step ended.
enum class StepEnd {
    Going,   // the step ran
    Quit,    // a two-machine game's step did not run, or stopped while it waited for
             // the other machine: a quit message was queued or taken
    Failed,  // the game ended on the line, the other machine, the sync test or a
             // replay gone apart (said on stderr)
};

class cPlay {
public:
    cPlay();
    // Lets go of everything shown; call before the graphics state goes.
    ~cPlay();
    cPlay(const cPlay&) = delete;
    cPlay& operator=(const cPlay&) = delete;

    // A new game: the generator seeded with its warm-up, for `players` players.
    void Seed(uint32_t seed, int players);
    // Sets up who plays with what: one player (mouse and first pad), up to
    // four on this machine (the mouse; then the pads in the order they
    // arrive), this machine's player of the two-machine game `session`, or
    // the recording's players. After the input set-up and before the first
    // scene. False, said on stderr, when the game asked for cannot be played here.
    bool Start(const AppOptions& options, cNetSession* session = nullptr);
    // Before the game's first step, after this step's input sample: true while
    // a player on this machine still waits for a pad (the field says whose);
    // the step is then not taken. Follows the pads that come and go.
    bool WaitForLocalPads();
    // The first scene, a board at difficulty 1, and its picture; a two-machine
    // game begins on it.
    void ShowFirstScene();
    // M mutes and unmutes this machine's effects and music; a pad's Back and
    // Start held for a second switch fullscreen; F speeds a replay up.
    void HandleLocalKeys();
    // The game's part of a logic step: the players' records, the step (or the
    // wait), its picture and sounds. *paused: the game is paused after it. On
    // Quit, *quitStatus is the status of the quit message taken while waiting.
    StepEnd Step(bool* paused, int* quitStatus);
    // A two-machine game is being played.
    bool TwoMachines() const { return session_ != nullptr; }
    cNetSession* Session() const { return session_; }

    // The game begins at this difficulty: its first step presses the digit.
    void StartAtDifficulty(int difficulty) { startDifficulty_ = difficulty; }
    // Whether the end of the game (the chain of scenes, or the replay) posts
    // the quit message, as a game started from the command line does; a game
    // started from the menu only says it is over (Over()).
    void QuitAtEnd(bool quits) { quitsAtEnd_ = quits; }
    bool Over() const { return over_; }
    // Ends the game here (a replay left with Escape).
    void Stop() { over_ = true; }
    // While this machine's players are away (the menu is open over a game of
    // two machines): their records are at rest where the paddles are, and
    // the keys that touch only this machine do nothing.
    void SetAway(bool away) {
        away_ = away;
        comforts_.SetAway(away);
    }
    // Shows every text again in the player's language (it just changed).
    void RedrawTexts();
    // What a replay list says about this game so far.
    struct Summary {
        int players = 1;
        int difficulty = 1;   // the highest played
        int score = 0;        // of the last round ended, else of the round being played
        uint32_t steps = 0;   // confirmed
    };
    Summary GameSummary() const;

    // --autopilot: the computer plays this machine's first player.
    void UseAutopilot(bool on, uint32_t seed);
    // --sync-test: every step taken twice, and `depth` steps taken again.
    void UseSyncCheck(bool on, int depth);
    // --net-log.
    bool OpenNetLog(const std::string& path, std::string* error);
    // --record: the game is written to `path` as it is played.
    bool StartRecording(const std::string& path, uint32_t seed, int players, std::string* error);
    // The replay kept without asking, written beside --record's: finished at
    // the end only when the game took a step (Finish says where).
    bool StartKeeping(const std::string& path, uint32_t seed, int players, std::string* error);
    // --replay: the recording's records instead of the devices.
    void StartPlayback(Replay replay);
    // At exit, whatever way the game ended: the log's last line, the
    // recording under its own name (false, said on stderr, on a failure).
    // *kept: the replay kept without asking ("" when none was written).
    bool Finish(std::string* kept = nullptr);

    // The game being played (tests and tools read it, and may set it up).
    GameState& Game() { return game_; }

private:
    StepEnd LocalFrame(bool* paused);
    StepEnd LocalStep(const PlayerControls records[kMaxPlayers]);
    StepEnd NetFrame(bool* paused, int* quitStatus);
    bool WaitForPartner(uint32_t waitedMs);
    void LocalRecords(PlayerControls records[kMaxPlayers]);
    PlayerControls LocalRecord(int playerInGame);
    int DifficultyNow() const;
    void Show(const StepEvents* events);
    void Confirm(uint32_t step, const ConfirmedStep& confirmed);
    bool Recording() const;
    void StopRecordings(const std::string& why);
    void GameEnded();

    GameState game_;
    StepEvents events_;
    std::unique_ptr<cSceneView> view_;
    cLocalPlayers local_;     // who plays with what on this machine
    bool localPlay_ = false;  // this machine makes records (not a replay)
    cPadNotices padNotices_;
    cComforts comforts_;
    cRecording recording_;  // --record
    cRecording keeping_{true};  // the replays kept without asking
    cPlayback playback_;
    cNetLog netLog_;
    std::unique_ptr<cSyncCheck> syncCheck_;
    GameStep stepper_ = StepGame;  // how steps are taken: straight, or under the sync test
    bool syncFailed_ = false;
    std::unique_ptr<cAutopilot> autopilot_;  // plays this machine's player instead of its devices
    cNetSession* session_ = nullptr;
    uint32_t steps_ = 0;              // steps taken on this machine (a local game)
    uint32_t confirmed_ = 0;          // steps gone the confirmed route
    bool resultBefore_ = false;       // the result was the scene after the last confirmed step
    int startDifficulty_ = 1;
    bool quitsAtEnd_ = true;
    bool over_ = false;
    bool away_ = false;
    Summary summary_;
    std::unique_ptr<cOverlay> waitNotice_;
    int quitStatus_ = 0;              // of a quit taken while the two-machine frame waited
    bool quitWhileWaiting_ = false;
};
