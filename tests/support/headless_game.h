// The game's subsystems started headless, in the entry point's order, for the
// tests, benchmarks and tools that run whole logic steps: the game window
// (procedure WndProc), the device, input, the players and the sound player.
#pragma once

#include <string>

#include "app/Play.h"
#include "app/WinMain.h"
#include "audio/cDSound.h"
#include "graphics/Graphics.h"
#include "input/cInput.h"
#include "platform/input_devices.h"
#include "platform/window.h"

// Returns the window, or null with *error filled when the window or the
// device cannot be made. devices: null for the system's own input devices.
// `play` is set up for the options' players.
inline WindowHandle StartHeadlessGame(cPlay& play, const char* className, std::string* error,
                                      InputDevices* devices = nullptr,
                                      const AppOptions& options = AppOptions{}) {
    RegisterWindowClass(className, WndProc);
    WindowHandle window = CreateGameWindow(className, "Kaziro", 800, 600, error);
    if (!window) return nullptr;
    InitGraphics(800, 600, window, false);
    if (!HasGraphicsDevice()) {
        *error = "no rendering device";
        return nullptr;
    }
    input.keyboardOnly = options.keyboardPad;
    input.windowTitle = "Kaziro";
    input.Init(window, devices);
    if (!play.Start(options)) {
        *error = "the game asked for cannot be played here";
        return nullptr;
    }
    dsound.Init(window);
    return window;
}
