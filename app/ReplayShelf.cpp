#include "app/ReplayShelf.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>

#include "app/Recording.h"
#include "game/Replay.h"
#include "graphics/Texts.h"
#include "platform/translation.h"
#include "platform/user_files.h"

namespace fs = std::filesystem;

namespace {

constexpr char kSuffix[] = ".kzr";
constexpr char kAbout[] = ".about";
constexpr size_t kLargestAbout = 4096;

std::string AboutPath(const std::string& replay) { return replay + kAbout; }

// "2026-12-09_20-41-05.kzr" read back as "12-09 20:41" for the list.
std::string WhenOf(const std::string& name) {
    if (name.size() < 19) return name;
    return name.substr(5, 5) + " " + name.substr(11, 2) + ":" + name.substr(14, 2);
}

std::string AboutText(const ReplayListing& a) {
    std::ostringstream out;
    out << "kaziro-replay-about 1\n"
        << "players " << a.players << "\n"
        << "difficulty " << a.difficulty << "\n"
        << "score " << a.score << "\n"
        << "steps " << a.steps << "\n"
        << "kept " << (a.kept ? 1 : 0) << "\n";
    return out.str();
}

// Reads an about file into `a`; false when there is none or it is not one.
bool ReadAbout(const std::string& path, ReplayListing* a) {
    std::string text, why;
    if (ReadSmallFile(path, kLargestAbout, &text, &why) != ReadOutcome::Read) return false;
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != "kaziro-replay-about 1") return false;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string key;
        long value = 0;
        if (!(fields >> key >> value)) return false;
        if (key == "players") a->players = static_cast<int>(value);
        if (key == "difficulty") a->difficulty = static_cast<int>(value);
        if (key == "score") a->score = static_cast<int>(value);
        if (key == "steps") a->steps = static_cast<uint32_t>(value);
        if (key == "kept") a->kept = value != 0;
    }
    return true;
}

std::string Message(const std::error_code& e) { return e.message(); }

}  // namespace

bool cReplayShelf::Open(std::string* why) {
    std::string data;
    if (!UserDataFolder(&data, why)) return false;
    folder_ = data + "/replays";
    std::error_code e;
    fs::create_directories(folder_, e);
    if (e) {
        *why = folder_ + ": " + Message(e);
        folder_.clear();
        return false;
    }
    return true;
}

std::string cReplayShelf::NewPath() const {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d_%H-%M-%S", &local);
    std::string path = folder_ + "/" + stamp + kSuffix;
    // Two games begun in one second: the second gets a letter.
    const auto taken = [](const std::string& p) { return fs::exists(p) || fs::exists(p + ".part"); };
    for (char c = 'b'; taken(path) && c <= 'z'; ++c) {
        path = folder_ + "/" + stamp + c + kSuffix;
    }
    return path;
}

bool cReplayShelf::Add(const std::string& path, const ReplayListing& about, std::string* why) {
    if (folder_.empty()) return false;
    const bool ok = WriteFileAtomically(AboutPath(path), AboutText(about), why);
    Rotate();
    return ok;
}

std::vector<ShelvedReplay> cReplayShelf::List() const {
    std::vector<ShelvedReplay> list;
    if (folder_.empty()) return list;
    std::error_code e;
    for (const fs::directory_entry& entry : fs::directory_iterator(folder_, e)) {
        const std::string name = entry.path().filename().string();
        if (name.size() <= 4 || name.compare(name.size() - 4, 4, kSuffix) != 0) continue;
        ShelvedReplay r;
        r.path = entry.path().string();
        r.name = name;
        r.listing.when = WhenOf(name);
        const bool about = ReadAbout(AboutPath(r.path), &r.listing);
        // What the file itself says: is it whole, and of this version?
        Replay replay;
        std::string why;
        if (!LoadReplay(r.path, &replay, &why)) {
            r.listing.problem = Translate(kTextMenuDamaged);
        } else {
            if (replay.version != KAZIRO_VERSION) {
                r.listing.problem = TranslateFormat(kTextMenuOtherVersion, replay.version.c_str());
            }
            if (!about) {
                r.listing.players = replay.players;
                r.listing.steps = replay.Steps();
            }
        }
        list.push_back(r);
    }
    std::sort(list.begin(), list.end(),
              [](const ShelvedReplay& a, const ShelvedReplay& b) { return a.name > b.name; });
    return list;
}

void cReplayShelf::Rotate() {
    const std::vector<ShelvedReplay> list = List();
    size_t unkept = 0;
    for (const ShelvedReplay& r : list) {
        if (r.listing.kept) continue;
        if (++unkept <= kNewest) continue;
        std::string why;
        Delete(r, &why);
    }
}

bool cReplayShelf::SetKept(const ShelvedReplay& replay, bool kept, std::string* why) {
    ReplayListing about = replay.listing;
    about.kept = kept;
    return WriteFileAtomically(AboutPath(replay.path), AboutText(about), why);
}

bool cReplayShelf::Delete(const ShelvedReplay& replay, std::string* why) {
    std::error_code e;
    fs::remove(AboutPath(replay.path), e);
    if (!fs::remove(replay.path, e) || e) {
        *why = replay.name + ": " + (e ? Message(e) : std::string("not there"));
        return false;
    }
    return true;
}

bool cReplayShelf::Export(const ShelvedReplay& replay, const std::string& folder, std::string* copy,
                          std::string* why) const {
    std::string where = folder;
    if (where.rfind("~", 0) == 0) {
        const char* home = std::getenv("HOME");
        where = std::string(home ? home : "") + where.substr(1);
    }
    if (where.empty()) where = ".";
    std::error_code e;
    if (!fs::is_directory(where, e)) {
        *why = where + ": " + Translate(kTextMenuNoFolder);
        return false;
    }
    *copy = (fs::path(where) / replay.name).string();
    // Through a temporary name in the same folder, renamed when whole.
    std::string bytes;
    std::ifstream in(replay.path, std::ios::binary);
    std::ostringstream buffer;
    buffer << in.rdbuf();
    if (!in.good() && !in.eof()) {
        *why = replay.name + ": " + std::strerror(errno);
        return false;
    }
    return WriteFileAtomically(*copy, buffer.str(), why);
}
