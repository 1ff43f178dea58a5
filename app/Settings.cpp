#include "app/Settings.h"

#include <charconv>
#include <string>

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
    const auto result = std::from_chars(text.data(), end, value);
    if (result.ec != std::errc() || result.ptr != end || !(value >= 1.0 && value <= kMaxScale)) {
        return false;
    }
    *scale = value;
    return true;
}

std::string ScaleText(double scale) {
    char text[32];
    const auto result = std::to_chars(text, text + sizeof text, scale);
    return std::string(text, result.ptr);
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
