// The browser's translations. Its C library's gettext maps the catalogue
// with mmap, which the browser's file system does not give it whole, so the
// page reads the catalogue itself: the same .mo files (GNU gettext's binary
// format), the same choice of language as platform/translation.cpp, looked up
// in a table made once.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <unordered_map>

#include "platform/data_files.h"
#include "platform/text.h"
#include "platform/translation.h"

namespace {

std::unordered_map<std::string, std::string> catalogue;

uint32_t Word(const std::string& bytes, size_t at, bool swapped) {
    if (at + 4 > bytes.size()) return 0;
    uint32_t w;
    std::memcpy(&w, bytes.data() + at, 4);
    return swapped ? __builtin_bswap32(w) : w;
}

// Reads a .mo file into the table; false when it is missing or not one.
bool ReadCatalogue(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const uint32_t magic = Word(bytes, 0, false);
    if (magic != 0x950412DEu && magic != 0xDE120495u) return false;
    const bool swapped = magic == 0xDE120495u;
    const uint32_t count = Word(bytes, 8, swapped);
    const uint32_t originals = Word(bytes, 12, swapped);
    const uint32_t translations = Word(bytes, 16, swapped);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t fromLength = Word(bytes, originals + 8 * i, swapped);
        const uint32_t from = Word(bytes, originals + 8 * i + 4, swapped);
        const uint32_t toLength = Word(bytes, translations + 8 * i, swapped);
        const uint32_t to = Word(bytes, translations + 8 * i + 4, swapped);
        if (uint64_t{from} + fromLength > bytes.size() || uint64_t{to} + toLength > bytes.size()) return false;
        if (fromLength == 0) continue;  // the header
        catalogue[bytes.substr(from, fromLength)] = bytes.substr(to, toLength);
    }
    return true;
}

std::string MessagesLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return "";
}

}  // namespace

namespace {

std::string systemLanguages;  // what StartTranslations found, for "the system's"

// Reads the first catalogue of the languages in `list` (colon-separated).
std::string ReadFirstOf(const std::string& list, const char* folder) {
    catalogue.clear();
    const std::string where = folder ? folder : FindCatalogueFolder();
    // Each language of the list, as it is and without its charset, territory
    // and modifier ("en_US.UTF-8", "en_US", "en"), the first catalogue found.
    size_t start = 0;
    while (!where.empty() && start <= list.size()) {
        const size_t end = std::min(list.find(':', start), list.size());
        std::string name = list.substr(start, end - start);
        start = end + 1;
        for (const char cut : {'\0', '.', '_'}) {
            if (cut != '\0') name = name.substr(0, name.find(cut));
            if (!name.empty() && ReadCatalogue(where + "/" + name + "/LC_MESSAGES/kaziro.mo")) {
                return list;
            }
        }
    }
    return list;
}

}  // namespace

std::string StartTranslations(const char* folder) {
    catalogue.clear();
    systemLanguages.clear();
    const std::string locale = MessagesLocale();
    if (locale.empty() || locale == "C" || locale == "POSIX") return "";
    const char* languages = std::getenv("LANGUAGE");
    systemLanguages = languages && *languages ? languages : locale;
    return ReadFirstOf(systemLanguages, folder);
}

void UseLanguage(const std::string& language, const char* folder) {
    catalogue.clear();
    if (language == "ja") return;  // the game's own texts
    const std::string list = language.empty() ? systemLanguages : language;
    if (!list.empty()) ReadFirstOf(list, folder);
}

std::string Translate(const char* sourceUtf8) {
    if (!sourceUtf8) return "";
    const auto found = catalogue.find(sourceUtf8);
    return found == catalogue.end() || found->second.empty() ? sourceUtf8 : found->second;
}

std::string TranslateSjis(std::string_view sjis) {
    const std::string source = SjisToUtf8(sjis);
    return Translate(source.c_str());
}
