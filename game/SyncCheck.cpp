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

// Collects the names of differing fields; bitwise, so a NaN equals itself.
class Differ {
public:
    explicit Differ(std::vector<std::string>* out) : out_(out) {}
    template <typename T>
    void Field(const std::string& name, const T& a, const T& b) {
        if (std::memcmp(&a, &b, sizeof a) != 0) out_->push_back(name);
    }
    void Controls(const std::string& n, const PlayerControls& a, const PlayerControls& b) {
        Field(n + ".x", a.x, b.x);
        Field(n + ".y", a.y, b.y);
        Field(n + ".turnLeft", a.turnLeft, b.turnLeft);
        Field(n + ".turnRight", a.turnRight, b.turnRight);
        Field(n + ".confirm", a.confirm, b.confirm);
        Field(n + ".pause", a.pause, b.pause);
        Field(n + ".digits", a.digits, b.digits);
    }
    void Paddle(const std::string& n, const cPaddle& a, const cPaddle& b) {
        Field(n + ".x", a.x, b.x);
        Field(n + ".y", a.y, b.y);
        Field(n + ".angle", a.angle, b.angle);
        Field(n + ".spin", a.spin, b.spin);
    }
    void Die(const std::string& n, const cFallen& a, const cFallen& b) {
        Field(n + ".id", a.id, b.id);
        Field(n + ".x", a.x, b.x);
        Field(n + ".y", a.y, b.y);
        Field(n + ".vx", a.vx, b.vx);
        Field(n + ".vy", a.vy, b.vy);
        Field(n + ".angle", a.angle, b.angle);
        Field(n + ".spin", a.spin, b.spin);
        Field(n + ".cooldown", a.cooldown, b.cooldown);
        Field(n + ".slot", a.slot, b.slot);
        Field(n + ".face", a.face, b.face);
        Field(n + ".rebounded", a.rebounded, b.rebounded);
        Field(n + ".landed", a.landed, b.landed);
        Field(n + ".unused", a.unused, b.unused);
        Field(n + ".shownX", a.shownX, b.shownX);
        Field(n + ".shownY", a.shownY, b.shownY);
        Field(n + ".shownAngle", a.shownAngle, b.shownAngle);
    }

private:
    std::vector<std::string>* out_;
};

std::string Indexed(const char* name, int i) { return std::string(name) + "[" + std::to_string(i) + "]"; }

}  // namespace

std::vector<std::string> DifferingFields(const GameState& a, const GameState& b) {
    std::vector<std::string> out;
    Differ d(&out);
    d.Field("scene", a.scene, b.scene);
    d.Field("players", a.players, b.players);
    d.Field("spawnCounter", a.spawnCounter, b.spawnCounter);
    d.Field("nextDieId", a.nextDieId, b.nextDieId);
    d.Field("paused", a.paused, b.paused);
    for (int p = 0; p < kMaxPlayers; ++p) d.Controls(Indexed("previous", p), a.previous[p], b.previous[p]);
    d.Field("result.difficulty", a.result.difficulty, b.result.difficulty);
    d.Field("result.score", a.result.score, b.result.score);
    for (int i = 0; i < RandomState::kWords; ++i) {
        d.Field(Indexed("random.words", i), a.random.words[i], b.random.words[i]);
    }
    d.Field("random.index", a.random.index, b.random.index);
    const cSQMain& x = a.board;
    const cSQMain& y = b.board;
    d.Field("board.difficulty", x.difficulty, y.difficulty);
    d.Field("board.score", x.score, y.score);
    for (int s = 0; s < cSQMain::kMaxSlots; ++s) {
        d.Field(Indexed("board.sums", s), x.sums[s], y.sums[s]);
        d.Field(Indexed("board.counts", s), x.counts[s], y.counts[s]);
    }
    d.Field("board.paddleCount", x.paddleCount, y.paddleCount);
    for (int p = 0; p < kMaxPlayers; ++p) d.Paddle(Indexed("board.paddles", p), x.paddles[p], y.paddles[p]);
    d.Field("board.diceCount", x.diceCount, y.diceCount);
    for (int i = 0; i < cSQMain::kMaxDice; ++i) d.Die(Indexed("board.dice", i), x.dice[i], y.dice[i]);
    return out;
}

cSyncCheck::cSyncCheck(int depth, GameStep step)
    : depth_(depth < 0 ? 0 : (depth > kMaxSyncDepth ? kMaxSyncDepth : depth)),
      step_(std::move(step)),
      saved_(std::make_unique<GameState>()),
      past_(static_cast<size_t>(depth_)) {
    for (Past& p : past_) p.before = std::make_unique<GameState>();
}

namespace {

std::string Listed(const std::vector<std::string>& fields) {
    std::string text;
    const size_t shown = fields.size() < 8 ? fields.size() : 8;
    for (size_t i = 0; i < shown; ++i) text += (i ? ", " : "") + fields[i];
    if (fields.size() > shown) text += " and " + std::to_string(fields.size() - shown) + " more";
    return text.empty() ? "no field (the events told differ)" : text;
}

}  // namespace

bool cSyncCheck::Step(GameState& state, const PlayerControls records[kMaxPlayers], StepEvents& events) {
    const uint32_t step = steps_++;
    if (depth_ > 0) {
        Past& p = past_[step % depth_];
        *p.before = state;
        std::memcpy(p.records, records, sizeof p.records);
    }
    *saved_ = state;
    step_(*saved_, records, again_);  // the first run, on the copy
    step_(state, records, events);    // and again from the same start
    if (std::memcmp(saved_.get(), &state, sizeof state) != 0 || !SameEvents(events, again_)) {
        difference_ = "step " + std::to_string(step) + " taken twice from the same state gave two "
                      "games: " + Listed(DifferingFields(*saved_, state));
        return false;
    }
    return LookBack(state);
}

// Goes back as far as the steps kept reach and takes them again: every state
// on the way must be the one the game had, the last the state it has now.
bool cSyncCheck::LookBack(const GameState& now) {
    if (depth_ == 0) return true;
    const uint32_t taken = steps_;
    const uint32_t back = taken < static_cast<uint32_t>(depth_) ? taken : static_cast<uint32_t>(depth_);
    const uint32_t from = taken - back;
    *saved_ = *past_[from % depth_].before;
    for (uint32_t step = from; step < taken; ++step) {
        step_(*saved_, past_[step % depth_].records, again_);
        const GameState& had = step + 1 < taken ? *past_[(step + 1) % depth_].before : now;
        if (std::memcmp(saved_.get(), &had, sizeof had) != 0) {
            difference_ = "step " + std::to_string(step) + " taken again after going back " +
                          std::to_string(taken - from) + " steps gave another game: " +
                          Listed(DifferingFields(*saved_, had));
            return false;
        }
    }
    return true;
}
