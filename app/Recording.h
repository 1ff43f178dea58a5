// Games as files: a game written as it is played (--record), and a recorded
// game played back (--replay). The bytes are in game/Replay.h.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "game/Replay.h"

// A game being written as it is played. Owns the file: written under a
// temporary name and renamed to its own when finished, so a game cut short
// never leaves a file that looks whole.
class cRecording {
public:
    // quiet: nothing said on stderr when it is finished, and a file that is
    // there already is never written over (the replays kept without asking).
    explicit cRecording(bool quiet = false) : quiet_(quiet) {}
    // Not finished: what was written stays under the temporary name, and a
    // game that never took a step leaves nothing.
    ~cRecording();
    cRecording(const cRecording&) = delete;
    cRecording& operator=(const cRecording&) = delete;

    // Starts the file at `path`; false with *error set when it cannot be made.
    bool Start(const std::string& path, uint32_t seed, int players, std::string* error);
    // A file is being written and nothing has gone wrong with it.
    bool Writing() const { return file_ != nullptr && !failed_; }
    uint32_t Steps() const { return steps_; }
    const std::string& Path() const { return path_; }
    // Writes one step: its records and the state checksum after it.
    void Step(const PlayerControls records[], int players, uint32_t checksum);
    // Stops writing steps, said on stderr with why: every later step would be
    // off by one. What was written stays under the temporary name.
    void Stop(const std::string& why);
    // Its trailer, and the file under its own name; false (said on stderr)
    // on a failure. Once; later calls do nothing.
    bool Finish();

private:
    std::FILE* file_ = nullptr;
    std::string path_;      // its own name, once finished
    std::string partPath_;  // the name it has while it is written
    uint32_t steps_ = 0;
    uint32_t lastChecksum_ = 0;
    bool failed_ = false;
    bool quiet_ = false;
    std::vector<uint8_t> bytes_;  // one step's, reused
};

// A recorded game being played back: its records instead of the devices, its
// checksums checked against the game's.
class cPlayback {
public:
    void Start(Replay replay);
    bool Active() const { return active_; }
    // F: four steps to a frame, or one again.
    void ToggleFast() { fast_ = !fast_; }
    int StepsPerFrame() const { return fast_ ? 4 : 1; }
    int Players() const { return replay_.players; }

    // The records of the next step; false when the recording is over (it
    // then ends, said on stderr when it held no step at all).
    bool Next(PlayerControls records[kMaxPlayers]);
    enum class Check {
        Going,     // the step matched, or the recording holds no checksum for it
        Finished,  // that was the last step, every checksum matched (said on stderr)
        Apart,     // the game no longer matches the recording (said on stderr)
    };
    // After the step on Next's records: `checksum` is the game's after it.
    Check Played(uint32_t checksum);

private:
    bool active_ = false;
    bool fast_ = false;
    Replay replay_;
    uint32_t step_ = 0;  // the next step to play
};

// Reads a recording. False with *error set (one line) when the file cannot
// be read or is not a whole replay this version can play.
bool LoadReplay(const std::string& path, Replay* replay, std::string* error);
