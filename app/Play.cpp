#include "app/Play.h"

#include <algorithm>

#include "app/Autopilot.h"
#include "audio/cDSound.h"
#include "game/SyncCheck.h"
#include "graphics/Overlay.h"
#include "input/cInput.h"
#include "platform/report.h"
#include "platform/window.h"
#include "scene/cSceneView.h"

cPlay::cPlay() = default;
cPlay::~cPlay() = default;

void cPlay::Seed(uint32_t seed, int players) { SeedGame(game_, seed, players); }

bool cPlay::Start(const AppOptions& options, cNetSession* session) {
    localPlay_ = false;
    padNotices_.Clear();
    session_ = session;
    if (playback_.Active()) {  // the recording plays every player
        game_.players = playback_.Players();
        comforts_.Start(false, false);
        return true;
    }
    // A two-machine game has one player here, whom a pad that leaves only
    // puts at rest. On one machine the mouse is player 1 and the pads, in the
    // order they arrive, the others; the game waits for the first pad of
    // each (WaitForLocalPads), and pauses while one is away.
    const bool twoMachines = session != nullptr;
    const int players = twoMachines ? 2 : std::clamp(options.players, 1, kMaxPlayers);
    game_.players = players;
    local_.Start(twoMachines ? 1 : players, !twoMachines);
    local_.FollowPads(input);
    localPlay_ = true;
    // Of a two-machine game only the host keeps scores.
    comforts_.Start(!session || session->IsHost(), !twoMachines);
    if (session && session->WayThere() != cNetSession::Way::Given) {
        netLog_.Way(session->WayThere() == cNetSession::Way::Direct ? "direct" : "relay");
    }
    return true;
}

bool cPlay::WaitForLocalPads() {
    if (!localPlay_) return false;
    local_.FollowPads(input);
    padNotices_.Show(local_, game_.paused != 0);
    return local_.WaitingFor() != 0;
}

void cPlay::ShowFirstScene() {
    CreateFirstScene(game_);
    Show(nullptr);
    if (session_) session_->Begin(&game_, stepper_);
}

void cPlay::HandleLocalKeys() {
    if (away_) return;
    if (input.KeyPressed(DIK_M)) dsound.SetMuted(!dsound.muted);
    if (input.KeyPressed(input.bindings.fullscreenKey)) ToggleFullscreen(input.window);
    // Back and Start held on a pad for a second (asked for in the step before).
    if (local_.TakeFullscreenRequest()) ToggleFullscreen(input.window);
    if (playback_.Active() && input.KeyPressed(DIK_F)) playback_.ToggleFast();
}

StepEnd cPlay::Step(bool* paused, int* quitStatus) {
    return session_ ? NetFrame(paused, quitStatus) : LocalFrame(paused);
}

void cPlay::UseAutopilot(bool on, uint32_t seed) {
    autopilot_ = on ? std::make_unique<cAutopilot>(seed) : nullptr;
}

void cPlay::UseSyncCheck(bool on, int depth) {
    syncFailed_ = false;
    if (!on) {
        syncCheck_.reset();
        stepper_ = StepGame;
        return;
    }
    syncCheck_ = std::make_unique<cSyncCheck>(depth);
    // After the first difference the game goes on unchecked; the frame ends it.
    stepper_ = [this](GameState& state, const PlayerControls records[kMaxPlayers], StepEvents& events) {
        if (syncFailed_) return StepGame(state, records, events);
        if (syncCheck_->Step(state, records, events)) return;
        syncFailed_ = true;
        Report("sync test", "%s; the step reads or writes something outside the game's state",
               syncCheck_->Difference().c_str());
    };
}

bool cPlay::OpenNetLog(const std::string& path, std::string* error) { return netLog_.Open(path, error); }

bool cPlay::StartRecording(const std::string& path, uint32_t seed, int players, std::string* error) {
    return recording_.Start(path, seed, players, error);
}

bool cPlay::StartKeeping(const std::string& path, uint32_t seed, int players, std::string* error) {
    return keeping_.Start(path, seed, players, error);
}

bool cPlay::Recording() const { return recording_.Writing() || keeping_.Writing(); }

void cPlay::StopRecordings(const std::string& why) {
    recording_.Stop(why);
    keeping_.Stop(why);
}

void cPlay::StartPlayback(Replay replay) { playback_.Start(std::move(replay)); }

bool cPlay::Finish(std::string* kept) {
    netLog_.Close(session_ ? session_->Stats() : NetStats{});
    const bool ok = recording_.Finish();
    // A game that never took a step is no replay worth keeping: its file
    // goes with the recording.
    const bool keep = keeping_.Steps() > 0 && keeping_.Finish();
    if (kept) *kept = keep ? keeping_.Path() : "";
    return ok;
}

void cPlay::GameEnded() {
    over_ = true;
    if (quitsAtEnd_) PostQuitMessage(0);
}

void cPlay::RedrawTexts() {
    view_.reset();
    Show(nullptr);
    comforts_.Redraw(game_, view_.get());
    padNotices_.Clear();
    if (waitNotice_) waitNotice_ = NewWaitingNotice();
}

cPlay::Summary cPlay::GameSummary() const {
    Summary s = summary_;
    s.players = game_.players;
    return s;
}

// Where a pad's choice of difficulty starts: the difficulty being played.
int cPlay::DifficultyNow() const {
    const bool result = game_.scene == static_cast<int32_t>(SceneKind::Result);
    return result ? game_.result.difficulty : game_.board.difficulty;
}

// This step's records of this machine's players; neutral for the players
// nobody plays here.
void cPlay::LocalRecords(PlayerControls records[kMaxPlayers]) {
    for (int p = 0; p < kMaxPlayers; ++p) records[p] = NeutralControls();
    if (!localPlay_) return;
    if (away_) {  // at rest where the paddles are
        for (int p = 0; p < game_.players; ++p) {
            records[p].x = game_.previous[p].x;
            records[p].y = game_.previous[p].y;
        }
        return;
    }
    local_.Build(input, game_.paused != 0, DifficultyNow(), records);
    padNotices_.Show(local_, game_.paused != 0);
}

// This machine's player's record in a two-machine game: the game's player
// `playerInGame`, played by the autopilot when it plays.
PlayerControls cPlay::LocalRecord(int playerInGame) {
    if (autopilot_) return autopilot_->Record(game_, playerInGame);
    PlayerControls records[kMaxPlayers];
    LocalRecords(records);
    if (away_) {
        records[0].x = game_.previous[playerInGame].x;
        records[0].y = game_.previous[playerInGame].y;
    }
    return records[0];
}

// The one place the picture is made and brought in line with the state:
// with the step's events, or (no events) after a rollback without a new step.
void cPlay::Show(const StepEvents* events) {
    if (!view_) view_ = std::make_unique<cSceneView>();
    view_->Show(game_, events);
}

// Every confirmed step, of one machine or two, goes this way.
void cPlay::Confirm(uint32_t step, const ConfirmedStep& s) {
    recording_.Step(s.records, game_.players, s.checksum);
    keeping_.Step(s.records, game_.players, s.checksum);
    netLog_.Confirmed(step, s.checksum);
    if (s.resultAfter && !resultBefore_) {
        comforts_.RoundEnded(s.difficulty, s.score);
        summary_.score = s.score;
    }
    resultBefore_ = s.resultAfter;
    summary_.steps = step + 1;
    if (game_.scene == static_cast<int32_t>(SceneKind::Board)) {
        summary_.difficulty = std::max(summary_.difficulty, static_cast<int>(game_.board.difficulty));
        if (!s.resultAfter) summary_.score = game_.board.score;
    }
}
