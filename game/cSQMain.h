// The board scene: one round of play at one difficulty.
//
// A board of difficulty d has d rows of two slots (slot s lies in row s / 2;
// even s on the left, odd s on the right). Every step it reads the
// difficulty digits, moves the paddles and the dice, lands and scores dice
// that cross a slot line, removes dice that left the bottom, spawns a die
// every 100 steps, and ends the round when every slot holds 10 or more. With
// several players there is a paddle each; they share slots and score.
//
// A plain value, part of the game's state; its picture is the scene view's.
#pragma once

#include <cstdint>

#include "game/SceneStep.h"
#include "game/cFallen.h"
#include "game/cPaddle.h"

struct cSQMain {
    static constexpr int kMaxSlots = 18;  // two slots for each of at most 9 rows
    static constexpr uint32_t kSlotSpan = 600;  // between the two slot lines, centred on the field
    static constexpr int32_t kFull = 10;        // a slot at 10 or more takes no more dice
    // Room for every die a round can hold: at most 10 landed in each of 18
    // slots, and the rest in the air. A die that finds no room is not spawned
    // and the rhythm goes on, as when a die cannot be made.
    static constexpr int kMaxDice = 512;

    // Sets up a new round at difficulty d (1..9) for `players` paddles: score
    // 100, every slot empty, no dice.
    void Start(int32_t d, int32_t players);

    // One step: itself while the round goes on; a new board when a difficulty
    // digit was pressed (nothing else of the step happens then); the result
    // when every slot is full.
    SceneAnswer Update(StepContext& context);

    // The slot beside which a die centre lies, or −1 (on a line, between the
    // lines, or beside no row of this board).
    int32_t SlotAt(float x, float y) const;
    // Moves the picture of a die that just landed in slot s, where n dice
    // were already stacked, to its place in the stack.
    void PlaceInSlot(int32_t n, cFallen& die, int32_t s, int32_t d) const;

    int32_t difficulty = 1;
    int32_t score = 100;
    int32_t sums[kMaxSlots] = {};    // per slot: the sum of the faces landed there
    int32_t counts[kMaxSlots] = {};  // per slot: the dice stacked there
    int32_t paddleCount = 0;
    cPaddle paddles[kMaxPlayers];    // player 1's first
    int32_t diceCount = 0;
    cFallen dice[kMaxDice];          // spawn order, oldest first; the rest as made

private:
    void Land(cFallen& die, int32_t s, StepContext& context);
};
static_assert(sizeof(cSQMain) == (4 + 2 * cSQMain::kMaxSlots) * 4 + sizeof(cPaddle) * kMaxPlayers +
                                    sizeof(cFallen) * cSQMain::kMaxDice,
              "no padding");
