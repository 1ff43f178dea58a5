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
// Notes that a key went down (its SDL scancode), as its event is translated:
// the next keyboard read reports it down even when it is up again by then.
void NoteKeyWentDown(int scancode);
// Notes text typed (UTF-8), as its event is translated, beside the keys that
// went down: a step sees the text typed before an Enter with the Enter.
void NoteTextTyped(const char* utf8);
// Notes the game window, so that an X error about it (another program
// destroyed it) is recognised.
void NoteGameWindow(SDL_Window* window);
// Whether the game window was destroyed by another program since the last
// call (answered true once).
bool GameWindowDestroyedFromOutside();
// The pointer on the X desktop, asked of the X server now (SDL's own answer
// is kept from the last pointer event it read). False without X.
bool QueryXPointer(int* x, int* y);
// Queues a pad that arrived (its joystick instance id) or left, for
// InputDevices::NextPadChange. Called by the event translation.
void NotePadChange(bool arrived, int32_t id);
