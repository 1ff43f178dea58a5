// The replays kept without asking: every game played on this machine is
// written into $XDG_DATA_HOME/kaziro/replays/ (by default
// ~/.local/share/kaziro/replays/), named by the moment it began
// ("2026-12-09_20-41-05.kzr"). Beside each, a small "<name>.about" file says
// what the list shows (players, the highest difficulty, the score, the
// length) and whether the player keeps it. The 20 newest are kept, and every
// one the player marked; older ones go when a new one comes. Every file is
// written through a temporary file and renamed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "app/Menu.h"

struct ShelvedReplay {
    std::string path;      // the replay file
    std::string name;      // its file name
    ReplayListing listing;
};

class cReplayShelf {
public:
    // How many unkept replays stay.
    static constexpr size_t kNewest = 20;

    // The player's replays folder (made when missing); false with *why where
    // the home gives none. Without a folder nothing is kept and the rest answers false.
    bool Open(std::string* why);
    // Another folder (tests).
    void OpenAt(const std::string& folder) { folder_ = folder; }
    const std::string& Folder() const { return folder_; }

    // Where a game beginning now is written (a name no file has yet).
    std::string NewPath() const;
    // A game was written to `path`: its about file, then the oldest unkept
    // ones beyond the newest 20 go. False with *why when the about file
    // cannot be written (the replay itself stays).
    bool Add(const std::string& path, const ReplayListing& about, std::string* why);
    // Every replay, newest first; each read for what the list shows (a file
    // another version wrote, or one that is damaged, says so).
    std::vector<ShelvedReplay> List() const;
    bool SetKept(const ShelvedReplay& replay, bool kept, std::string* why);
    bool Delete(const ShelvedReplay& replay, std::string* why);
    // Copies the replay into `folder` ("~/" is the home); *copy is the new file.
    bool Export(const ShelvedReplay& replay, const std::string& folder, std::string* copy,
                std::string* why) const;

private:
    void Rotate();
    std::string folder_;
};
