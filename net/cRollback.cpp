#include "net/cRollback.h"

#include <algorithm>
#include <cstring>

namespace {

bool Same(const PlayerControls& a, const PlayerControls& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

void cRollback::Start(GameState* game, int local, uint32_t delay, GameStep step) {
    game_ = game;
    step_ = std::move(step);
    local_ = local == 0 ? 0 : 1;
    next_ = confirmed_ = 0;
    window_ = kDefaultPrediction;
    wrongFrom_ = gameOver_ = UINT32_MAX;
    history_ = 0x811C9DC5u;
    states_.assign(kStates, GameState{});
    steps_.assign(kRing, StepRecord{});
    localRecords_.assign(kRing, NeutralControls());
    remoteRecords_.assign(kRing, NeutralControls());
    // The first D steps are neutral for both players, on both machines.
    localMade_ = remoteHeld_ = std::min<uint32_t>(delay, kRing / 2);
    rollbacks = resimulated = 0;
    deepest = 0;
}

void cRollback::SetPredictionWindow(uint32_t steps) { window_ = std::clamp<uint32_t>(steps, 1, kPredictionCeiling); }

bool cRollback::CanAdvance() const { return next_ < remoteHeld_ + window_; }

PlayerControls cRollback::RemoteFor(uint32_t step) const {
    if (step < remoteHeld_) return remoteRecords_[step % kRing];
    // Predicted: the last record known, repeated.
    return remoteHeld_ > 0 ? remoteRecords_[(remoteHeld_ - 1) % kRing] : NeutralControls();
}

void cRollback::StepFrom(uint32_t step, StepEvents* events) {
    states_[step % kStates] = *game_;
    PlayerControls records[kMaxPlayers];
    records[local_] = localRecords_[step % kRing];
    records[1 - local_] = RemoteFor(step);
    StepRecord& r = steps_[step % kRing];
    r.used[0] = records[0];
    r.used[1] = records[1];
    step_(*game_, records, *events);
    r.ended = events->chainEnded;
}

void cRollback::Rollback() {
    const uint32_t from = wrongFrom_;
    wrongFrom_ = UINT32_MAX;
    *game_ = states_[from % kStates];
    for (uint32_t step = from; step < next_; ++step) StepFrom(step, &scratch_);
    ++rollbacks;
    resimulated += next_ - from;
    deepest = std::max(deepest, next_ - from);
}

void cRollback::Confirm() {
    const uint32_t limit = std::min(next_, remoteHeld_);
    for (; confirmed_ < limit; ++confirmed_) {
        const uint32_t step = confirmed_;
        const GameState& after = step + 1 < next_ ? states_[(step + 1) % kStates] : *game_;
        StepRecord& r = steps_[step % kRing];
        r.checksumAfter = StateChecksum(after);
        history_ = (history_ ^ r.checksumAfter) * 0x01000193u;
        r.historyAfter = history_;
        r.resultAfter = after.scene == static_cast<int32_t>(SceneKind::Result);
        r.difficulty = after.result.difficulty;
        r.score = after.result.score;
        if (r.ended && gameOver_ == UINT32_MAX) gameOver_ = step;
    }
}

void cRollback::Advance(const PlayerControls& local, StepEvents* events) {
    // As the other machine will read it: a record it would refuse would
    // stop the game on the line.
    localRecords_[localMade_ % kRing] = SaneRecord(local);
    ++localMade_;
    if (wrongFrom_ < next_) Rollback();
    StepFrom(next_, events);
    ++next_;
    Confirm();
}

bool cRollback::CatchUp() {
    const bool rolled = wrongFrom_ < next_;
    if (rolled) Rollback();
    Confirm();
    return rolled;
}

void cRollback::AddRemote(uint32_t step, const PlayerControls& record) {
    if (step != remoteHeld_) return;  // held already, or after a gap
    if (step >= next_ + kRing / 2) return;  // beyond what the rings keep before it is used
    remoteRecords_[step % kRing] = record;
    ++remoteHeld_;
    // A step already taken on a prediction that this record shows wrong is
    // taken again, with every step after it.
    if (step < next_ && !Same(record, steps_[step % kRing].used[1 - local_])) {
        wrongFrom_ = std::min(wrongFrom_, step);
    }
}

const PlayerControls& cRollback::Local(uint32_t step) const { return localRecords_[step % kRing]; }

bool cRollback::ChecksumAfter(uint32_t step, uint32_t* checksum) const {
    if (step >= confirmed_ || confirmed_ - step > kRing) return false;
    *checksum = steps_[step % kRing].checksumAfter;
    return true;
}

bool cRollback::HistoryAfter(uint32_t step, uint32_t* history) const {
    if (step >= confirmed_ || confirmed_ - step > kRing) return false;
    *history = steps_[step % kRing].historyAfter;
    return true;
}

bool cRollback::RecordsOf(uint32_t step, PlayerControls records[kMaxPlayers]) const {
    if (step >= confirmed_ || confirmed_ - step > kRing) return false;
    for (int p = 0; p < kMaxPlayers; ++p) records[p] = NeutralControls();
    records[0] = steps_[step % kRing].used[0];
    records[1] = steps_[step % kRing].used[1];
    return true;
}

bool cRollback::ResultAfter(uint32_t step, int32_t* difficulty, int32_t* score) const {
    if (step >= confirmed_ || confirmed_ - step > kRing || !steps_[step % kRing].resultAfter) return false;
    *difficulty = steps_[step % kRing].difficulty;
    *score = steps_[step % kRing].score;
    return true;
}

bool cRollback::GameOver(uint32_t* step) const {
    if (gameOver_ == UINT32_MAX) return false;
    *step = gameOver_;
    return true;
}
