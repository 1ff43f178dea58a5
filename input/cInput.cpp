#include "input/cInput.h"

#include <cstring>


const char buttonNames[kNamedButtons][32] = {
    "A", "B", "Y", "X", "START", "SELECT", "R_STICK", "L_STICK", "R1", "R2", "L1", "L2",
};

namespace {

bool ValidButton(int32_t physical) { return physical >= 0 && physical < kNamedButtons; }

constexpr uint32_t kHatCentred = 0xFFFFFFFFu;

// A pad at rest: nothing held, the sticks centred.
PadState RestingPad() {
    PadState pad{};
    pad.x = pad.y = pad.z = pad.rz = kAxisMax / 2;
    return pad;
}

JoyState2 RestingBuffer() {
    JoyState2 buffer{};
    for (uint32_t& hat : buffer.pov) hat = kHatCentred;
    return buffer;
}

// Keyboard-only pads: the key behind each named button.
struct KeyButton {
    uint8_t key;
    int name;
};
constexpr KeyButton kKeyButtons[] = {
    {DIK_Z, PAD_A},  {DIK_X, PAD_B},  {DIK_A, PAD_Y},  {DIK_S, PAD_X},
    {DIK_E, PAD_R1}, {DIK_R, PAD_R2}, {DIK_W, PAD_L1}, {DIK_Q, PAD_L2},
    {DIK_RETURN, PAD_START}, {DIK_SPACE, PAD_SELECT},
};

}  // namespace

cInput::~cInput() { Shutdown(); }

int32_t cInput::Init(WindowHandle window, InputDevices* devices) {
    Shutdown();
    this->window = window;
    for (PadSlot& slot : pads) {
        slot.current = PadState{};
        slot.previous = PadState{};
    }
    // A pad not read yet holds its hat centred, not pointing up.
    for (JoyState2& buffer : padBuffers) buffer = RestingBuffer();
    if (keyboardOnly) pads[0].serial = ++lastSerial_;
    std::memset(keys, 0, sizeof keys);
    std::memset(prevKeys, 0, sizeof prevKeys);
    this->devices = devices ? devices : &SystemInputDevices();
    keyboard = true;

    if (!this->devices->StartPads()) return -1;
    // Pads take the free slots from 0 upward in the platform's order; pads
    // beyond the fourth are left alone, and the first pad that cannot be
    // opened ends the search.
    const int attached = this->devices->CountAttachedPads();
    int slot = keyboardOnly ? 1 : 0;
    for (int index = 0; index < attached && slot < kPadSlots; ++index, ++slot) {
        std::unique_ptr<PadDevice> device = this->devices->OpenPad(index);
        if (!device) break;
        Seat(slot, std::move(device));
    }
    return 0;
}

void cInput::Seat(int slot, std::unique_ptr<PadDevice> device) {
    PadSlot& pad = pads[slot];
    pad.device = std::move(device);
    pad.device->Acquire();
    pad.serial = ++lastSerial_;
    pad.current = pad.previous = RestingPad();
    pad.guide = pad.previousGuide = 0;
    padBuffers[slot] = RestingBuffer();
}

void cInput::Empty(int slot) {
    PadSlot& pad = pads[slot];
    if (pad.device) pad.device->Unacquire();
    pad.device.reset();
    pad.serial = 0;
    // At rest at once: whatever was held or tilted when it left counts no more.
    pad.current = pad.previous = RestingPad();
    pad.guide = pad.previousGuide = 0;
    padBuffers[slot] = RestingBuffer();
}

void cInput::TakePadChanges() {
    PadChange change;
    while (devices && devices->NextPadChange(&change)) {
        int held = -1;
        for (int slot = 0; slot < kPadSlots; ++slot) {
            if (pads[slot].device && pads[slot].device->Id() == change.id) held = slot;
        }
        if (!change.arrived) {
            if (held >= 0) Empty(held);
            continue;
        }
        if (held >= 0) continue;  // opened at set-up, and reported as arriving as well
        int free = keyboardOnly ? 1 : 0;
        while (free < kPadSlots && pads[free].device) ++free;
        if (free >= kPadSlots) continue;  // four pads already: this one is left alone
        std::unique_ptr<PadDevice> device = devices->OpenArrivedPad(change.id);
        if (device) Seat(free, std::move(device));
    }
}

void cInput::Refresh() {
    prevMouse = mouse;
    mouse = rawMouse;
    // A click that began and ended between two steps counts for this one.
    mouse.left |= pressedSinceSample.left;
    mouse.right |= pressedSinceSample.right;
    mouse.middle |= pressedSinceSample.middle;
    pressedSinceSample = MouseState{};
    prevPointerX_ = pointerX_;
    prevPointerY_ = pointerY_;
    if (devices) {
        int x = 0, y = 0;
        devices->GetCursor(window, &x, &y);
        mouse.x = static_cast<float>(x);
        mouse.y = static_cast<float>(y);
        devices->GetPointer(window, &pointerX_, &pointerY_);
    }

    std::memcpy(prevKeys, keys, sizeof keys);
    // Without the focus the keyboard is not read: keys keep their values, and
    // as prevKeys was just copied from them no key counts as pressed.
    const bool keysRead = devices && keyboard && devices->HasFocus(window);
    if (keysRead) devices->ReadKeyboard(keys);

    TakePadChanges();
    if (keyboardOnly && pads[0].serial == 0 && !pads[0].device) pads[0].serial = ++lastSerial_;
    bool active = false;
    uint8_t now[256] = {};
    if (keyboardOnly && devices) {
        WindowHandle game = windowTitle ? devices->FindWindowByTitle(windowTitle) : window;
        active = game && devices->HasFocus(game);
        // One read per step: a read also takes the taps since the last one.
        if (active && keysRead && game == window) {
            std::memcpy(now, keys, sizeof now);
        } else if (active) {
            devices->ReadKeyboard(now);
        }
    }
    for (int slot = 0; slot < kPadSlots; ++slot) {
        pads[slot].previous = pads[slot].current;
        pads[slot].previousGuide = pads[slot].guide;
        if (keyboardOnly && slot == 0) {
            FillFromKeyboard(&pads[slot].current, active, now);
        } else {
            ReadPad(slot, &padBuffers[slot]);
        }
    }
}

void cInput::FillFromKeyboard(PadState* pad, bool active, const uint8_t* now) const {
    pad->x = 0x8000;
    pad->y = 0x8000;
    if (!active) return;  // buttons keep their values while another window is active
    for (const KeyButton& entry : kKeyButtons) {
        const int32_t physical = buttonMap[entry.name];
        if (!ValidButton(physical)) continue;
        bool held = now[entry.key] != 0;
        if (entry.key == DIK_RETURN) held = held || now[DIK_NUMPADENTER] != 0;
        pad->buttons[physical] = held ? 1 : 0;
    }
    // Tested in this order, so Right wins over Left and Down over Up.
    if (now[DIK_LEFT]) pad->x = 0;
    if (now[DIK_UP]) pad->y = 0;
    if (now[DIK_RIGHT]) pad->x = 0xFFFF;
    if (now[DIK_DOWN]) pad->y = 0xFFFF;
}

void cInput::ReadPad(int slot, JoyState2* buffer) {
    if (slot < 0 || slot >= kPadSlots) return;
    PadSlot& pad = pads[slot];
    if (!pad.device) return;  // current keeps the value just copied into previous
    pad.device->Acquire();
    if (!pad.device->Poll()) {
        // Try to take the pad back; an unplugged pad answers "input lost" for
        // as long as it is away, so the tries are bounded.
        for (int tries = 0; tries < 4 && pad.device->Acquire() == kInputLost; ++tries) {
        }
        return;  // current stays equal to previous
    }
    if (!pad.device->GetState(buffer)) {
        pad.current = PadState{};
        pad.previous = PadState{};
        // The buffer still holds the last good state: current is rebuilt from it.
    }
    for (int32_t physical : buttonMap) {
        if (!ValidButton(physical)) continue;
        pad.current.buttons[physical] = buffer->buttons[physical];
    }
    pad.guide = buffer->buttons[kGuideButton];
    pad.current.x = buffer->x;
    pad.current.y = buffer->y;
    pad.current.z = buffer->z;
    pad.current.rz = buffer->rz;
}

bool cInput::HasPad(int slot) const {
    if (slot < 0 || slot >= kPadSlots) return false;
    return pads[slot].device != nullptr || (keyboardOnly && slot == 0);
}

int cInput::CountPads() const {
    int count = 0;
    for (int slot = 0; slot < kPadSlots; ++slot) count += HasPad(slot) ? 1 : 0;
    return count;
}

void cInput::Shutdown() {
    for (int slot = 0; slot < kPadSlots; ++slot) {
        if (pads[slot].device) Empty(slot);
        pads[slot].serial = 0;
    }
    keyboard = false;
    devices = nullptr;
}

bool cInput::KeyDown(int code) const { return code >= 0 && code < 256 && keys[code] != 0; }

bool cInput::KeyPressed(int code) const {
    return code >= 0 && code < 256 && prevKeys[code] == 0 && keys[code] != 0;
}

bool cInput::AnyPressed() const {
    for (int code = 1; code < 256; ++code) {
        if (KeyPressed(code)) return true;
    }
    if ((mouse.left && !prevMouse.left) || (mouse.right && !prevMouse.right) ||
        (mouse.middle && !prevMouse.middle)) {
        return true;
    }
    for (int slot = 0; slot < kPadSlots; ++slot) {
        for (int k = 0; k <= PAD_GUIDE; ++k) {
            if (HasPad(slot) && PadButtonPressed(slot, k)) return true;
        }
    }
    return false;
}

bool cInput::PadButtonDown(int slot, int k) const {
    if (k == PAD_GUIDE) return slot >= 0 && slot < kPadSlots && pads[slot].guide != 0;
    if (slot < 0 || slot >= kPadSlots || k < 0 || k >= kNamedButtons) return false;
    const int32_t physical = buttonMap[k];
    return ValidButton(physical) && pads[slot].current.buttons[physical] != 0;
}

bool cInput::PadButtonPressed(int slot, int k) const {
    if (k == PAD_GUIDE) return PadButtonDown(slot, k) && pads[slot].previousGuide == 0;
    return PadButtonDown(slot, k) && pads[slot].previous.buttons[buttonMap[k]] == 0;
}

bool KeyDown(int code) { return input.KeyDown(code); }
bool KeyPressed(int code) { return input.KeyPressed(code); }
bool PadButtonDown(int slot, int k) { return input.PadButtonDown(slot, k); }
