#include "app/PlayerFile.h"

#include <charconv>

#include "platform/report.h"
#include "platform/user_files.h"

namespace {

// The player's files are a few lines; anything larger is not one of them.
constexpr size_t kMaxPlayerFileBytes = 64 * 1024;

bool PathOf(PlayerFolder folder, const char* name, std::string* path, std::string* why) {
    std::string where;
    const bool ok = folder == PlayerFolder::Config ? UserConfigFolder(&where, why)
                                                   : UserDataFolder(&where, why);
    if (ok) *path = where + "/" + name;
    return ok;
}

bool ParseInt(const std::string& text, int* value) {
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, *value);
    return result.ec == std::errc() && result.ptr == end;
}

// Checks the text against the format and hands out its entries; false with
// *cause naming what is wrong.
bool Parse(const std::string& text, const std::string& format, int version,
           const std::function<bool(const std::string&, const std::string&)>& accept,
           std::string* cause) {
    size_t start = 0;
    for (int line = 1; start < text.size(); ++line) {
        size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string content = text.substr(start, end - start);
        start = end + 1;
        const size_t space = content.find(' ');
        const std::string key = content.substr(0, space);
        const std::string value = space == std::string::npos ? "" : content.substr(space + 1);
        if (line == 1) {
            int fileVersion = 0;
            if (key != format) {
                *cause = "not a " + format + " file";
                return false;
            }
            if (!ParseInt(value, &fileVersion) || fileVersion < 1) {
                *cause = "its header is damaged";
                return false;
            }
            if (fileVersion > version) {
                *cause = "written by a newer version of the game (format " + value + ")";
                return false;
            }
            continue;
        }
        if (content.empty()) continue;
        if (!accept(key, value)) {
            *cause = "line " + std::to_string(line) + " is damaged";
            return false;
        }
    }
    if (start == 0) {
        *cause = "it is empty";
        return false;
    }
    return true;
}

}  // namespace

bool LoadPlayerFile(PlayerFolder folder, const char* name, int version,
                    const std::function<bool(const std::string&, const std::string&)>& accept) {
    std::string path, why;
    if (!PathOf(folder, name, &path, &why)) return false;  // nowhere to look: the defaults
    std::string text, cause;
    switch (ReadSmallFile(path, kMaxPlayerFileBytes, &text, &why)) {
        case ReadOutcome::Missing:
            return false;
        case ReadOutcome::Failed:
            cause = "cannot be read (" + why + ")";
            break;
        case ReadOutcome::Read:
            if (Parse(text, std::string("kaziro-") + name, version, accept, &cause)) return true;
            break;
    }
    if (SetFileAside(path, &why)) {
        Report(name, "%s: %s; set aside as %s.bad, the defaults are used", path.c_str(),
               cause.c_str(), name);
    } else {
        Report(name, "%s: %s, and it cannot be set aside (%s); the defaults are used",
               path.c_str(), cause.c_str(), why.c_str());
    }
    return false;
}

bool SavePlayerFile(PlayerFolder folder, const char* name, int version,
                    const std::vector<PlayerFileEntry>& entries) {
    std::string path, why;
    if (PathOf(folder, name, &path, &why)) {
        std::string text = std::string("kaziro-") + name + " " + std::to_string(version) + "\n";
        for (const PlayerFileEntry& entry : entries) text += entry.first + " " + entry.second + "\n";
        if (WriteFileAtomically(path, text, &why)) return true;
    }
    Report(name, "not saved: %s", why.c_str());
    return false;
}
