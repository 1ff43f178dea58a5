// `cInput`: the keyboard, the mouse and up to four game pads, sampled once at
// the start of every logic step. Consumers read the fields directly and find
// edges by comparing this step's sample with the one kept from the step before.
#pragma once

#include <cstdint>
#include <memory>

#include "input/Bindings.h"
#include "input/PadState.h"
#include "platform/input_devices.h"
#include "platform/keyboard_codes.h"
#include "platform/window.h"

constexpr int kPadSlots = 4;
constexpr int kNamedButtons = 12;
// A `buttonMap` entry for a named button with no physical button.
constexpr int32_t kButtonUnassigned = 127;

// Named pad buttons: indexes into `buttonNames` and `buttonMap`. The Guide
// button (the pad's middle button, where it has one) is read beside them:
// PadButtonDown and PadButtonPressed take PAD_GUIDE too.
enum PadButton { PAD_A, PAD_B, PAD_Y, PAD_X, PAD_START, PAD_SELECT, PAD_R_STICK, PAD_L_STICK,
                 PAD_R1, PAD_R2, PAD_L1, PAD_L2, PAD_GUIDE };
// The physical button a pad device reports Guide as.
constexpr int kGuideButton = 12;
static_assert(PAD_START == 4 && PAD_Y == 2 && PAD_GUIDE == 12, "the bindings' defaults name these");

// The names a button configuration would use, in `buttonMap` order.
extern const char buttonNames[kNamedButtons][32];

struct MouseState {
    uint8_t left = 0;    // 1 while the button is held
    uint8_t right = 0;
    uint8_t middle = 0;
    float x = 0.0f;      // cursor in client pixels; outside 0..799 / 0..599 off the window
    float y = 0.0f;
};

// One pad slot: the device (empty without a pad) and its records of this
// step and the one before.
struct PadSlot {
    std::unique_ptr<PadDevice> device;
    PadState current{};
    PadState previous{};
    uint8_t guide = 0;  // the Guide button, this step and the one before
    uint8_t previousGuide = 0;
    // The pad's place in the order of arrival: a number larger than every
    // earlier pad's whenever a pad comes into the slot, 0 while it is empty.
    uint32_t serial = 0;
};

class cInput {
public:
    cInput() = default;
    ~cInput();
    cInput(const cInput&) = delete;
    cInput& operator=(const cInput&) = delete;

    // Sets up the keyboard and opens the attached pads into slots 0 upward, at
    // most four (from slot 1 with keyboardOnly, set before: slot 0 is then the
    // keyboard pad). devices: null for the system's own (tests pass a fake).
    // Returns 0, or negative when the pads cannot be used (keyboard and mouse
    // still work then).
    int32_t Init(WindowHandle window, InputDevices* devices = nullptr);
    // Takes this step's sample: mouse (buttons and cursor), keyboard, the pads
    // that arrived (into the lowest free slot) or left (their slot emptied,
    // its records at rest), then the pads, keeping the last ones.
    void Refresh();
    // Reads one pad into its slot through its buffer (called by Refresh).
    void ReadPad(int slot, JoyState2* buffer);
    // Whether a slot holds a pad: a device, or the keyboard pad in slot 0.
    bool HasPad(int slot) const;
    // Number of slots that hold a pad (0 to 4).
    int CountPads() const;
    // Releases the pads and the keyboard (also done at exit).
    void Shutdown();

    bool KeyDown(int code) const;
    // Down now and up in the step before.
    bool KeyPressed(int code) const;
    // The player moved the mouse since the step before. The cursor's place on
    // the field also changes when the window changes under a still pointer
    // (fullscreen, another scale, a move by the window manager): that is no move.
    bool MouseMoved() const { return pointerX_ != prevPointerX_ || pointerY_ != prevPointerY_; }
    // Named button k (PadButton) of a pad slot is down.
    bool PadButtonDown(int slot, int k) const;
    // Down now and up in the step before.
    bool PadButtonPressed(int slot, int k) const;
    // A key, a mouse button or any pad's button went down in this step.
    bool AnyPressed() const;

    // Physical button (0 to 11, or kButtonUnassigned) behind each named button.
    int32_t buttonMap[kNamedButtons] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11};
    InputDevices* devices = nullptr;  // the input system; null until Init
    PadSlot pads[kPadSlots];
    bool keyboard = false;            // the keyboard is set up
    uint8_t keys[256] = {};           // by key code (platform/keyboard_codes.h), 0x80 while down
    uint8_t prevKeys[256] = {};
    WindowHandle window = nullptr;
    MouseState mouse;
    MouseState prevMouse;
    // The buttons as the window procedure leaves them when it handles their
    // messages, between two steps; Refresh copies the record into `mouse`.
    // Its x and y are never written.
    MouseState rawMouse;
    // The buttons whose down message the window procedure handled since the
    // last sample: Refresh reports them down for that one step even when they
    // were let go before it, then clears them. Its x and y are never written.
    MouseState pressedSinceSample;
    JoyState2 padBuffers[kPadSlots] = {};  // the last state read from each pad
    // A pad is played from the keyboard (--keyboard-pad): slot 0 reads
    // Z X A S / E R W Q / Enter Space and the arrow keys; it never leaves.
    bool keyboardOnly = false;
    // Which keys and pad buttons pause, show the help, open the menu and
    // switch fullscreen.
    Bindings bindings;
    // The game window's caption, set before Init: the keyboard pad plays
    // while the window of that caption has the focus (null: this window).
    const char* windowTitle = nullptr;

private:
    void FillFromKeyboard(PadState* pad, bool active, const uint8_t* now) const;
    void TakePadChanges();
    // Puts a pad into an empty slot, or lets the slot's pad go.
    void Seat(int slot, std::unique_ptr<PadDevice> device);
    void Empty(int slot);
    uint32_t lastSerial_ = 0;
    // The pointer's own place (InputDevices::GetPointer) now and a step before.
    int pointerX_ = 0, pointerY_ = 0;
    int prevPointerX_ = 0, prevPointerY_ = 0;
};

extern cInput input;

// The queries on the global `input`.
bool KeyDown(int code);
bool KeyPressed(int code);
bool PadButtonDown(int slot, int k);
