#include "game/cSQInterval.h"

#include <cstdio>
#include <new>

#include "game/cSQMain.h"
#include "graphics/cMetaObject.h"
#include "input/Controls.h"

namespace {

// "難易度%d　：　%d点" (difficulty, full-width space, colon, space, score, points)
constexpr char kResultFormat[] =
    "\x93\xEF\x88\xD5\x93\x78\x25\x64\x81\x40\x81\x46\x81\x40\x25\x64\x93\x5F";

}  // namespace

cSequence* NewResult(int32_t difficulty, int32_t score) {
    try {
        return new cSQInterval(difficulty, score);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

cSQInterval::cSQInterval(int32_t d, int32_t s) : score(s), difficulty(d) {
    char text[32];
    std::snprintf(text, sizeof text, kResultFormat, static_cast<int>(d), static_cast<int>(s));
    label = new cFont(text, 300, 300);
}

cSQInterval::~cSQInterval() { delete label; }

cSequence* cSQInterval::Update() {
    // Only a press that begins in this step counts.
    if (!controls.ConfirmPressed()) return this;
    if (difficulty == 9) return nullptr;
    return NewBoard(difficulty + 1);
}
