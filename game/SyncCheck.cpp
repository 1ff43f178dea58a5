#include "game/SyncCheck.h"

#include <cstring>

namespace {

bool SameEvents(const StepEvents& a, const StepEvents& b) {
    if (a.chainEnded != b.chainEnded || a.list.size() != b.list.size()) return false;
    for (size_t i = 0; i < a.list.size(); ++i) {
        const GameEvent& x = a.list[i];
        const GameEvent& y = b.list[i];
        if (x.kind != y.kind || x.die != y.die || x.value != y.value) return false;
    }
    return true;
}

}  // namespace

cSyncCheck::cSyncCheck(GameStep step)
    : step_(std::move(step)), saved_(std::make_unique<GameState>()) {}

bool cSyncCheck::Step(GameState& state, const PlayerControls records[kMaxPlayers],
                      StepEvents& events) {
    *saved_ = state;
    step_(*saved_, records, again_);  // the first run, on the copy
    step_(state, records, events);    // and again from the same start
    return std::memcmp(saved_.get(), &state, sizeof state) == 0 && SameEvents(events, again_);
}
