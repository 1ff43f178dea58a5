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

// 1: fullscreen, scale, muted. 2: the volumes, the language, the bindings, the meeting server.
constexpr int kSettingsVersion = 2;

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

bool ParseNumber(const std::string& text, int low, int high, int* number) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto result = std::from_chars(text.data(), end, value);
    if (text.empty() || result.ec != std::errc() || result.ptr != end || value < low || value > high) {
        return false;
    }
    *number = value;
    return true;
}

bool ParseKey(const std::string& text, uint8_t* key) {
    int value = 0;
    if (!ParseNumber(text, 1, 255, &value)) return false;
    *key = static_cast<uint8_t>(value);
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
            if (key == "effects-volume") return ParseNumber(value, 0, 100, &settings.effectsVolume);
            if (key == "music-volume") return ParseNumber(value, 0, 100, &settings.musicVolume);
            if (key == "language") {
                if (value != "system" && value != "ja" && value != "en") return false;
                settings.language = value == "system" ? "" : value;
                return true;
            }
            Bindings& b = settings.bindings;
            if (key == "pause-key") return ParseKey(value, &b.pauseKey);
            if (key == "help-key") return ParseKey(value, &b.helpKey);
            if (key == "menu-key") return ParseKey(value, &b.menuKey);
            if (key == "fullscreen-key") return ParseKey(value, &b.fullscreenKey);
            if (key == "pause-button") return ParseNumber(value, 0, 12, &b.pausePad);
            if (key == "help-button") return ParseNumber(value, 0, 12, &b.helpPad);
            if (key == "menu-button") return ParseNumber(value, 0, 12, &b.menuPad);
            if (key == "fullscreen-button") return ParseNumber(value, 0, 12, &b.fullscreenPad);
            if (key == "meet") {
                settings.meet = value;
                return value.size() < 256;
            }
            return false;
        });
    return whole ? settings : Settings{};
}

bool SaveSettings(const Settings& settings) {
    const Bindings& b = settings.bindings;
    return SavePlayerFile(PlayerFolder::Config, "settings", kSettingsVersion,
                          {{"fullscreen", settings.fullscreen ? "1" : "0"},
                           {"scale", ScaleText(settings.scale)},
                           {"muted", settings.muted ? "1" : "0"},
                           {"effects-volume", std::to_string(settings.effectsVolume)},
                           {"music-volume", std::to_string(settings.musicVolume)},
                           {"language", settings.language.empty() ? "system" : settings.language},
                           {"pause-key", std::to_string(b.pauseKey)},
                           {"help-key", std::to_string(b.helpKey)},
                           {"menu-key", std::to_string(b.menuKey)},
                           {"fullscreen-key", std::to_string(b.fullscreenKey)},
                           {"pause-button", std::to_string(b.pausePad)},
                           {"help-button", std::to_string(b.helpPad)},
                           {"menu-button", std::to_string(b.menuPad)},
                           {"fullscreen-button", std::to_string(b.fullscreenPad)},
                           {"meet", settings.meet}});
}
