#include "platform/translation.h"

#include <libintl.h>

#include <clocale>
#include <cstdlib>
#include <cstring>

#include "platform/data_files.h"
#include "platform/text.h"

namespace {

constexpr char kDomain[] = "kaziro";

// Whether lookups go to the catalogues (false: the source texts are shown).
bool translating = false;

// The locale the environment asks for messages: LC_ALL, else LC_MESSAGES,
// else LANG; "" when none is set.
std::string MessagesLocale() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return "";
}

}  // namespace

std::string StartTranslations(const char* folder) {
    const std::string locale = MessagesLocale();
    // The C and POSIX locales read the source texts, whatever LANGUAGE says
    // (as gettext itself has it).
    translating = !(locale.empty() || locale == "C" || locale == "POSIX");
    if (!translating) return "";
    // Only the messages' category is set: numbers stay in the C locale, so
    // "1.5" reads the same everywhere.
    if (!std::setlocale(LC_MESSAGES, "")) {
        // The locale is not generated on this machine. C.UTF-8 always is, and
        // unlike C it lets gettext follow LANGUAGE, set below from the locale.
        std::setlocale(LC_MESSAGES, "C.UTF-8");
    }
    const char* languages = std::getenv("LANGUAGE");
    if (!languages || !*languages) setenv("LANGUAGE", locale.c_str(), 1);
    const std::string where = folder ? folder : FindCatalogueFolder();
    if (!where.empty()) bindtextdomain(kDomain, where.c_str());
    bind_textdomain_codeset(kDomain, "UTF-8");
    // Also tells gettext that the language may have changed since its last lookups.
    textdomain(kDomain);
    return std::getenv("LANGUAGE");
}

std::string Translate(const char* sourceUtf8) {
    if (!sourceUtf8) return "";
    if (!translating || !*sourceUtf8) return sourceUtf8;
    return dgettext(kDomain, sourceUtf8);
}

std::string TranslateSjis(std::string_view sjis) {
    const std::string source = SjisToUtf8(sjis);
    return Translate(source.c_str());
}
