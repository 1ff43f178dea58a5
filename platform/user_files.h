// The player's own files: settings under $XDG_CONFIG_HOME/kaziro/ (by default
// ~/.config/kaziro/) and records under $XDG_DATA_HOME/kaziro/ (by default
// ~/.local/share/kaziro/). Every call answers false with a one-line reason
// where the home is missing, read-only or full; none of them ends the game.
#pragma once

#include <cstddef>
#include <string>

// The game's folder for the player's records, without a trailing '/'. False
// with *why when neither XDG_DATA_HOME nor HOME gives an absolute path.
bool UserDataFolder(std::string* folder, std::string* why);
// The same for the player's settings (XDG_CONFIG_HOME, else ~/.config).
bool UserConfigFolder(std::string* folder, std::string* why);

// Replaces the file at `path` with `contents` as a whole or not at all: the
// text goes to a new file in the same folder (made when missing), is synced
// to the disk, and then takes the name.
bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string* why);

// How a read of a small file ended.
enum class ReadOutcome { Read, Missing, Failed };
// Reads a whole file of at most `limit` bytes into *contents. Missing when
// there is no file; Failed with *why when it cannot be read or is larger.
ReadOutcome ReadSmallFile(const std::string& path, size_t limit, std::string* contents,
                          std::string* why);

// Sets a damaged file aside as "<path>.bad" (replacing an older one), so the
// game can start afresh and the player can still look at it.
bool SetFileAside(const std::string& path, std::string* why);

// Where the player's files can only be had by downloading them (a browser
// page): offers the file as a download and says true. Elsewhere false: the
// player copies the file into a folder instead.
bool OfferFileDownload(const std::string& path);
// Whether files reach the player only as downloads (a browser page).
bool FilesOnlyByDownload();
