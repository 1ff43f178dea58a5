// The player's settings, kept from one run to the next in
// $XDG_CONFIG_HOME/kaziro/settings: read at start-up (the command line wins
// over them) and saved at exit.
#pragma once

struct Settings {
    bool fullscreen = false;  // start fullscreen (F11 switches)
    double scale = 1.0;       // the window is this times the field (1 to 4)
    bool muted = false;       // effects and music silenced (M switches)
    // Every setting the same.
    bool operator==(const Settings& other) const {
        return fullscreen == other.fullscreen && scale == other.scale && muted == other.muted;
    }
};

// The settings kept, or the defaults where there is no file or it is damaged
// (said in one line on standard error, and the file set aside).
Settings LoadSettings();
// Keeps the settings for the next run; false (after one line) when it cannot.
bool SaveSettings(const Settings& settings);
