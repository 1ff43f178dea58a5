// The keys and pad buttons for what a player does beside steering: pause,
// help, the menu and fullscreen. The player may change them (the settings
// keep them); these are their defaults.
#pragma once

#include <cstdint>

#include "platform/keyboard_codes.h"

struct Bindings {
    // Key codes (platform/keyboard_codes.h).
    uint8_t pauseKey = DIK_P;
    uint8_t helpKey = DIK_F1;
    uint8_t menuKey = DIK_TAB;
    uint8_t fullscreenKey = DIK_F11;
    // Named pad buttons (input/cInput.h PadButton); fullscreen is that button
    // held together with Back for a second.
    int pausePad = 4;        // Start
    int helpPad = 2;         // Y
    int menuPad = 12;        // Guide
    int fullscreenPad = 4;   // Start, with Back

    bool operator==(const Bindings& o) const {
        return pauseKey == o.pauseKey && helpKey == o.helpKey && menuKey == o.menuKey &&
               fullscreenKey == o.fullscreenKey && pausePad == o.pausePad && helpPad == o.helpPad &&
               menuPad == o.menuPad && fullscreenPad == o.fullscreenPad;
    }
    bool operator!=(const Bindings& o) const { return !(*this == o); }
};
