// Shared by the platform layer's own files only: the SDL objects behind the
// opaque handles that the rest of the game holds.
#pragma once

#include <SDL.h>

#include "platform/window.h"

// The SDL window of a game window (null for a null handle).
SDL_Window* SdlWindowOf(WindowHandle window);
// The game window currently open, if any (the game has one window).
WindowHandle CurrentGameWindow();
// Registers the event type of the music-finished notice. Called on the main
// thread when the window or the audio output is set up, before any audio
// thread can post the notice.
void RegisterMusicNotice();
// Queues a pad that arrived (its joystick instance id) or left, for
// InputDevices::NextPadChange. Called by the event translation.
void NotePadChange(bool arrived, int32_t id);
