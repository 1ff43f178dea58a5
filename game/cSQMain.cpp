#include "game/cSQMain.h"

#include <cmath>

#include "game/Field.h"
#include "game/Rounding.h"

namespace {

constexpr int32_t kSpawnInterval = 100;
// clang counts uses in constant expressions as none.
[[maybe_unused]] constexpr int32_t kFull = cSQMain::kFull;
[[maybe_unused]] constexpr uint32_t kSlotSpan = cSQMain::kSlotSpan;

}  // namespace

void cSQMain::Start(int32_t d, int32_t players) {
    *this = cSQMain{};
    difficulty = d;
    score = 100;
    paddleCount = players < 1 ? 1 : (players > kMaxPlayers ? kMaxPlayers : players);
}

int32_t cSQMain::SlotAt(float x, float y) const {
    const uint32_t rowHeight = kFieldHeight / static_cast<uint32_t>(difficulty);
    const float left = RoundToFloat((kFieldWidth - kSlotSpan) * 0.5);
    const float right = RoundToFloat((kFieldWidth + kSlotSpan) * 0.5);
    int32_t side;
    if (x < left) {
        side = 0;
    } else if (x > right) {
        side = 1;
    } else {
        return -1;  // between the lines, or exactly on one
    }
    // A centre far outside the field (or not a number) is beside no row.
    if (!(y > -2147483648.0f && y < 2147483648.0f)) return -1;
    const int32_t row = static_cast<int32_t>(std::trunc(y)) / static_cast<int32_t>(rowHeight);
    // Rows outside the board have no slot: below the last row (d = 7 and 9
    // leave a band at the bottom), past the bottom edge, or a row or more above
    // the top. Such a die keeps moving and leaves at the bottom.
    if (row < 0 || row >= difficulty) return -1;
    return 2 * row + side;
}

void cSQMain::PlaceInSlot(int32_t n, cFallen& die, int32_t s, int32_t d) const {
    const int32_t rowHeight = static_cast<int32_t>(kFieldHeight / static_cast<uint32_t>(d));
    die.shownX = static_cast<int32_t>(die.x);
    die.shownY = rowHeight * (s / 2) + 40 + 36 * n;
}

void cSQMain::Land(cFallen& die, int32_t s, StepContext& c) {
    die.vx = 0.0f;
    die.vy = 0.0f;
    die.slot = s;
    die.shownAngle = 0.0f;
    die.landed = true;
    if (sums[s] >= kFull) {  // thrown off a full slot
        die.Rebound(c.random);
        c.events.Add(GameEventKind::ThrowOff, die.id);
        score -= 10;
        return;
    }
    sums[s] += die.face + 1;
    PlaceInSlot(counts[s], die, s, difficulty);
    counts[s] += 1;
    c.events.Add(GameEventKind::Land, die.id, sums[s]);  // its sound goes by the new sum
    if (sums[s] == kFull) {
        score += 100;
    } else if (sums[s] > kFull) {
        score -= 100;
    } else {
        score += 10;
    }
}

SceneAnswer cSQMain::Update(StepContext& c) {
    // Digits 1 to 9 in this order: the lowest one pressed wins.
    for (int d = 1; d <= 9; ++d) {
        if (c.controls.DigitPressed(d)) return SceneAnswer::Board(d);
    }

    for (int p = 0; p < paddleCount; ++p) paddles[p].Move(c.controls.Of(p));

    for (int32_t i = 0; i < diceCount; ++i) {
        cFallen& die = dice[i];
        die.Move(paddles, paddleCount, c.events);
        if (die.landed) continue;
        const int32_t s = SlotAt(die.x, die.y);
        if (s != -1) Land(die, s, c);
    }

    // Dice past the bottom edge go, the others keep their order.
    const double bottom = kFieldHeight;
    int32_t kept = 0;
    for (int32_t i = 0; i < diceCount; ++i) {
        if (static_cast<double>(dice[i].y) > bottom) {
            c.events.Add(GameEventKind::FallOut, dice[i].id);
            score -= 10;
        } else {
            if (kept != i) dice[kept] = dice[i];
            ++kept;
        }
    }
    for (int32_t i = kept; i < diceCount; ++i) dice[i] = cFallen{};
    diceCount = kept;

    c.spawnCounter += 1;
    if (c.spawnCounter % kSpawnInterval == 0) {
        if (diceCount < kMaxDice) {  // no room: no die this time, the rhythm goes on
            dice[diceCount] = cFallen::Spawn(c.nextDieId++, c.random);
            c.events.Add(GameEventKind::Spawn, dice[diceCount].id);
            ++diceCount;
        }
        c.spawnCounter = 0;
    }

    for (int32_t s = 0; s < 2 * difficulty; ++s) {
        if (sums[s] < kFull) return SceneAnswer{};
    }
    return SceneAnswer::Result(difficulty, score);
}
