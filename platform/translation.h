// The game's texts in the player's language, through gettext catalogues
// (the "kaziro" domain). The source texts (msgids) are the game's own
// Japanese texts in UTF-8, listed in graphics/Texts.h; a Japanese, C or POSIX
// locale shows them as they are.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

// Picks the player's language and opens the catalogues in `folder` (null:
// FindCatalogueFolder()). The language follows gettext's order: LANGUAGE,
// unless the locale is C or POSIX; else LC_ALL, LC_MESSAGES, LANG. It holds
// also where that locale is not generated (only C.UTF-8 is, on a fresh
// Debian). Returns the language list looked up, "" for the source texts.
std::string StartTranslations(const char* folder = nullptr);
// Switches the texts to `language` at once: "ja" for the game's own texts,
// "en" (or another with a catalogue), "" for the system's as StartTranslations found it.
void UseLanguage(const std::string& language, const char* folder = nullptr);
// The text in the player's language (UTF-8); the source text itself when it
// has no translation or StartTranslations has not run.
std::string Translate(const char* sourceUtf8);
// The same for a text the game keeps as a Shift_JIS constant: converted to
// UTF-8, which is its msgid, then looked up.
std::string TranslateSjis(std::string_view sjis);

// The text in the player's language with its printf fields filled (at most
// 255 bytes).
template <typename... Args>
std::string TranslateFormat(const char* sourceUtf8, Args... args) {
    const std::string format = Translate(sourceUtf8);
    char text[256];
    std::snprintf(text, sizeof text, format.c_str(), args...);
    return text;
}
