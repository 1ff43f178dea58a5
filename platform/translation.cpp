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
// What StartTranslations found, for going back to the system's language.
bool systemTranslating = false;
std::string systemLanguages;

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
    systemTranslating = translating;
    systemLanguages = std::getenv("LANGUAGE");
    return systemLanguages;
}

void UseLanguage(const std::string& language, const char* folder) {
    if (language.empty()) {
        translating = systemTranslating;
        if (translating) setenv("LANGUAGE", systemLanguages.c_str(), 1);
    } else {
        translating = language != "ja";  // Japanese is the source texts
        if (translating) setenv("LANGUAGE", language.c_str(), 1);
    }
    if (!translating) return;
    // Catalogues need a locale other than C for their messages.
    const char* current = std::setlocale(LC_MESSAGES, nullptr);
    if (!current || std::strcmp(current, "C") == 0 || std::strcmp(current, "POSIX") == 0) {
        if (!std::setlocale(LC_MESSAGES, "")) std::setlocale(LC_MESSAGES, "C.UTF-8");
        const char* now = std::setlocale(LC_MESSAGES, nullptr);
        if (!now || std::strcmp(now, "C") == 0) std::setlocale(LC_MESSAGES, "C.UTF-8");
    }
    const std::string where = folder ? folder : FindCatalogueFolder();
    if (!where.empty()) bindtextdomain(kDomain, where.c_str());
    bind_textdomain_codeset(kDomain, "UTF-8");
    textdomain(kDomain);  // gettext looks the language up again
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
