#include "game/cSQInterval.h"

SceneAnswer cSQInterval::Update(const cControls& controls) const {
    // Only a press that begins in this step counts.
    if (!controls.ConfirmPressed()) return SceneAnswer{};
    if (difficulty == 9) return SceneAnswer{SceneAnswer::End};
    return SceneAnswer::Board(difficulty + 1);
}
