// The board scene: one round of play at one difficulty.
//
// A board of difficulty d has d rows of two slots (slot s lies in row s / 2;
// even s on the left, odd s on the right). Every step it reads the
// difficulty digits, moves the paddles and the dice, lands and scores dice
// that cross a slot line, removes dice that left the bottom, spawns a die
// every 100 steps, and ends the round when every slot holds 10 or more. In a
// two-player game there are two paddles; the players share slots and score.
#pragma once

#include <cstdint>
#include <deque>

#include "scene/cSequence.h"

class cFallen;
class cFont;
class cPaddle;
class cSprite;

// The spawn rhythm, shared by every board of the run: it is not reset when a
// board is created or destroyed.
extern int32_t spawnCounter;

class cSQMain : public cSequence {
public:
    static constexpr int kMaxSlots = 18;  // two slots for each of at most 9 rows

    explicit cSQMain(int32_t difficulty);
    ~cSQMain() override;

    // Itself while the round goes on; a new board when a difficulty digit was
    // pressed; the result scene when every slot is full; null when the new
    // scene cannot be allocated.
    cSequence* Update() override;

    // The slot beside which a die centre lies, or −1 (on a line, between the
    // lines, or beside no row of this board).
    int32_t SlotAt(float x, float y) const;
    // Moves the sprite of a die that just landed in slot s, where n dice were
    // already stacked, to its place in the stack.
    void PlaceInSlot(int32_t n, cFallen* die, int32_t s, int32_t d);

    cSprite* panels[kMaxSlots] = {};
    cPaddle* paddle = nullptr;   // player 1's
    cPaddle* paddle2 = nullptr;  // player 2's, in a two-player game
    std::deque<cFallen*> dice;  // spawn order, oldest first; owned
    int32_t sums[kMaxSlots] = {};
    int32_t counts[kMaxSlots] = {};
    cFont* labels[kMaxSlots] = {};
    int32_t score = 100;
    cFont* scoreLabel = nullptr;
    int32_t difficulty = 1;

private:
    void Land(cFallen* die, int32_t s);
};

// A new board, or null when it cannot be allocated.
cSequence* NewBoard(int32_t difficulty);
