// The SDL scancode to key code table behind the keyboard array.

#include <gtest/gtest.h>

#include <SDL.h>

#include <map>

#include "platform/input_devices.h"
#include "platform/keyboard_codes.h"

namespace {

TEST(KeyCodes, KeysTheGameAndThePadModeUse) {
    // The difficulty keys: numeric keypad 1 to 9.
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_KP_7), 71);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_KP_8), 72);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_KP_9), 73);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_KP_4), 75);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_KP_5), 76);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_KP_6), 77);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_KP_1), 79);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_KP_2), 80);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_KP_3), 81);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_ESCAPE), 1);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_Z), 0x2C);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_RETURN), 0x1C);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_KP_ENTER), 0x9C);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_LEFT), 0xCB);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_RIGHT), 0xCD);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_UP), 0xC8);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_DOWN), 0xD0);
    EXPECT_EQ(KeyCodeOfScancode(SDL_SCANCODE_RCTRL), 0x9D);
    EXPECT_EQ(KeyCodeOfScancode(-1), 0);
    EXPECT_EQ(KeyCodeOfScancode(SDL_NUM_SCANCODES), 0);
}

TEST(KeyCodes, FullKeyboardWithDistinctCodes) {
    // Every key of a full 105-key keyboard has a code.
    for (int s = SDL_SCANCODE_A; s <= SDL_SCANCODE_KP_PERIOD; ++s) {
        EXPECT_NE(KeyCodeOfScancode(s), 0) << SDL_GetScancodeName(static_cast<SDL_Scancode>(s));
    }
    for (int s = SDL_SCANCODE_LCTRL; s <= SDL_SCANCODE_RGUI; ++s) {
        EXPECT_NE(KeyCodeOfScancode(s), 0) << SDL_GetScancodeName(static_cast<SDL_Scancode>(s));
    }
    // Two keys share a code only where a PC keyboard gives them one scan code.
    std::map<int, int> seen;
    for (int s = 0; s < SDL_NUM_SCANCODES; ++s) {
        const int code = KeyCodeOfScancode(s);
        if (code == 0) continue;
        auto [it, fresh] = seen.emplace(code, s);
        if (!fresh) {
            EXPECT_EQ(code, DIK_BACKSLASH)
                << SDL_GetScancodeName(static_cast<SDL_Scancode>(s)) << " and "
                << SDL_GetScancodeName(static_cast<SDL_Scancode>(it->second));
        }
    }
    EXPECT_GT(seen.size(), 120u);
}

}  // namespace
