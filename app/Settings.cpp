#include "app/Settings.h"

#include <charconv>
#include <string>
#ifdef __EMSCRIPTEN__
#include <cstdio>
#include <cstdlib>
#endif

#include "app/Options.h"
#include "app/PlayerFile.h"

namespace {

constexpr int kSettingsVersion = 1;

bool ParseFlag(const std::string& text, bool* flag) {
    if (text != "0" && text != "1") return false;
    *flag = text == "1";
    return true;
}

bool ParseScale(const std::string& text, double* scale) {
    // from_chars reads "1.5" whatever the locale.
    double value = 0.0;
    const char* end = text.data() + text.size();
#ifdef __EMSCRIPTEN__
    // The browser's C++ library has no from_chars for doubles; its C library
    // has no locale but C's, so strtod reads "1.5" alike.
    char* stop = nullptr;
    value = text.empty() || text[0] == ' ' ? -1.0 : std::strtod(text.c_str(), &stop);
    if (stop != end || !(value >= 1.0 && value <= kMaxScale)) return false;
#else
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end || !(value >= 1.0 && value <= kMaxScale)) {
        return false;
    }
#endif
    *scale = value;
    return true;
}

std::string ScaleText(double scale) {
    char text[32];
#ifdef __EMSCRIPTEN__
    // The shortest of these that reads back as the same number, as to_chars gives.
    for (int digits = 1; digits <= 17; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, scale);
        if (std::strtod(text, nullptr) == scale) break;
    }
    return text;
#else
    const auto result = std::to_chars(text, text + sizeof text, scale);
    return std::string(text, result.ptr);
#endif
}

}  // namespace

Settings LoadSettings() {
    Settings settings;
    const bool whole = LoadPlayerFile(
        PlayerFolder::Config, "settings", kSettingsVersion,
        [&settings](const std::string& key, const std::string& value) {
            if (key == "fullscreen") return ParseFlag(value, &settings.fullscreen);
            if (key == "scale") return ParseScale(value, &settings.scale);
            if (key == "muted") return ParseFlag(value, &settings.muted);
            return false;
        });
    return whole ? settings : Settings{};
}

bool SaveSettings(const Settings& settings) {
    return SavePlayerFile(PlayerFolder::Config, "settings", kSettingsVersion,
                          {{"fullscreen", settings.fullscreen ? "1" : "0"},
                           {"scale", ScaleText(settings.scale)},
                           {"muted", settings.muted ? "1" : "0"}});
}
