// Input devices a test holds in its hands: pads whose state it writes, that
// it plugs in and pulls out between steps, a keyboard, the focus and a cursor.
#pragma once

#include <cstring>
#include <deque>
#include <memory>
#include <vector>

#include "platform/input_devices.h"

struct FakePadData {
    bool pollOk = true;
    bool stateOk = true;
    int32_t acquireResult = 0;
    int acquireCalls = 0;
    JoyState2 state{};

    // Nothing held, the sticks centred, the hats too.
    void Rest() {
        state = JoyState2{};
        state.x = state.y = state.z = state.rz = kAxisMax / 2;
        for (uint32_t& hat : state.pov) hat = 0xFFFFFFFFu;
    }
};

class FakePad : public PadDevice {
public:
    FakePad(FakePadData* data, int32_t id) : data_(data), id_(id) {}
    int32_t Id() const override { return id_; }
    int32_t Acquire() override {
        ++data_->acquireCalls;
        return data_->acquireResult;
    }
    bool Poll() override { return data_->pollOk; }
    bool GetState(JoyState2* state) override {
        if (!data_->stateOk) return false;
        *state = data_->state;
        return true;
    }

private:
    FakePadData* data_;
    int32_t id_;
};

// Pad ids are indexes into `pads`; size it before the first step.
class FakeDevices : public InputDevices {
public:
    bool StartPads() override { return padsStart; }
    int CountAttachedPads() override { return attached < 0 ? static_cast<int>(pads.size()) : attached; }
    std::unique_ptr<PadDevice> OpenPad(int index) override {
        ++opened;
        if (index == failOpenAt) return nullptr;
        return std::make_unique<FakePad>(&pads[static_cast<size_t>(index)], index);
    }
    bool NextPadChange(PadChange* change) override {
        if (changes.empty()) return false;
        *change = changes.front();
        changes.pop_front();
        return true;
    }
    std::unique_ptr<PadDevice> OpenArrivedPad(int32_t id) override {
        return std::make_unique<FakePad>(&pads[static_cast<size_t>(id)], id);
    }
    bool HasFocus(WindowHandle w) override { return focus && w == focusWindow; }
    WindowHandle FindWindowByTitle(const char* title) override {
        return std::strcmp(title, "Kaziro") == 0 ? gameWindow : nullptr;
    }
    void ReadKeyboard(uint8_t out[256]) override { std::memcpy(out, keys, 256); }
    void GetCursor(WindowHandle, int* x, int* y) override {
        *x = cursorX;
        *y = cursorY;
    }

    void Press(uint8_t key) { keys[key] = 0x80; }
    void Release(uint8_t key) { keys[key] = 0; }
    // Pad `id` is plugged in, or pulled out, before the next step.
    void Arrive(int32_t id) { changes.push_back(PadChange{true, id}); }
    void Leave(int32_t id) { changes.push_back(PadChange{false, id}); }

    bool padsStart = true;
    std::vector<FakePadData> pads;
    int attached = -1;  // pads attached at start: -1 for every one in `pads`
    std::deque<PadChange> changes;
    int failOpenAt = -1;
    int opened = 0;
    bool focus = true;
    WindowHandle focusWindow = nullptr;
    WindowHandle gameWindow = nullptr;
    uint8_t keys[256] = {};
    int cursorX = 0, cursorY = 0;
};
