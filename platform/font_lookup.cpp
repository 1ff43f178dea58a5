// The desktop's faces, found through fontconfig.
#include "platform/font_lookup.h"

#include <fontconfig/fontconfig.h>

#include <map>

#include "platform/report.h"

namespace {

// The answers given so far, by family and weight; fontconfig ends at exit.
struct Lookups {
    std::map<std::pair<std::string, uint32_t>, std::pair<std::string, int>> files;
    bool warned = false;
    bool fontconfigStarted = false;
    ~Lookups() {
        if (fontconfigStarted) FcFini();
    }
};

Lookups& TheLookups() {
    static Lookups lookups;
    return lookups;
}

bool HasFamily(FcPattern* match, const char* family) {
    FcChar8* name = nullptr;
    for (int i = 0; FcPatternGetString(match, FC_FAMILY, i, &name) == FcResultMatch; ++i) {
        if (FcStrCmpIgnoreCase(name, reinterpret_cast<const FcChar8*>(family)) == 0) return true;
    }
    return false;
}

bool CoversJapanese(FcPattern* match) {
    FcLangSet* langs = nullptr;
    if (FcPatternGetLangSet(match, FC_LANG, 0, &langs) != FcResultMatch) return false;
    return FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>("ja")) == FcLangEqual;
}

// fontconfig's best match for `family` in the given weight, for `language`
// when one is given; null when there is none.
FcPattern* Match(const char* family, const char* language, uint32_t weight) {
    FcPattern* pattern = FcPatternCreate();
    if (!pattern) return nullptr;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
    if (language) FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(language));
    FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(static_cast<int>(weight)));
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    return match;
}

// The file and face index of a match.
bool FileOf(FcPattern* match, std::string* file, int* index) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) != FcResultMatch || !path) return false;
    *file = reinterpret_cast<const char*>(path);
    if (FcPatternGetInteger(match, FC_INDEX, 0, index) != FcResultMatch) *index = 0;
    return true;
}

// Asks fontconfig for `family` in the given weight. With `exact` the answer
// counts only when it is that family; otherwise any face that covers Japanese.
bool MatchFace(const char* family, uint32_t weight, bool exact, std::string* file, int* index) {
    FcPattern* match = Match(family, "ja", weight);
    if (!match) return false;
    const bool ok = (exact ? HasFamily(match, family) : CoversJapanese(match)) && FileOf(match, file, index);
    FcPatternDestroy(match);
    return ok;
}

// Any sans face at all, for the Latin letters and digits, when no face covers Japanese.
bool MatchLatinFace(uint32_t weight, std::string* file, int* index) {
    FcPattern* match = Match("sans-serif", nullptr, weight);
    if (!match) return false;
    const bool ok = FileOf(match, file, index);
    FcPatternDestroy(match);
    return ok;
}

}  // namespace

std::pair<std::string, int> FindFontFace(const std::string& familyUtf8, uint32_t weight) {
    Lookups& cache = TheLookups();
    const auto key = std::make_pair(familyUtf8, weight);
    auto found = cache.files.find(key);
    if (found != cache.files.end()) return found->second;
    std::pair<std::string, int> face{"", 0};
    if (FcInit()) {
        cache.fontconfigStarted = true;
        if (!(!familyUtf8.empty() &&
              MatchFace(familyUtf8.c_str(), weight, true, &face.first, &face.second)) &&
            !MatchFace("IPAPGothic", weight, true, &face.first, &face.second) &&
            !MatchFace("sans-serif", weight, false, &face.first, &face.second)) {
            face = {"", 0};
            if (MatchLatinFace(weight, &face.first, &face.second) && !cache.warned) {
                cache.warned = true;
                Report("font", "no Japanese face is installed; labels use %s and show "
                       "Latin letters and digits only", face.first.c_str());
            }
        }
    }
    cache.files.emplace(key, face);
    return face;
}

