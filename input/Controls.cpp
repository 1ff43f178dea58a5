#include "input/Controls.h"

#include <cmath>
#include <cstring>

#include "input/cInput.h"

namespace {

// The difficulty digits: the keypad's and, for keyboards without one, the
// number row's, 1 to 9.
constexpr uint8_t kKeypadDigits[9] = {DIK_NUMPAD1, DIK_NUMPAD2, DIK_NUMPAD3,
                                      DIK_NUMPAD4, DIK_NUMPAD5, DIK_NUMPAD6,
                                      DIK_NUMPAD7, DIK_NUMPAD8, DIK_NUMPAD9};
constexpr uint8_t kRowDigits[9] = {DIK_1, DIK_2, DIK_3, DIK_4, DIK_5, DIK_6, DIK_7, DIK_8, DIK_9};

constexpr float kFieldRight = 799.0f;
constexpr float kFieldBottom = 599.0f;
constexpr int32_t kAxisCentre = kAxisMax / 2;
constexpr uint32_t kHatCentred = 0xFFFFFFFFu;

bool Pressed(bool now, bool before) { return now && !before; }

// Stick deflections this close to the edge count as full tilt (sticks, and
// the keyboard pad's arrows at 0xFFFF, rarely reach the very end).
constexpr float kFullTilt = 0.98f;

// A stick axis (0 to 65536) as a deflection from -1 to 1, zero inside the dead zone.
float Deflection(int32_t axis) {
    const float d = static_cast<float>(axis - kAxisCentre) / static_cast<float>(kAxisCentre);
    const float size = std::fabs(d);
    if (size <= cControlMapper::kDeadZone) return 0.0f;
    if (size >= kFullTilt) return d < 0.0f ? -1.0f : 1.0f;
    const float scaled = (size - cControlMapper::kDeadZone) / (1.0f - cControlMapper::kDeadZone);
    return d < 0.0f ? -scaled : scaled;
}

// A hat in hundredths of a degree clockwise from up, as full-tilt deflections.
void HatDeflection(uint32_t hat, float* dx, float* dy) {
    if (hat == kHatCentred || hat >= 36000u) return;
    const double radians = hat / 100.0 * 3.14159265358979323846 / 180.0;
    const double sx = std::sin(radians);
    const double sy = -std::cos(radians);
    *dx = std::fabs(sx) < 0.01 ? 0.0f : (sx > 0 ? 1.0f : -1.0f);
    *dy = std::fabs(sy) < 0.01 ? 0.0f : (sy > 0 ? 1.0f : -1.0f);
}

float Clamp(float v, float high) { return v < 0.0f ? 0.0f : (v > high ? high : v); }

// A position from the other machine: no screen has NaN, infinity or a
// coordinate a million pixels away; such a record puts the paddle at rest.
float SaneCoordinate(float v, float rest) { return std::fabs(v) < 1.0e6f ? v : rest; }

}  // namespace

PlayerControls NeutralControls() { return PlayerControls{}; }

bool cControls::DigitPressed(int digit) const {
    if (digit < 1 || digit > 9) return false;
    for (const uint32_t bit : {KeypadDigitBit(digit), RowDigitBit(digit)}) {
        for (int p = 0; p < players_; ++p) {
            if (Pressed(current_[p].digits & bit, previous_[p].digits & bit)) return true;
        }
    }
    return false;
}

bool cControls::ConfirmPressed() const {
    for (int p = 0; p < players_; ++p) {
        if (Pressed(current_[p].confirm, previous_[p].confirm)) return true;
    }
    return false;
}

bool cControls::PausePressed() const {
    for (int p = 0; p < players_; ++p) {
        if (Pressed(current_[p].pause, previous_[p].pause)) return true;
    }
    return false;
}

cControlMapper::cControlMapper(bool usesMouse, int padSlot, bool usesKeyboard)
    : usesMouse_(usesMouse), padSlot_(padSlot), usesKeyboard_(usesKeyboard) {}

void cControlMapper::UsePad(int slot) {
    padSlot_ = slot;
    choice_ = 0;
    lastDirection_ = 0;
    chordSteps_ = 0;
}

bool cControlMapper::TakeFullscreenRequest() {
    const bool asked = fullscreenAsked_;
    fullscreenAsked_ = false;
    return asked;
}

void cControlMapper::PadFunctions(const cInput& in, bool back, int difficultyNow,
                                  PlayerControls* c) {
    const int slot = padSlot_;
    // Start (or the pause button chosen) pauses and resumes; held with Back,
    // the fullscreen button belongs to the fullscreen hold.
    const Bindings& b = in.bindings;
    if (!back && in.PadButtonPressed(slot, b.pausePad)) c->pause = 1;
    chordSteps_ = back && in.PadButtonDown(slot, b.fullscreenPad) ? chordSteps_ + 1 : 0;
    if (chordSteps_ == kFullscreenHoldSteps) fullscreenAsked_ = true;

    // Right or up raises the choice, left or down lowers it, once per push.
    float dx = Deflection(in.pads[slot].current.x), dy = Deflection(in.pads[slot].current.y);
    if (!in.keyboardOnly || slot != 0) HatDeflection(in.padBuffers[slot].pov[0], &dx, &dy);
    const float lean = dx != 0.0f ? dx : -dy;
    const int direction = lean > 0.5f ? 1 : (lean < -0.5f ? -1 : 0);
    const bool pushed = direction != lastDirection_;
    lastDirection_ = direction;
    if (!back) {
        choice_ = 0;
        return;
    }
    int choice = choice_ != 0 ? choice_ : difficultyNow;
    if (pushed) choice += direction;
    if (in.PadButtonPressed(slot, PAD_R1) || in.PadButtonPressed(slot, PAD_R2)) ++choice;
    if (in.PadButtonPressed(slot, PAD_L1) || in.PadButtonPressed(slot, PAD_L2)) --choice;
    choice_ = choice < 1 ? 1 : (choice > 9 ? 9 : choice);
    // A gives the choice as a digit key would: down for this one step.
    if (in.PadButtonPressed(slot, PAD_A)) c->digits |= KeypadDigitBit(choice_);
}

PlayerControls cControlMapper::Build(const cInput& in, int difficultyNow) {
    PlayerControls c;
    const bool hasPad = in.HasPad(padSlot_);
    const bool back = hasPad && in.PadButtonDown(padSlot_, PAD_SELECT);

    float dx = 0.0f, dy = 0.0f;
    if (hasPad && !back) {
        const PadState& pad = in.pads[padSlot_].current;
        dx = Deflection(pad.x);
        dy = Deflection(pad.y);
        if (!in.keyboardOnly || padSlot_ != 0) HatDeflection(in.padBuffers[padSlot_].pov[0], &dx, &dy);
        c.turnLeft = in.PadButtonDown(padSlot_, PAD_L1) || in.PadButtonDown(padSlot_, PAD_L2);
        c.turnRight = in.PadButtonDown(padSlot_, PAD_R1) || in.PadButtonDown(padSlot_, PAD_R2);
        c.confirm = in.PadButtonDown(padSlot_, PAD_A) || in.PadButtonDown(padSlot_, PAD_B);
    }
    if (hasPad) PadFunctions(in, back, difficultyNow, &c);
    const bool padMoved = dx != 0.0f || dy != 0.0f;
    // Only the pointer's own move: a change of the window moves the cursor on
    // the field too, but leaves the paddle to the pad that steers it.
    const bool mouseMoved = usesMouse_ && in.MouseMoved();
    if (mouseMoved) {
        padSteers_ = false;
    } else if (padMoved) {
        if (!padSteers_ && usesMouse_) {
            x_ = in.mouse.x;  // the pad takes over where the mouse left the paddle
            y_ = in.mouse.y;
        }
        padSteers_ = true;
    }
    if (usesMouse_ && !padSteers_) {
        // Exactly the cursor, also off the field: the paddle follows it anywhere.
        c.x = in.mouse.x;
        c.y = in.mouse.y;
    } else {
        x_ = Clamp(x_ + dx * kPadSpeed, kFieldRight);
        y_ = Clamp(y_ + dy * kPadSpeed, kFieldBottom);
        c.x = x_;
        c.y = y_;
    }
    if (usesMouse_) {
        c.turnLeft = c.turnLeft || in.mouse.left;
        c.turnRight = c.turnRight || in.mouse.right;
        c.confirm = c.confirm || in.mouse.left;
    }
    if (usesKeyboard_) {
        for (int d = 1; d <= 9; ++d) {
            if (in.KeyDown(kKeypadDigits[d - 1])) c.digits |= KeypadDigitBit(d);
            if (in.KeyDown(kRowDigits[d - 1])) c.digits |= RowDigitBit(d);
        }
        c.pause = c.pause || in.KeyDown(in.bindings.pauseKey);
    }
    return c;
}

PlayerControls SaneRecord(const PlayerControls& record) {
    PlayerControls sane = record;
    sane.x = SaneCoordinate(record.x, 400.0f);
    sane.y = SaneCoordinate(record.y, 300.0f);
    return sane;
}
