#include "platform/user_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef __EMSCRIPTEN__
#include <emscripten.h>
#endif

namespace {

#ifdef __EMSCRIPTEN__
// In the browser the player's folders live in the page's IndexedDB (the page
// mounts them and loads them before the game starts); a change is handed to
// the page, which writes it out.
void Persist() {
    EM_ASM({
        if (Module["onFilesChanged"]) Module["onFilesChanged"]();
    });
}
#else
void Persist() {}
#endif

bool Fail(std::string* why, const std::string& what) {
    if (why) *why = what + ": " + std::strerror(errno);
    return false;
}

// $variable/kaziro when it is an absolute path (the XDG rule: a relative one
// is ignored), else $HOME/fallback/kaziro.
bool FolderOf(const char* variable, const char* fallback, std::string* folder, std::string* why) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') {
        *folder = std::string(value) + "/kaziro";
        return true;
    }
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') {
        *folder = std::string(home) + "/" + fallback + "/kaziro";
        return true;
    }
    if (why) *why = std::string("neither ") + variable + " nor HOME names a folder";
    return false;
}

// Makes `folder` and the folders above it that are missing (0700, as the
// XDG rules ask for the folders they name).
bool MakeFolders(const std::string& folder, std::string* why) {
    struct stat s;
    if (stat(folder.c_str(), &s) == 0) {
        if (S_ISDIR(s.st_mode)) return true;
        errno = ENOTDIR;
        return Fail(why, folder);
    }
    const size_t slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(folder.substr(0, slash), why)) {
        return false;
    }
    if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) return Fail(why, folder);
    return true;
}

bool WriteAll(int fd, const std::string& contents) {
    size_t done = 0;
    while (done < contents.size()) {
        const ssize_t n = write(fd, contents.data() + done, contents.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

}  // namespace

bool UserDataFolder(std::string* folder, std::string* why) {
    return FolderOf("XDG_DATA_HOME", ".local/share", folder, why);
}

bool UserConfigFolder(std::string* folder, std::string* why) {
    return FolderOf("XDG_CONFIG_HOME", ".config", folder, why);
}

bool WriteFileAtomically(const std::string& path, const std::string& contents, std::string* why) {
#ifdef __EMSCRIPTEN__
    // The browser saves the settings every few seconds: an unchanged file is
    // not written out again.
    std::string now;
    if (ReadSmallFile(path, contents.size(), &now, nullptr) == ReadOutcome::Read && now == contents) {
        return true;
    }
#endif
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    if (!MakeFolders(folder, why)) return false;
    std::string temporary = path + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0) return Fail(why, path);
    bool ok = WriteAll(fd, contents) && fsync(fd) == 0;
    int saved = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        saved = errno;
    }
    if (ok && rename(temporary.c_str(), path.c_str()) != 0) {
        ok = false;
        saved = errno;
    }
    if (!ok) {
        unlink(temporary.c_str());
        errno = saved;
        return Fail(why, path);
    }
    // The new name itself reaches the disk with its folder.
    const int dir = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        fsync(dir);
        close(dir);
    }
    Persist();
    return true;
}

ReadOutcome ReadSmallFile(const std::string& path, size_t limit, std::string* contents,
                          std::string* why) {
    contents->clear();
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return ReadOutcome::Missing;
        Fail(why, path);
        return ReadOutcome::Failed;
    }
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            Fail(why, path);
            close(fd);
            return ReadOutcome::Failed;
        }
        if (n == 0) break;
        if (contents->size() + static_cast<size_t>(n) > limit) {
            if (why) *why = path + ": larger than " + std::to_string(limit) + " bytes";
            close(fd);
            contents->clear();
            return ReadOutcome::Failed;
        }
        contents->append(buffer, static_cast<size_t>(n));
    }
    close(fd);
    return ReadOutcome::Read;
}

bool SetFileAside(const std::string& path, std::string* why) {
    // rename replaces an older "<path>.bad" in one step.
    if (std::rename(path.c_str(), (path + ".bad").c_str()) != 0) return Fail(why, path);
    Persist();
    return true;
}

#ifdef __EMSCRIPTEN__
bool OfferFileDownload(const std::string& path) {
    // The page's browser saves it where the player's downloads go.
    return EM_ASM_INT({
        try {
            const path = UTF8ToString($0);
            const bytes = FS.readFile(path);
            const link = document.createElement("a");
            link.href = URL.createObjectURL(new Blob([bytes], {type: "application/octet-stream"}));
            link.download = path.split("/").pop();
            document.body.appendChild(link);
            link.click();
            link.remove();
            return 1;
        } catch (e) {
            return 0;
        }
    }, path.c_str()) != 0;
}
bool FilesOnlyByDownload() { return true; }
#else
bool OfferFileDownload(const std::string&) { return false; }
bool FilesOnlyByDownload() { return false; }
#endif
