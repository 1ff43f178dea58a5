// A headless game for gameplay tests: the window, the software-rendered
// device, the sound player on the dummy driver, and message boxes recorded
// instead of shown. Tests drive the input state directly.
#pragma once

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "app/Random.h"
#include "app/WinMain.h"
#include "audio/cDSound.h"
#include "graphics/Graphics.h"
#include "input/Controls.h"
#include "input/cInput.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "support/headless_game.h"

class GameFixture : public ::testing::Test {
public:
    static void SetUpTestSuite() {
        if (window) return;
        std::string error;
        window = StartHeadlessGame("KaziroGameTest", &error);
        ASSERT_NE(window, nullptr) << error;
    }

    void SetUp() override {
        boxes.clear();
        ForgetMessageBoxKeys();
        SetMessageBoxHandler([this](const std::string& text, const std::string& caption,
                                        MessageBoxStyle) {
            boxes.push_back(caption + ": " + text);
        });
        ClearInput();
    }

    void TearDown() override {
        SetMessageBoxHandler(nullptr);
        EXPECT_TRUE(boxes.empty()) << "unexpected message box: " << boxes.front();
    }

    // Nothing held, cursor at (x, y), in both this step and the previous one;
    // one player, whose records say the same.
    static void ClearInput(float x = 400.0f, float y = 300.0f) {
        input.mouse = MouseState{};
        input.mouse.x = x;
        input.mouse.y = y;
        input.prevMouse = input.mouse;
        std::memset(input.keys, 0, sizeof input.keys);
        std::memset(input.prevKeys, 0, sizeof input.prevKeys);
        controls.Reset(1);
        controls.current[0].x = controls.previous[0].x = x;
        controls.current[0].y = controls.previous[0].y = y;
    }

    // Starts a new input step: what was current becomes previous.
    static void NextInputStep() {
        input.prevMouse = input.mouse;
        std::memcpy(input.prevKeys, input.keys, sizeof input.keys);
        for (int p = 0; p < kMaxPlayers; ++p) controls.previous[p] = controls.current[p];
    }

    // Makes player 1's record of this step from the mouse and the keyboard, as
    // a one-player game does.
    static void TakeControls() {
        static cControlMapper mouseAndKeys(true, 0, true);
        controls.current[0] = mouseAndKeys.Build(input);
    }

    static inline WindowHandle window = nullptr;
    std::vector<std::string> boxes;
};
