// The browser's faces: the page ships the one face the labels use,
// IPAPGothic (cut to the characters the game's texts and translations need),
// in its own file system under /fonts. Whatever family a label asks for gets it.
#include <sys/stat.h>

#include "platform/font_lookup.h"
#include "platform/report.h"

std::pair<std::string, int> FindFontFace(const std::string&, uint32_t) {
    static const std::pair<std::string, int> face = [] {
        const std::string file = "/fonts/ipagp.ttf";
        struct stat s;
        if (stat(file.c_str(), &s) == 0) return std::make_pair(file, 0);
        Report("font", "the page's face %s is missing; labels are not drawn", file.c_str());
        return std::make_pair(std::string(), 0);
    }();
    return face;
}
