#include "game/cSQMain.h"

#include <cmath>
#include <cstdio>
#include <new>

#include "audio/cDSound.h"
#include "game/Rounding.h"
#include "game/cFallen.h"
#include "game/cPaddle.h"
#include "game/cSQInterval.h"
#include "graphics/Graphics.h"
#include "graphics/cMetaObject.h"
#include "graphics/cTextureManager.h"
#include "input/Controls.h"

int32_t spawnCounter = 0;

namespace {

constexpr int32_t kFull = 10;          // a slot at 10 or more takes no more dice
constexpr int32_t kSpawnInterval = 100;
constexpr uint32_t kSlotSpan = 600;    // distance between the two slot lines
// The counters beside the slots: the left one 32 pixels outside the left line
// (W - (600 + 2 * 32)) / 2 = 68, the right one 39 pixels outside the right line
// (W + (600 + 2 * 39)) / 2 = 739, clear of the panels on either side.
constexpr uint32_t kLeftLabelSpan = kSlotSpan + 2 * 32;   // 664
constexpr uint32_t kRightLabelSpan = kSlotSpan + 2 * 39;  // 678


// A display object takes itself out of the draw list when it is deleted.
template <typename T>
void DestroyDisplayObject(T*& object) {
    delete object;
    object = nullptr;
}

}  // namespace

cSequence* NewBoard(int32_t difficulty) {
    try {
        return new cSQMain(difficulty);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

cSQMain::cSQMain(int32_t d) {
    textureManager.RegisterTexture("Panel", "Graphic/Panel.png");
    textureManager.RegisterTexture("Paddle", "Graphic/Bar.png");
    const bool twoPlayers = controls.players > 1;
    if (twoPlayers) textureManager.RegisterTexture("Paddle2", "Graphic/Bar2.png");
    for (int n = 1; n <= 6; ++n) {
        char name[32];
        char path[32];
        std::snprintf(name, sizeof name, "Dice%d", n);
        std::snprintf(path, sizeof path, "Graphic/die%d.png", n);
        textureManager.RegisterTexture(name, path);
    }
    difficulty = d;
    score = 100;

    const uint32_t w = graphics.screenWidth;
    const uint32_t rowHeight = graphics.screenHeight / static_cast<uint32_t>(d);
    const int32_t leftX = static_cast<int32_t>((w - kSlotSpan) >> 1);         // 100
    const int32_t rightX = static_cast<int32_t>((w + kSlotSpan) >> 1);        // 700
    const int32_t leftLabelX = static_cast<int32_t>((w - kLeftLabelSpan) >> 1);   // 68
    const int32_t rightLabelX = static_cast<int32_t>((w + kRightLabelSpan) >> 1); // 739
    for (int32_t r = 0; r < d; ++r) {
        const int32_t rowY = static_cast<int32_t>(r * rowHeight + rowHeight / 2);
        const int32_t h = static_cast<int32_t>(rowHeight);
        panels[2 * r] = new cSprite("Panel", leftX, rowY, 40, h);
        panels[2 * r + 1] = new cSprite("Panel", rightX, rowY, 40, h);
        labels[2 * r] = new cFont("0", leftLabelX, rowY);
        labels[2 * r + 1] = new cFont("0", rightLabelX, rowY);
    }
    paddle = new cPaddle();
    if (twoPlayers) paddle2 = new cPaddle("Paddle2");
    scoreLabel = new cFont("100", 750, 32);
}

cSQMain::~cSQMain() {
    const int32_t slots = 2 * difficulty;
    for (int32_t s = 0; s < slots; ++s) DestroyDisplayObject(panels[s]);
    for (int32_t s = 0; s < slots; ++s) DestroyDisplayObject(labels[s]);
    delete paddle;  // its sprite first, then the paddle
    paddle = nullptr;
    delete paddle2;
    paddle2 = nullptr;
    for (cFallen* die : dice) delete die;  // each die's sprite, then the die
    dice.clear();
    DestroyDisplayObject(scoreLabel);
}

int32_t cSQMain::SlotAt(float x, float y) const {
    const uint32_t rowHeight = graphics.screenHeight / static_cast<uint32_t>(difficulty);
    const float left = RoundToFloat((graphics.screenWidth - kSlotSpan) * 0.5);
    const float right = RoundToFloat((graphics.screenWidth + kSlotSpan) * 0.5);
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

void cSQMain::PlaceInSlot(int32_t n, cFallen* die, int32_t s, int32_t d) {
    const int32_t rowHeight =
        static_cast<int32_t>(graphics.screenHeight / static_cast<uint32_t>(d));
    die->sprite->SetPosition(static_cast<int32_t>(die->x), rowHeight * (s / 2) + 40 + 36 * n);
}

void cSQMain::Land(cFallen* die, int32_t s) {
    die->vx = 0.0f;
    die->vy = 0.0f;
    die->slot = s;
    die->sprite->angle = 0.0f;
    die->landed = true;
    if (sums[s] >= kFull) {  // thrown off a full slot
        die->Rebound();
        dsound.Play("Sound/Bound.wav");
        score -= 10;
        return;
    }
    sums[s] += die->face + 1;
    PlaceInSlot(counts[s], die, s, difficulty);
    counts[s] += 1;
    std::snprintf(labels[s]->text, sizeof labels[s]->text, "%d", static_cast<int>(sums[s]));
    if (sums[s] == kFull) {
        dsound.Play("Sound/Save.wav");
        score += 100;
    } else if (sums[s] > kFull) {
        dsound.Play("Sound/Miss.wav");
        score -= 100;
    } else {
        dsound.Play("Sound/Set.wav");
        score += 10;
    }
}

cSequence* cSQMain::Update() {
    // Digits 1 to 9 in this order: the lowest one pressed wins.
    for (int d = 1; d <= 9; ++d) {
        if (controls.DigitPressed(d)) return NewBoard(d);
    }

    paddle->Move(controls.Of(0));
    if (paddle2) paddle2->Move(controls.Of(1));

    for (cFallen* die : dice) {
        die->Move(*paddle, paddle2);
        if (die->landed) continue;
        const int32_t s = SlotAt(die->x, die->y);
        if (s != -1) Land(die, s);
    }

    const double bottom = graphics.screenHeight;
    for (auto it = dice.begin(); it != dice.end();) {
        if (static_cast<double>((*it)->y) > bottom) {
            delete *it;
            it = dice.erase(it);
            score -= 10;
        } else {
            ++it;
        }
    }

    spawnCounter += 1;
    if (spawnCounter % kSpawnInterval == 0) {
        try {
            dice.push_back(new cFallen());
        } catch (const std::bad_alloc&) {
            // No die this time; the rhythm goes on.
        }
        spawnCounter = 0;
    }

    std::snprintf(scoreLabel->text, sizeof scoreLabel->text, "%d", static_cast<int>(score));

    for (int32_t s = 0; s < 2 * difficulty; ++s) {
        if (sums[s] < kFull) return this;
    }
    return NewResult(difficulty, score);
}
