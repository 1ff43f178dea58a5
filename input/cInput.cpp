#include "input/cInput.h"

#include <cstring>

#include "app/WinMain.h"

const char buttonNames[kNamedButtons][32] = {
    "A", "B", "Y", "X", "START", "SELECT", "R_STICK", "L_STICK", "R1", "R2", "L1", "L2",
};

namespace {

bool ValidButton(int32_t physical) { return physical >= 0 && physical < kNamedButtons; }

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
    for (JoyState2& buffer : padBuffers) {
        buffer = JoyState2{};
        for (uint32_t& hat : buffer.pov) hat = 0xFFFFFFFFu;
    }
    std::memset(keys, 0, sizeof keys);
    std::memset(prevKeys, 0, sizeof prevKeys);
    this->devices = devices ? devices : &SystemInputDevices();
    keyboard = true;

    if (!this->devices->StartPads()) return -1;
    // Pads take the slots from 0 upward in the platform's order; pads beyond
    // the fourth are left alone, and the first pad that cannot be opened ends
    // the search.
    const int attached = this->devices->CountAttachedPads();
    for (int index = 0; index < attached; ++index) {
        int slot = CountPads();
        if (slot >= kPadSlots) break;
        std::unique_ptr<PadDevice> device = this->devices->OpenPad(index);
        if (!device) break;
        pads[slot].device = std::move(device);
    }
    for (PadSlot& slot : pads) {
        if (!slot.device) break;
        slot.device->Acquire();
    }
    return 0;
}

void cInput::Refresh() {
    prevMouse = mouse;
    mouse = rawMouse;
    // A click that began and ended between two steps counts for this one.
    mouse.left |= pressedSinceSample.left;
    mouse.right |= pressedSinceSample.right;
    mouse.middle |= pressedSinceSample.middle;
    pressedSinceSample = MouseState{};
    if (devices) {
        int x = 0, y = 0;
        devices->GetCursor(window, &x, &y);
        mouse.x = static_cast<float>(x);
        mouse.y = static_cast<float>(y);
    }

    std::memcpy(prevKeys, keys, sizeof keys);
    // Without the focus the keyboard is not read: keys keep their values, and
    // as prevKeys was just copied from them no key counts as pressed.
    const bool keysRead = devices && keyboard && devices->HasFocus(window);
    if (keysRead) devices->ReadKeyboard(keys);

    bool active = false;
    uint8_t now[256] = {};
    if (keyboardOnly && devices) {
        WindowHandle game = devices->FindWindowByTitle(windowTitle);
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
        if (keyboardOnly) {
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
    pad.current.x = buffer->x;
    pad.current.y = buffer->y;
    pad.current.z = buffer->z;
    pad.current.rz = buffer->rz;
}

int cInput::CountPads() const {
    if (keyboardOnly) return 1;  // every slot reads the one keyboard pad
    for (int slot = 0; slot < kPadSlots; ++slot) {
        if (!pads[slot].device) return slot;
    }
    return kPadSlots;
}

void cInput::Shutdown() {
    // The pads are let go in keyboard-only mode too: they were opened at set-up.
    for (PadSlot& slot : pads) {
        if (!slot.device) continue;
        slot.device->Unacquire();
        slot.device.reset();
    }
    keyboard = false;
    devices = nullptr;
}

bool cInput::KeyDown(int code) const { return code >= 0 && code < 256 && keys[code] != 0; }

bool cInput::KeyPressed(int code) const {
    return code >= 0 && code < 256 && prevKeys[code] == 0 && keys[code] != 0;
}

bool cInput::PadButtonDown(int slot, int k) const {
    if (slot < 0 || slot >= kPadSlots || k < 0 || k >= kNamedButtons) return false;
    const int32_t physical = buttonMap[k];
    return ValidButton(physical) && pads[slot].current.buttons[physical] != 0;
}

bool KeyDown(int code) { return input.KeyDown(code); }
bool KeyPressed(int code) { return input.KeyPressed(code); }
bool PadButtonDown(int slot, int k) { return input.PadButtonDown(slot, k); }
