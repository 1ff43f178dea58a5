#include "platform/input_devices.h"

#include <SDL.h>

#include <cstring>
#include <deque>
#include <string>

#include "platform/keyboard_codes.h"
#include "platform/platform.h"
#include "platform/sdl_internal.h"

namespace {

// Every SDL scancode that has a key code. Keys that share a scan code on a PC
// keyboard (the backslash and the ISO hash key) share the key code.
struct ScancodeKey {
    SDL_Scancode scancode;
    uint8_t key;
};

constexpr ScancodeKey kScancodeKeys[] = {
    {SDL_SCANCODE_A, DIK_A}, {SDL_SCANCODE_B, DIK_B}, {SDL_SCANCODE_C, DIK_C},
    {SDL_SCANCODE_D, DIK_D}, {SDL_SCANCODE_E, DIK_E}, {SDL_SCANCODE_F, DIK_F},
    {SDL_SCANCODE_G, DIK_G}, {SDL_SCANCODE_H, DIK_H}, {SDL_SCANCODE_I, DIK_I},
    {SDL_SCANCODE_J, DIK_J}, {SDL_SCANCODE_K, DIK_K}, {SDL_SCANCODE_L, DIK_L},
    {SDL_SCANCODE_M, DIK_M}, {SDL_SCANCODE_N, DIK_N}, {SDL_SCANCODE_O, DIK_O},
    {SDL_SCANCODE_P, DIK_P}, {SDL_SCANCODE_Q, DIK_Q}, {SDL_SCANCODE_R, DIK_R},
    {SDL_SCANCODE_S, DIK_S}, {SDL_SCANCODE_T, DIK_T}, {SDL_SCANCODE_U, DIK_U},
    {SDL_SCANCODE_V, DIK_V}, {SDL_SCANCODE_W, DIK_W}, {SDL_SCANCODE_X, DIK_X},
    {SDL_SCANCODE_Y, DIK_Y}, {SDL_SCANCODE_Z, DIK_Z},
    {SDL_SCANCODE_1, DIK_1}, {SDL_SCANCODE_2, DIK_2}, {SDL_SCANCODE_3, DIK_3},
    {SDL_SCANCODE_4, DIK_4}, {SDL_SCANCODE_5, DIK_5}, {SDL_SCANCODE_6, DIK_6},
    {SDL_SCANCODE_7, DIK_7}, {SDL_SCANCODE_8, DIK_8}, {SDL_SCANCODE_9, DIK_9},
    {SDL_SCANCODE_0, DIK_0},
    {SDL_SCANCODE_RETURN, DIK_RETURN}, {SDL_SCANCODE_ESCAPE, DIK_ESCAPE},
    {SDL_SCANCODE_BACKSPACE, DIK_BACK}, {SDL_SCANCODE_TAB, DIK_TAB},
    {SDL_SCANCODE_SPACE, DIK_SPACE}, {SDL_SCANCODE_MINUS, DIK_MINUS},
    {SDL_SCANCODE_EQUALS, DIK_EQUALS}, {SDL_SCANCODE_LEFTBRACKET, DIK_LBRACKET},
    {SDL_SCANCODE_RIGHTBRACKET, DIK_RBRACKET}, {SDL_SCANCODE_BACKSLASH, DIK_BACKSLASH},
    {SDL_SCANCODE_NONUSHASH, DIK_BACKSLASH}, {SDL_SCANCODE_SEMICOLON, DIK_SEMICOLON},
    {SDL_SCANCODE_APOSTROPHE, DIK_APOSTROPHE}, {SDL_SCANCODE_GRAVE, DIK_GRAVE},
    {SDL_SCANCODE_COMMA, DIK_COMMA}, {SDL_SCANCODE_PERIOD, DIK_PERIOD},
    {SDL_SCANCODE_SLASH, DIK_SLASH}, {SDL_SCANCODE_CAPSLOCK, DIK_CAPITAL},
    {SDL_SCANCODE_F1, DIK_F1}, {SDL_SCANCODE_F2, DIK_F2}, {SDL_SCANCODE_F3, DIK_F3},
    {SDL_SCANCODE_F4, DIK_F4}, {SDL_SCANCODE_F5, DIK_F5}, {SDL_SCANCODE_F6, DIK_F6},
    {SDL_SCANCODE_F7, DIK_F7}, {SDL_SCANCODE_F8, DIK_F8}, {SDL_SCANCODE_F9, DIK_F9},
    {SDL_SCANCODE_F10, DIK_F10}, {SDL_SCANCODE_F11, DIK_F11}, {SDL_SCANCODE_F12, DIK_F12},
    {SDL_SCANCODE_F13, DIK_F13}, {SDL_SCANCODE_F14, DIK_F14}, {SDL_SCANCODE_F15, DIK_F15},
    {SDL_SCANCODE_PRINTSCREEN, DIK_SYSRQ}, {SDL_SCANCODE_SCROLLLOCK, DIK_SCROLL},
    {SDL_SCANCODE_PAUSE, DIK_PAUSE}, {SDL_SCANCODE_INSERT, DIK_INSERT},
    {SDL_SCANCODE_HOME, DIK_HOME}, {SDL_SCANCODE_PAGEUP, DIK_PRIOR},
    {SDL_SCANCODE_DELETE, DIK_DELETE}, {SDL_SCANCODE_END, DIK_END},
    {SDL_SCANCODE_PAGEDOWN, DIK_NEXT}, {SDL_SCANCODE_RIGHT, DIK_RIGHT},
    {SDL_SCANCODE_LEFT, DIK_LEFT}, {SDL_SCANCODE_DOWN, DIK_DOWN}, {SDL_SCANCODE_UP, DIK_UP},
    {SDL_SCANCODE_NUMLOCKCLEAR, DIK_NUMLOCK}, {SDL_SCANCODE_KP_DIVIDE, DIK_DIVIDE},
    {SDL_SCANCODE_KP_MULTIPLY, DIK_MULTIPLY}, {SDL_SCANCODE_KP_MINUS, DIK_SUBTRACT},
    {SDL_SCANCODE_KP_PLUS, DIK_ADD}, {SDL_SCANCODE_KP_ENTER, DIK_NUMPADENTER},
    {SDL_SCANCODE_KP_1, DIK_NUMPAD1}, {SDL_SCANCODE_KP_2, DIK_NUMPAD2},
    {SDL_SCANCODE_KP_3, DIK_NUMPAD3}, {SDL_SCANCODE_KP_4, DIK_NUMPAD4},
    {SDL_SCANCODE_KP_5, DIK_NUMPAD5}, {SDL_SCANCODE_KP_6, DIK_NUMPAD6},
    {SDL_SCANCODE_KP_7, DIK_NUMPAD7}, {SDL_SCANCODE_KP_8, DIK_NUMPAD8},
    {SDL_SCANCODE_KP_9, DIK_NUMPAD9}, {SDL_SCANCODE_KP_0, DIK_NUMPAD0},
    {SDL_SCANCODE_KP_PERIOD, DIK_DECIMAL}, {SDL_SCANCODE_KP_EQUALS, DIK_NUMPADEQUALS},
    {SDL_SCANCODE_KP_COMMA, DIK_NUMPADCOMMA}, {SDL_SCANCODE_NONUSBACKSLASH, DIK_OEM_102},
    {SDL_SCANCODE_APPLICATION, DIK_APPS}, {SDL_SCANCODE_POWER, DIK_POWER},
    {SDL_SCANCODE_MUTE, DIK_MUTE}, {SDL_SCANCODE_VOLUMEUP, DIK_VOLUMEUP},
    {SDL_SCANCODE_VOLUMEDOWN, DIK_VOLUMEDOWN},
    {SDL_SCANCODE_INTERNATIONAL1, DIK_ABNT_C1},    // ro / backslash-underscore
    {SDL_SCANCODE_INTERNATIONAL2, DIK_KANA},       // katakana / hiragana
    {SDL_SCANCODE_INTERNATIONAL3, DIK_YEN},
    {SDL_SCANCODE_INTERNATIONAL4, DIK_CONVERT},    // henkan
    {SDL_SCANCODE_INTERNATIONAL5, DIK_NOCONVERT},  // muhenkan
    {SDL_SCANCODE_LCTRL, DIK_LCONTROL}, {SDL_SCANCODE_LSHIFT, DIK_LSHIFT},
    {SDL_SCANCODE_LALT, DIK_LMENU}, {SDL_SCANCODE_LGUI, DIK_LWIN},
    {SDL_SCANCODE_RCTRL, DIK_RCONTROL}, {SDL_SCANCODE_RSHIFT, DIK_RSHIFT},
    {SDL_SCANCODE_RALT, DIK_RMENU}, {SDL_SCANCODE_RGUI, DIK_RWIN},
    {SDL_SCANCODE_AUDIONEXT, DIK_NEXTTRACK}, {SDL_SCANCODE_AUDIOPREV, DIK_PREVTRACK},
    {SDL_SCANCODE_AUDIOSTOP, DIK_MEDIASTOP}, {SDL_SCANCODE_AUDIOPLAY, DIK_PLAYPAUSE},
    {SDL_SCANCODE_MEDIASELECT, DIK_MEDIASELECT}, {SDL_SCANCODE_MAIL, DIK_MAIL},
    {SDL_SCANCODE_CALCULATOR, DIK_CALCULATOR}, {SDL_SCANCODE_COMPUTER, DIK_MYCOMPUTER},
    {SDL_SCANCODE_AC_SEARCH, DIK_WEBSEARCH}, {SDL_SCANCODE_AC_HOME, DIK_WEBHOME},
    {SDL_SCANCODE_AC_BACK, DIK_WEBBACK}, {SDL_SCANCODE_AC_FORWARD, DIK_WEBFORWARD},
    {SDL_SCANCODE_AC_STOP, DIK_WEBSTOP}, {SDL_SCANCODE_AC_REFRESH, DIK_WEBREFRESH},
    {SDL_SCANCODE_AC_BOOKMARKS, DIK_WEBFAVORITES}, {SDL_SCANCODE_SLEEP, DIK_SLEEP},
};

// The table above as a lookup by scancode, built once.
struct ScancodeTable {
    uint8_t key[SDL_NUM_SCANCODES] = {};
    ScancodeTable() {
        for (const ScancodeKey& entry : kScancodeKeys) key[entry.scancode] = entry.key;
    }
};

const ScancodeTable& Table() {
    static const ScancodeTable table;
    return table;
}

// Keys that went down since the keyboard was last read, by scancode.
bool keysWentDown[SDL_NUM_SCANCODES] = {};
// Text typed since it was last taken (UTF-8).
std::string typedText;
constexpr size_t kMostTextTyped = 256;

int32_t ScaleTrigger(int value) {  // 0..32767 to 0..65536
    if (value < 0) value = 0;
    return static_cast<int32_t>((static_cast<int64_t>(value) * kAxisMax) / 32767);
}

uint32_t HatOf(SDL_GameController* pad) {
    const bool up = SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_UP);
    const bool down = SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN);
    const bool left = SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_LEFT);
    const bool right = SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT);
    const int dx = (right ? 1 : 0) - (left ? 1 : 0);
    const int dy = (down ? 1 : 0) - (up ? 1 : 0);
    if (dx == 0 && dy == 0) return 0xFFFFFFFFu;
    static const uint32_t kAngle[3][3] = {  // [dy + 1][dx + 1], clockwise from up
        {31500, 0, 4500}, {27000, 0xFFFFFFFFu, 9000}, {22500, 18000, 13500}};
    return kAngle[dy + 1][dx + 1];
}

// An SDL game controller, held until it leaves; plugged in again it arrives
// as a new pad.
class SdlPad : public PadDevice {
public:
    explicit SdlPad(SDL_GameController* pad)
        : pad_(pad), id_(SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(pad))) {}
    ~SdlPad() override { SDL_GameControllerClose(pad_); }

    int32_t Id() const override { return id_; }

    int32_t Acquire() override { return SDL_GameControllerGetAttached(pad_) ? 0 : kInputLost; }

    bool Poll() override {
        SDL_GameControllerUpdate();
        return SDL_GameControllerGetAttached(pad_);
    }

    bool GetState(JoyState2* state) override {
        if (!SDL_GameControllerGetAttached(pad_)) return false;
        JoyState2 s;
        std::memset(&s, 0, sizeof s);
        s.x = ScaleStickAxis(SDL_GameControllerGetAxis(pad_, SDL_CONTROLLER_AXIS_LEFTX));
        s.y = ScaleStickAxis(SDL_GameControllerGetAxis(pad_, SDL_CONTROLLER_AXIS_LEFTY));
        s.z = ScaleStickAxis(SDL_GameControllerGetAxis(pad_, SDL_CONTROLLER_AXIS_RIGHTX));
        s.rz = ScaleStickAxis(SDL_GameControllerGetAxis(pad_, SDL_CONTROLLER_AXIS_RIGHTY));
        const int leftTrigger = SDL_GameControllerGetAxis(pad_, SDL_CONTROLLER_AXIS_TRIGGERLEFT);
        const int rightTrigger = SDL_GameControllerGetAxis(pad_, SDL_CONTROLLER_AXIS_TRIGGERRIGHT);
        s.rx = ScaleTrigger(leftTrigger);
        s.ry = ScaleTrigger(rightTrigger);
        s.pov[0] = HatOf(pad_);
        s.pov[1] = s.pov[2] = s.pov[3] = 0xFFFFFFFFu;
        // Physical buttons 0 to 11 in the standard controller layout.
        static const SDL_GameControllerButton kButtons[] = {
            SDL_CONTROLLER_BUTTON_A,          SDL_CONTROLLER_BUTTON_B,
            SDL_CONTROLLER_BUTTON_Y,          SDL_CONTROLLER_BUTTON_X,
            SDL_CONTROLLER_BUTTON_START,      SDL_CONTROLLER_BUTTON_BACK,
            SDL_CONTROLLER_BUTTON_RIGHTSTICK, SDL_CONTROLLER_BUTTON_LEFTSTICK,
            SDL_CONTROLLER_BUTTON_RIGHTSHOULDER};
        int b = 0;
        for (SDL_GameControllerButton button : kButtons) {
            s.buttons[b++] = SDL_GameControllerGetButton(pad_, button) ? 0x80 : 0;
        }
        s.buttons[9] = rightTrigger > 16384 ? 0x80 : 0;  // a trigger counts past half way
        s.buttons[10] = SDL_GameControllerGetButton(pad_, SDL_CONTROLLER_BUTTON_LEFTSHOULDER) ? 0x80 : 0;
        s.buttons[11] = leftTrigger > 16384 ? 0x80 : 0;
        s.buttons[12] = SDL_GameControllerGetButton(pad_, SDL_CONTROLLER_BUTTON_GUIDE) ? 0x80 : 0;  // Guide
        *state = s;
        return true;
    }

private:
    SDL_GameController* pad_;
    int32_t id_;
};

// Pads that arrived or left, as the event translation saw them.
std::deque<PadChange>& PadChanges() {
    static std::deque<PadChange> changes;
    return changes;
}

class SdlInputDevices : public InputDevices {
public:
    bool StartPads() override {
        std::string error;
        return StartGameControllers(&error);
    }

    // Pads are the joysticks SDL knows as game controllers, in SDL's order.
    int CountAttachedPads() override {
        if (!SDL_WasInit(SDL_INIT_GAMECONTROLLER)) return 0;
        int pads = 0;
        const int count = SDL_NumJoysticks();
        for (int i = 0; i < count; ++i) pads += SDL_IsGameController(i) ? 1 : 0;
        return pads;
    }

    std::unique_ptr<PadDevice> OpenPad(int index) override {
        if (!SDL_WasInit(SDL_INIT_GAMECONTROLLER) || index < 0) return nullptr;
        const int count = SDL_NumJoysticks();
        for (int i = 0; i < count; ++i) {
            if (!SDL_IsGameController(i)) continue;
            if (index-- > 0) continue;
            SDL_GameController* pad = SDL_GameControllerOpen(i);
            if (!pad) return nullptr;
            return std::make_unique<SdlPad>(pad);
        }
        return nullptr;
    }

    bool NextPadChange(PadChange* change) override {
        std::deque<PadChange>& changes = PadChanges();
        if (changes.empty()) return false;
        *change = changes.front();
        changes.pop_front();
        return true;
    }

    std::unique_ptr<PadDevice> OpenArrivedPad(int32_t id) override {
        if (!SDL_WasInit(SDL_INIT_GAMECONTROLLER) || id < 0) return nullptr;
        const int count = SDL_NumJoysticks();
        for (int i = 0; i < count; ++i) {
            if (SDL_JoystickGetDeviceInstanceID(i) != id || !SDL_IsGameController(i)) continue;
            SDL_GameController* pad = SDL_GameControllerOpen(i);
            return pad ? std::make_unique<SdlPad>(pad) : nullptr;
        }
        return nullptr;
    }

    bool HasFocus(WindowHandle window) override { return WindowHasFocus(window); }

    WindowHandle FindWindowByTitle(const char* title) override {
        WindowHandle window = CurrentGameWindow();
        SDL_Window* sdl = SdlWindowOf(window);
        if (!sdl || !title) return nullptr;
        const char* caption = SDL_GetWindowTitle(sdl);
        return caption && std::strcmp(caption, title) == 0 ? window : nullptr;
    }

    void ReadKeyboard(uint8_t keys[256]) override {
        std::memset(keys, 0, 256);
        int count = 0;
        const Uint8* state = SDL_GetKeyboardState(&count);
        if (!state) return;
        if (count > SDL_NUM_SCANCODES) count = SDL_NUM_SCANCODES;
        const ScancodeTable& table = Table();
        // A key that went down since the last read is down for this read, even
        // when it was let go again before it: a short tap counts for one step.
        for (int i = 0; i < count; ++i) {
            if ((state[i] || keysWentDown[i]) && table.key[i]) keys[table.key[i]] = 0x80;
        }
        std::memset(keysWentDown, 0, sizeof keysWentDown);
    }

    void GetCursor(WindowHandle window, int* x, int* y) override {
        GetCursorClientPos(window, x, y);
    }

    void GetPointer(WindowHandle window, int* x, int* y) override { GetPointerPos(window, x, y); }

};

}  // namespace

InputDevices& SystemInputDevices() {
    // Never destroyed: `input` may still hold it during static destruction.
    static SdlInputDevices* devices = new SdlInputDevices;
    return *devices;
}

void NoteKeyWentDown(int scancode) {
    if (scancode >= 0 && scancode < SDL_NUM_SCANCODES) keysWentDown[scancode] = true;
}

void NoteTextTyped(const char* utf8) {
    // A little at most, as a player types between two steps; text nobody
    // takes does not pile up.
    const size_t size = std::strlen(utf8);
    if (typedText.size() + size <= kMostTextTyped) typedText += utf8;
}

std::string TakeTypedText() {
    std::string text;
    text.swap(typedText);
    return text;
}

void NotePadChange(bool arrived, int32_t id) {
    if (id < 0) return;
    PadChange change;
    change.arrived = arrived;
    change.id = id;
    PadChanges().push_back(change);
}

uint8_t KeyCodeOfScancode(int scancode) {
    if (scancode < 0 || scancode >= SDL_NUM_SCANCODES) return 0;
    return Table().key[scancode];
}

std::string KeyCodeName(int code) {
    if (code <= 0 || code >= 256) return "";
    for (int scancode = 0; scancode < SDL_NUM_SCANCODES; ++scancode) {
        if (Table().key[scancode] == code) return SDL_GetScancodeName(static_cast<SDL_Scancode>(scancode));
    }
    return "";
}

int32_t ScaleStickAxis(int value) {
    if (value < -32768) value = -32768;
    if (value > 32767) value = 32767;
    return static_cast<int32_t>((static_cast<int64_t>(value) + 32768) * kAxisMax / 65535);
}
