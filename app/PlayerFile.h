// The files the game keeps for the player (settings, best scores): a header
// line "kaziro-<name> <version>", then one "key value" line per entry. A file
// that cannot be read, is damaged, belongs to something else or comes from a
// newer version is said once on standard error and set aside as <name>.bad;
// the game then goes on from its defaults.
#pragma once

#include <functional>
#include <string>
#include <utility>
#include <vector>

// Which of the player's folders a file lives in (platform/user_files.h).
enum class PlayerFolder { Config, Data };
// One entry of a file: its key and the rest of its line.
using PlayerFileEntry = std::pair<std::string, std::string>;

// Reads file `name` of the given folder and hands each entry to `accept`.
// True when the file was there and whole, and `accept` took every entry.
// False when there is no file (silently), or after the one line and the file
// set aside; the caller then keeps its defaults.
bool LoadPlayerFile(PlayerFolder folder, const char* name, int version,
                    const std::function<bool(const std::string& key, const std::string& value)>& accept);
// Writes the file whole (it is replaced in one step); false after one line on
// standard error when it cannot be written.
bool SavePlayerFile(PlayerFolder folder, const char* name, int version,
                    const std::vector<PlayerFileEntry>& entries);
