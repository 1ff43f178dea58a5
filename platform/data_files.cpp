#include "platform/data_files.h"

#include <SDL.h>
#include <sys/stat.h>

// The installed tree's folders, relative to the program's own (set by
// dist/install.cmake from the install layout).
#ifndef KAZIRO_DATA_FROM_PROGRAM
#define KAZIRO_DATA_FROM_PROGRAM "../../share/kaziro"
#endif
#ifndef KAZIRO_LOCALE_FROM_PROGRAM
#define KAZIRO_LOCALE_FROM_PROGRAM "../../share/locale"
#endif

namespace {

bool IsFile(const std::string& path) {
    struct stat s;
    return stat(path.c_str(), &s) == 0 && S_ISREG(s.st_mode);
}

bool IsFolder(const std::string& path) {
    struct stat s;
    return stat(path.c_str(), &s) == 0 && S_ISDIR(s.st_mode);
}

}  // namespace

std::string ProgramFolder() {
    // Asked once: the program does not move while it runs.
    static const std::string folder = [] {
        char* base = SDL_GetBasePath();
        std::string path = base ? base : "";
        SDL_free(base);
        return path;
    }();
    return folder;
}

std::string FindDataFile(const std::string& path) {
    if (path.empty() || path.front() == '/' || IsFile(path)) return path;
    const std::string program = ProgramFolder();
    if (program.empty()) return path;
    for (const std::string& candidate :
         {program + path, program + KAZIRO_DATA_FROM_PROGRAM "/" + path}) {
        if (IsFile(candidate)) return candidate;
    }
    return path;
}

std::string FindCatalogueFolder() {
    const std::string program = ProgramFolder();
    if (program.empty()) return "";
    for (const std::string& candidate :
         {program + "locale", program + KAZIRO_LOCALE_FROM_PROGRAM}) {
        if (IsFolder(candidate)) return candidate;
    }
    return "";
}
