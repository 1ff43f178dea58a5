// The player's settings, kept from one run to the next in
// $XDG_CONFIG_HOME/kaziro/settings: read at start-up (the command line wins
// over them), changed in the menu (applied at once) and saved.
#pragma once

#include <string>

#include "input/Bindings.h"

struct Settings {
    bool fullscreen = false;  // start fullscreen (F11 switches)
    double scale = 1.0;       // the window is this times the field (1 to 4)
    bool muted = false;       // effects and music silenced (M switches)
    int effectsVolume = 100;  // 0 to 100, in steps of 10
    int musicVolume = 100;
    std::string language;     // "" the system's, "ja" or "en"
    Bindings bindings;        // the keys and pad buttons for pause, help, menu, fullscreen
    std::string meet;         // the meeting server for room codes ("" none chosen)

    // Every setting the same.
    bool operator==(const Settings& o) const {
        return fullscreen == o.fullscreen && scale == o.scale && muted == o.muted &&
               effectsVolume == o.effectsVolume && musicVolume == o.musicVolume &&
               language == o.language && bindings == o.bindings && meet == o.meet;
    }
    bool operator!=(const Settings& o) const { return !(*this == o); }
};

// The settings kept, or the defaults where there is no file or it is damaged
// (said in one line on standard error, and the file set aside).
Settings LoadSettings();
// Keeps the settings for the next run; false (after one line) when it cannot.
bool SaveSettings(const Settings& settings);
