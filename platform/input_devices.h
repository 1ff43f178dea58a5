// The input devices behind `cInput`: the keyboard, the focus of the game
// window, the cursor, and game pads. The game reads them through the small
// interfaces below; the SDL implementation is the default, and tests hand
// `cInput::Init` a fake of their own, so every step can be driven exactly.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/window.h"

// Extended joystick state of one pad, the record each pad slot reads into
// and keeps from one step to the next (272 bytes, laid out as DirectInput's
// DIJOYSTATE2). Axes are absolute positions 0 to 65536, buttons 0x80 while down.
struct JoyState2 {
    int32_t x, y, z;     // X and Y: left stick; Z: right stick across
    int32_t rx, ry, rz;  // RX and RY: left and right trigger; RZ: right stick up and down
    int32_t sliders[2];
    uint32_t pov[4];     // hats in hundredths of a degree, 0xFFFFFFFF when centred
    uint8_t buttons[128];
    int32_t vx, vy, vz, vrx, vry, vrz;  // velocity, acceleration and force: never filled
    int32_t vSliders[2];
    int32_t ax, ay, az, arx, ary, arz;
    int32_t aSliders[2];
    int32_t fx, fy, fz, frx, fry, frz;
    int32_t fSliders[2];
};
static_assert(sizeof(JoyState2) == 272, "JoyState2 keeps the size of DIJOYSTATE2");

// Number of physical pad buttons the game reads, and the axis range.
constexpr int kPadButtons = 12;
constexpr int32_t kAxisMax = 65536;

// Status of a pad whose input was lost (unplugged): DIERR_INPUTLOST.
constexpr int32_t kInputLost = static_cast<int32_t>(0x8007001E);

// A pad that arrived or left, as the platform saw it between two steps.
struct PadChange {
    bool arrived = false;  // false: it left
    int32_t id = -1;       // the platform's id for the pad; a pad plugged in again gets a new one
};

// One opened game pad.
class PadDevice {
public:
    virtual ~PadDevice() = default;
    // The id its arrival and its leaving carry (-1 when the platform gives none).
    virtual int32_t Id() const { return -1; }
    // Takes the pad for the game: 0, or negative (kInputLost while it is unplugged).
    virtual int32_t Acquire() = 0;
    virtual void Unacquire() {}
    // Brings the pad's state up to date: false when it cannot be read now.
    virtual bool Poll() = 0;
    // Fills *state: false on failure, and *state is then left untouched.
    virtual bool GetState(JoyState2* state) = 0;
};

// The devices as a whole.
class InputDevices {
public:
    virtual ~InputDevices() = default;
    // Makes the game pads available: false when the pad system cannot start.
    virtual bool StartPads() = 0;
    // Number of attached game pads, and the pad at an index in the platform's
    // order (null when it cannot be opened).
    virtual int CountAttachedPads() = 0;
    virtual std::unique_ptr<PadDevice> OpenPad(int index) = 0;
    // The next pad that arrived or left since the last call, oldest first;
    // false when there is none. Pads attached when the pads start may be
    // reported as arriving too.
    virtual bool NextPadChange(PadChange* change) {
        (void)change;
        return false;
    }
    // Opens the pad that arrived with this id (null when it cannot be opened
    // or has left again).
    virtual std::unique_ptr<PadDevice> OpenArrivedPad(int32_t id) {
        (void)id;
        return nullptr;
    }
    // Whether the window has the keyboard focus (is the active window).
    virtual bool HasFocus(WindowHandle window) = 0;
    // The window whose caption is title, or null (FindWindow).
    virtual WindowHandle FindWindowByTitle(const char* title) = 0;
    // The whole keyboard now, indexed by the key codes of platform/keyboard_codes.h:
    // 0x80 while down, 0 otherwise.
    virtual void ReadKeyboard(uint8_t keys[256]) = 0;
    // The cursor in field coordinates of the window, also outside it.
    virtual void GetCursor(WindowHandle window, int* x, int* y) = 0;
    // The pointer's own place (see GetPointerPos in platform/window.h): only
    // its change is a move of the mouse. Devices without a desktop of their
    // own answer with the cursor.
    virtual void GetPointer(WindowHandle window, int* x, int* y) { GetCursor(window, x, y); }
};

// The SDL devices (keyboard state, window focus, global cursor, game controllers).
InputDevices& SystemInputDevices();

// The key code of an SDL scancode (0 for a key the key codes do not name).
// Takes a plain int so that callers outside the platform need no SDL header.
uint8_t KeyCodeOfScancode(int scancode);
// The name a keyboard shows on the key with this key code ("P", "F1", "Tab";
// "" for a code no key has).
std::string KeyCodeName(int code);
// The text typed since the last call (UTF-8), noted as it was typed: a step
// that sees Enter go down also sees what was typed before it.
std::string TakeTypedText();

// SDL axis value (-32768..32767) to the game's axis range (0..65536).
int32_t ScaleStickAxis(int value);
