// The play around each logic step: the players' records from this machine's
// devices (and in a two-machine game from the other machine as well), the
// game's state stepped on them, its picture, the keys that touch only this
// machine, and the state checksum the two machines compare.
#pragma once

#include <cstdint>
#include <string>

#include "app/Options.h"
#include "game/GameState.h"
#include "game/Replay.h"
#include "input/Controls.h"

// How a logic step ended.
enum class StepEnd {
    Going,   // the step ran
    Quit,    // a two-machine game's step did not run, or stopped while it waited for
             // the other machine: a quit message was queued or taken
    Failed,  // the two-machine game ended on the line or the other machine (said on stderr)
};

// A new game: the generator seeded with its warm-up, for `players` players.
void SeedPlay(uint32_t seed, int players);
// Sets up who plays with what: one player (mouse and first pad), up to four
// on this machine (the mouse; then the pads in the order they arrive), or
// this machine's player of a two-machine game. Called once at start-up after
// the input set-up. False, said on stderr, when the game asked for cannot be
// played here.
bool StartPlay(const AppOptions& options);
// Before the game's first step, after this step's input sample: true while
// a player on this machine still waits for a pad (the field says whose);
// the step is then not taken. Follows the pads that come and go.
bool WaitForLocalPads();
// The first scene, a board at difficulty 1, and its picture.
void ShowFirstScene();
// Builds this step's records (one per player); in a two-machine game they are
// exchanged first, the window answering while the step waits. On Quit,
// *quitStatus is the status the quit message carried.
StepEnd GatherControls(PlayerControls records[kMaxPlayers], int* quitStatus);
// Steps the game on the records (a replay's own, four at a time when sped
// up) and brings its picture and sounds in line; posts the quit message when
// the chain of scenes has ended or the replay is over. *paused tells whether
// the game is paused after it. Failed (said on stderr) when the sync test or
// a replay's checksum finds the game gone apart.
StepEnd StepPlay(const PlayerControls records[kMaxPlayers], bool* paused);
// One frame of a two-machine game with rollback: this machine's record, the
// other's taken from the line, the step taken (or waited for), the picture,
// the confirmed steps recorded. Failed (said on stderr) when the other
// machine quit or fell silent, or the games went apart.
StepEnd StepNetPlay(bool* paused);
// --autopilot: the computer plays this machine's first player.
void UseAutopilot(bool on, uint32_t seed);
// --net-log: when each step was shown, and every confirmed checksum.
bool OpenNetLog(const std::string& path, std::string* error);
// Ends the log with what rollback cost.
void CloseNetLog();
// M mutes and unmutes this machine's effects and music; a pad's Back and
// Start held for a second switch fullscreen.
void HandleLocalKeys();
// After a step: hands the checksum of the game's state to the exchange.
void NoteStepDone();
// --record: the game is written to `path` as it is played, through a
// temporary file that FinishRecording renames. False with *error set when
// the file cannot be made.
bool StartRecording(const std::string& path, uint32_t seed, int players, std::string* error);
// Ends the recording: its trailer, and the file under its own name. Once,
// at exit, whatever way the game ended; false (said on stderr) on a failure.
bool FinishRecording();
// --replay: reads a recording. False with *error set (one line) when the file
// cannot be read or is not a whole replay this version can play.
bool LoadReplay(const std::string& path, Replay* replay, std::string* error);
// Plays `replay` back: its records instead of the devices; F speeds it up.
void StartPlayback(Replay replay);
// --sync-test: every step is taken twice from the same saved state.
void UseSyncCheck(bool on);

// The game being played (tests and tools read it, and may set it up).
GameState& PlayedGame();
// Lets go of everything shown and of who plays with what; one player, a
// fresh unseeded game (at exit, and in tests).
void ResetPlay();
