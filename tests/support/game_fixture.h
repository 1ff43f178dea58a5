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
#include "input/cInput.h"
#include "platform/message_box.h"
#include "platform/window.h"
#include "support/headless_game.h"

class GameFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        if (window) return;
        std::string error;
        window = StartHeadlessGame("KaziroGameTest", &error);
        ASSERT_NE(window, nullptr) << error;
    }

    void SetUp() override {
        boxes.clear();
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

    // Nothing held, cursor at (x, y), in both this step and the previous one.
    static void ClearInput(float x = 400.0f, float y = 300.0f) {
        input.mouse = MouseState{};
        input.mouse.x = x;
        input.mouse.y = y;
        input.prevMouse = input.mouse;
        std::memset(input.keys, 0, sizeof input.keys);
        std::memset(input.prevKeys, 0, sizeof input.prevKeys);
    }

    // Starts a new input step: what was current becomes previous.
    static void NextInputStep() {
        input.prevMouse = input.mouse;
        std::memcpy(input.prevKeys, input.keys, sizeof input.keys);
    }

    static inline WindowHandle window = nullptr;
    std::vector<std::string> boxes;
};
