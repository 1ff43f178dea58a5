#include "app/Recording.h"

#include <cerrno>
#include <cstring>

#include "platform/report.h"

cRecording::~cRecording() {
    if (!file_) return;
    std::fclose(file_);
    if (steps_ == 0) std::remove(partPath_.c_str());
}

bool cRecording::Start(const std::string& path, uint32_t seed, int players, std::string* error) {
    path_ = path;
    partPath_ = path + ".part";
    steps_ = lastChecksum_ = 0;
    failed_ = false;
    // The replays kept without asking never take over a file another game
    // (another process, this same second) is writing.
    file_ = std::fopen(partPath_.c_str(), quiet_ ? "wbx" : "wb");
    if (!file_) {
        *error = partPath_ + ": " + std::strerror(errno);
        return false;
    }
    const std::vector<uint8_t> header = ReplayHeader(seed, players, KAZIRO_VERSION);
    if (std::fwrite(header.data(), 1, header.size(), file_) != header.size()) {
        *error = partPath_ + ": cannot write";
        std::fclose(file_);
        std::remove(partPath_.c_str());
        file_ = nullptr;
        return false;
    }
    return true;
}

void cRecording::Step(const PlayerControls records[], int players, uint32_t checksum) {
    if (!Writing()) return;
    bytes_.clear();
    AppendReplayStep(&bytes_, records, players, steps_, checksum);
    if (std::fwrite(bytes_.data(), 1, bytes_.size(), file_) != bytes_.size()) {
        Report("record", "%s: cannot write: the recording stops here", partPath_.c_str());
        failed_ = true;
    }
    lastChecksum_ = checksum;
    ++steps_;
}

void cRecording::Stop(const std::string& why) {
    if (!Writing()) return;
    Report("record", "%s: the recording stops here", why.c_str());
    failed_ = true;
}

bool cRecording::Finish() {
    if (!file_) return true;
    const std::vector<uint8_t> trailer = ReplayTrailer(steps_, lastChecksum_);
    bool ok = !failed_ && std::fwrite(trailer.data(), 1, trailer.size(), file_) == trailer.size();
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok && std::rename(partPath_.c_str(), path_.c_str()) != 0) {
        Report("record", "%s: cannot rename it to %s: %s", partPath_.c_str(), path_.c_str(),
               std::strerror(errno));
        return false;
    }
    if (!ok) {
        Report("record", "%s: the recording could not be finished; what was written stays there",
               partPath_.c_str());
        return false;
    }
    if (!quiet_) Report("record", "%u steps written to %s", static_cast<unsigned>(steps_), path_.c_str());
    return true;
}

void cPlayback::Start(Replay replay) {
    replay_ = std::move(replay);
    step_ = 0;
    fast_ = false;
    active_ = true;
}

bool cPlayback::Next(PlayerControls records[kMaxPlayers]) {
    if (!active_ || step_ >= replay_.Steps()) {
        active_ = false;
        return false;
    }
    for (int p = 0; p < kMaxPlayers; ++p) records[p] = NeutralControls();
    for (int p = 0; p < replay_.players; ++p) {
        records[p] = replay_.records[static_cast<size_t>(step_) * replay_.players + p];
    }
    return true;
}

cPlayback::Check cPlayback::Played(uint32_t checksum) {
    const uint32_t played = ++step_;
    const bool checked = played % kReplayChecksumEvery == 0 || played == replay_.Steps();
    if (checked) {
        const uint32_t want = played % kReplayChecksumEvery == 0
                                  ? replay_.checksums[played / kReplayChecksumEvery - 1]
                                  : replay_.finalChecksum;
        if (checksum != want) {
            Report("replay", "the game no longer matches the recording at step %u (state "
                   "checksum %08X after it, recorded %08X)", static_cast<unsigned>(played - 1),
                   static_cast<unsigned>(checksum), static_cast<unsigned>(want));
            return Check::Apart;
        }
    }
    if (played < replay_.Steps()) return Check::Going;
    Report("replay", "played all %u steps; every checksum matched the recording",
           static_cast<unsigned>(played));
    active_ = false;
    return Check::Finished;
}

bool LoadReplay(const std::string& path, Replay* replay, std::string* error) {
    // A replay of a whole run is a few megabytes; anything past this is not one.
    constexpr long kLargest = 256L * 1024 * 1024;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        *error = std::strerror(errno);
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (static_cast<long>(bytes.size()) > kLargest) break;
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) {
        *error = "cannot be read";
        return false;
    }
    if (static_cast<long>(bytes.size()) > kLargest) {
        *error = "too large to be a kaziro replay";
        return false;
    }
    return ParseReplay(bytes.data(), bytes.size(), replay, error);
}
