// The players' controls: one small record per player per logic step.
//
// Devices become records here, in input/; the game reads the records and
// never a device. In a two-machine game the records are what the machines
// exchange, so the same records give the same game on both.
#pragma once

#include <cstddef>
#include <cstdint>


class cInput;

// Players on one field: the mouse's and up to three more.
constexpr int kMaxPlayers = 4;

// One player's controls for one step.
struct PlayerControls {
    float x = 400.0f;       // where the paddle's centre goes, field pixels
    float y = 300.0f;
    uint8_t turnLeft = 0;   // counter-clockwise while held: mouse left, L1, L2
    uint8_t turnRight = 0;  // clockwise while held: mouse right, R1, R2
    uint8_t confirm = 0;    // continues from the result screen: mouse left, A, B
    uint8_t pause = 0;      // pauses and resumes: P, Start
    // Difficulty digit keys held: bit d - 1 for keypad d, bit 9 + d - 1 for the
    // number row's d (1 to 9). Each key has its own edge.
    uint32_t digits = 0;
};
// Part of the game's state (the records of the step before): no padding.
static_assert(sizeof(PlayerControls) == 16, "no padding");

// The bits of digit d (1 to 9) in PlayerControls::digits.
constexpr uint32_t KeypadDigitBit(int digit) { return 1u << (digit - 1); }
constexpr uint32_t RowDigitBit(int digit) { return 1u << (9 + digit - 1); }

// A player who does nothing: the paddle at rest in the middle of the field.
PlayerControls NeutralControls();

// The records the game reads in one step, with those of the step before, so
// that a press is seen on exactly the step it begins. Holds neither: it looks
// at the caller's arrays.
class cControls {
public:
    cControls(const PlayerControls* current, const PlayerControls* previous, int players)
        : current_(current), previous_(previous), players_(players) {}

    const PlayerControls& Of(int player) const { return current_[player]; }
    int Players() const { return players_; }
    // Digit d (1 to 9) went down this step for some player: either of its two
    // keys, the keypad's or the number row's, went down.
    bool DigitPressed(int digit) const;
    // Some player pressed the continue button, or the pause key, this step.
    bool ConfirmPressed() const;
    bool PausePressed() const;

private:
    const PlayerControls* current_;
    const PlayerControls* previous_;
    int players_;
};

// Makes one player's record each step from the devices that player uses.
class cControlMapper {
public:
    // Full tilt of the stick or the d-pad moves the paddle this far per step.
    static constexpr float kPadSpeed = 8.0f;
    // Stick deflections below this share of full tilt are ignored.
    static constexpr float kDeadZone = 0.2f;
    // Back and Start held together this many steps (a second) switch fullscreen.
    static constexpr int kFullscreenHoldSteps = 63;

    // usesMouse: the mouse steers; padSlot: the pad that steers (-1: none);
    // usesKeyboard: the difficulty digits and the pause key are this player's.
    cControlMapper(bool usesMouse, int padSlot, bool usesKeyboard);
    cControlMapper() : cControlMapper(false, -1, false) {}

    // This step's record. With both a mouse and a pad, the one that moved
    // last steers; buttons of either count. The pad also pauses and resumes
    // (Start) and restarts: while Back is held, the d-pad, the stick or the
    // shoulders choose a difficulty from difficultyNow on, and A gives the
    // choice as its keypad digit for one step. While Back is held the pad
    // neither steers, turns nor continues.
    PlayerControls Build(const cInput& in, int difficultyNow = 1);

    // Plays with another pad from now on (-1: none). Whatever the old pad
    // held counts no more; the paddle stays where it is.
    void UsePad(int slot);
    int PadSlot() const { return padSlot_; }
    // The pad, not the mouse, steered last.
    bool PadSteers() const { return padSteers_; }
    // The difficulty being chosen while Back is held; 0 when Back is up.
    int Choice() const { return choice_; }
    // True once each time Back and Start have been held together for a second.
    bool TakeFullscreenRequest();

private:
    // Start, and Back with what it is held with.
    void PadFunctions(const cInput& in, bool back, int difficultyNow, PlayerControls* c);

    bool usesMouse_;
    int padSlot_;
    bool usesKeyboard_;
    bool padSteers_ = false;  // the pad moved after the mouse did
    float x_ = 400.0f;        // where the pad has moved the paddle to
    float y_ = 300.0f;
    int choice_ = 0;
    int lastDirection_ = 0;   // the d-pad or the stick in the step before: -1, 0 or 1
    int chordSteps_ = 0;      // steps Back and Start have been held together
    bool fullscreenAsked_ = false;
};

// The record with coordinates no screen has (not a number, a million pixels
// away) put at rest, as every machine reads such a record.
PlayerControls SaneRecord(const PlayerControls& record);
