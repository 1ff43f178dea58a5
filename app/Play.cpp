#include "app/Play.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/Autopilot.h"
#include "app/Comforts.h"
#include "audio/cDSound.h"
#include "game/SyncCheck.h"
#include "graphics/Graphics.h"
#include "graphics/Overlay.h"
#include "input/LocalPlayers.h"
#include "input/cInput.h"
#include "net/cNetPlay.h"
#include "net/cNetwork.h"
#include "platform/clock.h"
#include "platform/report.h"
#include "platform/window.h"
#include "scene/cSceneView.h"

namespace {

// A silent partner: the field says so after a second, the game ends after
// ten, in either kind of two-machine game.
constexpr uint32_t kShowWaitingMs = cNetPlay::kShowWaitingMs;
constexpr uint32_t kGiveUpMs = cNetPlay::kGiveUpMs;

// A game being written as it is played.
struct Recording {
    std::FILE* file = nullptr;
    std::string path;      // its own name, once finished
    std::string partPath;  // the name it has while it is written
    uint32_t steps = 0;
    uint32_t lastChecksum = 0;
    bool failed = false;
    std::vector<uint8_t> bytes;  // one step's, reused
};

// A recorded game being played back.
struct Playback {
    bool active = false;
    bool fast = false;  // four steps to a frame
    Replay replay;
    uint32_t step = 0;  // the next step to play
};

// The notices about this machine's players, each made again when what it
// says changes.
struct PadNotices {
    int wanted = 0;     // the player the game waits for before it starts
    uint32_t left = 0;  // players whose pad left, named while the game is paused
    int choices[kMaxPlayers] = {};  // difficulties being chosen with Back held
    std::unique_ptr<cOverlay> wantedNotice;
    std::unique_ptr<cOverlay> leftNotice;
    std::unique_ptr<cOverlay> choiceNotices[kMaxPlayers];
};

struct PlayState {
    GameState game;
    StepEvents events;
    Recording recording;
    Playback playback;
    std::unique_ptr<cSyncCheck> syncCheck;
    std::unique_ptr<cSceneView> view;
    std::unique_ptr<cAutopilot> autopilot;  // plays this machine's player instead of its devices
    std::FILE* netLog = nullptr;
    uint32_t recordedConfirmed = 0;  // confirmed steps of a two-machine game written so far
    bool confirmedResult = false;    // the result was the scene after the last confirmed step
    uint32_t steps = 0;              // steps taken in this game
    cLocalPlayers local;     // who plays with what on this machine
    bool localPlay = false;  // this machine makes records (not a replay)
    PadNotices padNotices;
    std::unique_ptr<cOverlay> waitNotice;
    bool quitWhileWaiting = false;
    int quitStatus = 0;
};
// Never destroyed: what it holds goes with ResetPlay, before the graphics
// state it draws into is torn down at exit.
PlayState& play = *new PlayState;

// Keeps the window answering while the step waits for the other machine.
bool WaitForPartner(uint32_t waitedMs) {
    Message message;
    bool uncovered = false;
    while (PeekMessage(&message)) {
        TranslateMessage(message);
        DispatchMessage(message);
        if (message.message == WM_QUIT) {
            play.quitWhileWaiting = true;
            play.quitStatus = static_cast<int>(static_cast<intptr_t>(message.wParam));
            return false;
        }
        uncovered = uncovered || message.message == WM_PAINT;
    }
    if (waitedMs >= kGiveUpMs) return false;
    // Shown once, and again only where the window was uncovered and needs
    // its picture back: a wait that draws nothing new presents nothing new.
    const bool notice = waitedMs >= kShowWaitingMs && !play.waitNotice;
    if (notice) play.waitNotice = NewWaitingNotice();
    if (notice || (uncovered && play.waitNotice)) {
        DrawFrame();
        ShowFrame();
    }
    return true;
}

// Where a pad's choice of difficulty starts: the difficulty being played.
int DifficultyNow() {
    const bool result = play.game.scene == static_cast<int32_t>(SceneKind::Result);
    return result ? play.game.result.difficulty : play.game.board.difficulty;
}

// The field says whose pad the game waits for, whose pads left while it is
// paused, and the difficulties being chosen with Back held.
void ShowPadNotices() {
    PadNotices& n = play.padNotices;
    const int wanted = play.local.WaitingFor();
    if (wanted != n.wanted) {
        n.wantedNotice = wanted != 0 ? NewPadWantedNotice(wanted) : nullptr;
        n.wanted = wanted;
    }
    const uint32_t left = play.game.paused ? play.local.Missing() : 0;
    if (left != n.left) {
        n.leftNotice = left != 0 ? NewPadLeftNotice(left) : nullptr;
        n.left = left;
    }
    for (int p = 0; p < play.local.Players(); ++p) {
        const int choice = play.local.Choice(p);
        if (choice == n.choices[p]) continue;
        n.choiceNotices[p] = choice != 0 ? NewChoiceNotice(p + 1, choice, p) : nullptr;
        n.choices[p] = choice;
    }
}

// This step's records of this machine's players; neutral for the players
// nobody plays here.
void LocalRecords(PlayerControls records[kMaxPlayers]) {
    for (int p = 0; p < kMaxPlayers; ++p) records[p] = NeutralControls();
    if (!play.localPlay) return;
    play.local.Build(input, play.game.paused != 0, DifficultyNow(), records);
    ShowPadNotices();
}

// This machine's player's record in a two-machine game: the game's player
// `playerInGame`, played by the autopilot when it plays.
PlayerControls LocalRecord(int playerInGame) {
    if (play.autopilot) return play.autopilot->Record(play.game, playerInGame);
    PlayerControls records[kMaxPlayers];
    LocalRecords(records);
    return records[0];
}

// Writes one step of the game being recorded: its records and the state
// checksum after it.
void RecordStep(const PlayerControls records[kMaxPlayers], uint32_t checksum) {
    Recording& r = play.recording;
    if (!r.file || r.failed) return;
    r.bytes.clear();
    AppendReplayStep(&r.bytes, records, play.game.players, r.steps, checksum);
    if (std::fwrite(r.bytes.data(), 1, r.bytes.size(), r.file) != r.bytes.size()) {
        Report("record", "%s: cannot write: the recording stops here", r.partPath.c_str());
        r.failed = true;
    }
    r.lastChecksum = checksum;
    ++r.steps;
}

// One step of the game on `records`: stepped (twice under the sync test),
// written to the recording, checked against the replay, shown.
StepEnd StepOnce(const PlayerControls records[kMaxPlayers]) {
    const uint32_t step = play.steps++;
    if (play.syncCheck) {
        if (!play.syncCheck->Step(play.game, records, play.events)) {
            Report("sync test", "step %u taken twice from the same state gave two games: the "
                   "step reads or writes something outside the game's state",
                   static_cast<unsigned>(step));
            return StepEnd::Failed;
        }
    } else {
        StepGame(play.game, records, play.events);
    }
    // A replay ends when its recording does, every checksum checked, even
    // when the recording goes on a step or two after the game's last.
    if (play.events.chainEnded && !play.playback.active) PostQuitMessage(0);
    if (!play.view) play.view = std::make_unique<cSceneView>();
    play.view->Show(play.game, &play.events);

    if (play.recording.file) RecordStep(records, StateChecksum(play.game));
    for (const GameEvent& e : play.events.list) {
        if (e.kind == GameEventKind::Scene && e.value == static_cast<int32_t>(SceneKind::Result)) {
            RoundEnded(play.game.result.difficulty, play.game.result.score);
        }
    }

    Playback& p = play.playback;
    if (p.active) {
        const uint32_t played = ++p.step;
        const Replay& replay = p.replay;
        const bool checked = played % kReplayChecksumEvery == 0 || played == replay.Steps();
        if (checked) {
            const uint32_t want = played % kReplayChecksumEvery == 0
                                      ? replay.checksums[played / kReplayChecksumEvery - 1]
                                      : replay.finalChecksum;
            const uint32_t mine = StateChecksum(play.game);
            if (mine != want) {
                Report("replay", "the game no longer matches the recording at step %u (state "
                       "checksum %08X after it, recorded %08X)", static_cast<unsigned>(played - 1),
                       static_cast<unsigned>(mine), static_cast<unsigned>(want));
                return StepEnd::Failed;
            }
        }
        if (played == replay.Steps()) {
            Report("replay", "played all %u steps; every checksum matched the recording",
                   static_cast<unsigned>(played));
            PostQuitMessage(0);
            p.active = false;
        }
    }
    return StepEnd::Going;
}

}  // namespace

void SeedPlay(uint32_t seed, int players) { SeedGame(play.game, seed, players); }

bool StartPlay(const AppOptions& options) {
    play.localPlay = false;
    play.padNotices = PadNotices{};
    if (play.playback.active) {  // the recording plays every player
        play.game.players = play.playback.replay.players;
        StartComforts(false, false);
        return true;
    }
    // A two-machine game has one player here, whom a pad that leaves only
    // puts at rest. On one machine the mouse is player 1 and the pads, in the
    // order they arrive, the others; the game waits for the first pad of
    // each (WaitForLocalPads), and pauses while one is away.
    const bool twoMachines = netActive || netPlay.Active();
    const int players =
        twoMachines ? 2 : (options.players < 1 ? 1 : std::min(options.players, kMaxPlayers));
    play.game.players = players;
    play.local.Start(twoMachines ? 1 : players, !twoMachines);
    play.local.FollowPads(input);
    play.localPlay = true;
    // Of a two-machine game only the host keeps scores.
    const bool host = netPlay.Active() ? netPlay.IsHost() : (!netActive || netRole == 1);
    StartComforts(host, !twoMachines);
    return true;
}

bool WaitForLocalPads() {
    if (!play.localPlay) return false;
    play.local.FollowPads(input);
    ShowPadNotices();
    return play.local.WaitingFor() != 0;
}

void ShowFirstScene() {
    CreateFirstScene(play.game);
    if (!play.view) play.view = std::make_unique<cSceneView>();
    play.view->Show(play.game, nullptr);
}

StepEnd GatherControls(PlayerControls records[kMaxPlayers], int* quitStatus) {
    for (int p = 0; p < kMaxPlayers; ++p) records[p] = NeutralControls();
    const LocalOverride aids = ComfortsBeforeStep(play.game);
    if (!netActive) {
        LocalRecords(records);
        if (play.autopilot) records[0] = play.autopilot->Record(play.game, 0);
        ApplyOverride(aids, records, play.local.Players());
        return StepEnd::Going;
    }
    PlayerControls mine = LocalRecord(netRole == 1 ? 0 : 1);
    ApplyOverride(aids, &mine, 1);
    const PadState local = PackControls(mine);
    PadState player1{}, player2{};
    play.quitWhileWaiting = false;
    const ExchangeResult result = ExchangePadStates(local, PackControls(NeutralControls()),
                                                    &player1, &player2, WaitForPartner);
    play.waitNotice.reset();
    if (result == ExchangeResult::Failed) return StepEnd::Failed;
    if (result == ExchangeResult::GaveUp) {
        if (play.quitWhileWaiting) {
            *quitStatus = play.quitStatus;
            return StepEnd::Quit;
        }
        Report("network", "the other machine has not answered for %u seconds",
               static_cast<unsigned>(kGiveUpMs / 1000));
        return StepEnd::Failed;
    }
    records[0] = UnpackControls(player1);
    records[1] = UnpackControls(player2);
    return StepEnd::Going;
}

StepEnd StepPlay(const PlayerControls records[kMaxPlayers], bool* paused) {
    StepEnd end = StepEnd::Going;
    if (!play.playback.active) {
        end = StepOnce(records);
    } else {
        const int times = play.playback.fast ? 4 : 1;
        if (play.playback.replay.Steps() == 0) {  // nothing to play
            PostQuitMessage(0);
            play.playback.active = false;
        }
        for (int i = 0; i < times && play.playback.active && end == StepEnd::Going; ++i) {
            const Replay& replay = play.playback.replay;
            PlayerControls recorded[kMaxPlayers];
            for (int p = 0; p < replay.players; ++p) {
                recorded[p] = replay.records[static_cast<size_t>(play.playback.step) * replay.players + p];
            }
            end = StepOnce(recorded);
        }
    }
    ComfortsAfterStep(play.game, play.view.get());
    *paused = play.game.paused != 0;
    return end;
}

StepEnd StepNetPlay(bool* paused) {
    PlayerControls local = LocalRecord(netPlay.IsHost() ? 0 : 1);
    ApplyOverride(ComfortsBeforeStep(play.game), &local, 1);
    bool rolledBack = false;
    const cNetPlay::Frame frame = netPlay.Play(local, &play.events, &rolledBack);
    if (frame == cNetPlay::Frame::Failed) return StepEnd::Failed;
    if (!play.view) play.view = std::make_unique<cSceneView>();
    // The new step's sounds and pictures; after a rollback without a new
    // step, the picture only follows the state the steps were taken to.
    const bool stepped = frame == cNetPlay::Frame::Stepped;
    if (stepped || rolledBack) play.view->Show(play.game, stepped ? &play.events : nullptr);
    if (frame == cNetPlay::Frame::Ended) PostQuitMessage(0);

    // The confirmed steps are the game both machines played: they are what a
    // recording keeps and the log lists.
    const cRollback& rollback = netPlay.Rollback();
    for (; play.recordedConfirmed < rollback.Confirmed(); ++play.recordedConfirmed) {
        const uint32_t step = play.recordedConfirmed;
        PlayerControls records[kMaxPlayers];
        uint32_t checksum = 0;
        if (!rollback.RecordsOf(step, records) || !rollback.ChecksumAfter(step, &checksum)) {
            // Never skipped silently: every later step would be off by one.
            if (play.recording.file && !play.recording.failed) {
                Report("record", "step %u is no longer at hand: the recording stops here",
                       static_cast<unsigned>(step));
                play.recording.failed = true;
            }
            continue;
        }
        RecordStep(records, checksum);
        if (play.netLog) std::fprintf(play.netLog, "c %u %08X\n", step, checksum);
        int32_t difficulty = 0, score = 0;
        const bool result = rollback.ResultAfter(step, &difficulty, &score);
        if (result && !play.confirmedResult) RoundEnded(difficulty, score);
        play.confirmedResult = result;
    }
    if (play.netLog && stepped) {
        std::fprintf(play.netLog, "s %u %u\n", timeGetTime(), rollback.Next() - 1);
    }
    const bool silent = netPlay.SilentMs() >= kShowWaitingMs;
    if (silent && !play.waitNotice) {
        play.waitNotice = NewWaitingNotice();
    } else if (!silent && play.waitNotice) {
        play.waitNotice.reset();
    }
    ComfortsAfterStep(play.game, play.view.get());
    *paused = play.game.paused != 0;
    return StepEnd::Going;
}

void UseAutopilot(bool on, uint32_t seed) {
    play.autopilot = on ? std::make_unique<cAutopilot>(seed) : nullptr;
}

bool OpenNetLog(const std::string& path, std::string* error) {
    play.netLog = std::fopen(path.c_str(), "w");
    if (!play.netLog) *error = path + ": " + std::strerror(errno);
    return play.netLog != nullptr;
}

void CloseNetLog() {
    if (!play.netLog) return;
    const cRollback& r = netPlay.Rollback();
    std::fprintf(play.netLog, "end rollbacks %llu resimulated %llu deepest %u skipped %u stalls %u "
                 "dropped %llu round-trip %u\n",
                 static_cast<unsigned long long>(r.rollbacks),
                 static_cast<unsigned long long>(r.resimulated), static_cast<unsigned>(r.deepest),
                 static_cast<unsigned>(netPlay.skipped), static_cast<unsigned>(netPlay.stalls),
                 static_cast<unsigned long long>(netPlay.dropped),
                 static_cast<unsigned>(netPlay.RoundTripMs()));
    std::fclose(play.netLog);
    play.netLog = nullptr;
}

void HandleLocalKeys() {
    if (input.KeyPressed(DIK_M)) dsound.SetMuted(!dsound.muted);
    // Back and Start held on a pad for a second (asked for in the step before).
    if (play.local.TakeFullscreenRequest()) ToggleFullscreen(input.window);
    if (play.playback.active && input.KeyPressed(DIK_F)) play.playback.fast = !play.playback.fast;
}

bool StartRecording(const std::string& path, uint32_t seed, int players, std::string* error) {
    Recording& r = play.recording;
    r = Recording{};
    r.path = path;
    r.partPath = path + ".part";
    r.file = std::fopen(r.partPath.c_str(), "wb");
    if (!r.file) {
        *error = r.partPath + ": " + std::strerror(errno);
        return false;
    }
    const std::vector<uint8_t> header = ReplayHeader(seed, players, KAZIRO_VERSION);
    if (std::fwrite(header.data(), 1, header.size(), r.file) != header.size()) {
        *error = r.partPath + ": cannot write";
        std::fclose(r.file);
        std::remove(r.partPath.c_str());
        r.file = nullptr;
        return false;
    }
    return true;
}

bool FinishRecording() {
    Recording& r = play.recording;
    if (!r.file) return true;
    const std::vector<uint8_t> trailer = ReplayTrailer(r.steps, r.lastChecksum);
    bool ok = !r.failed && std::fwrite(trailer.data(), 1, trailer.size(), r.file) == trailer.size();
    ok = std::fclose(r.file) == 0 && ok;
    r.file = nullptr;
    if (ok && std::rename(r.partPath.c_str(), r.path.c_str()) != 0) {
        Report("record", "%s: cannot rename it to %s: %s", r.partPath.c_str(), r.path.c_str(),
               std::strerror(errno));
        return false;
    }
    if (!ok) {
        Report("record", "%s: the recording could not be finished; what was written stays there",
               r.partPath.c_str());
        return false;
    }
    Report("record", "%u steps written to %s", static_cast<unsigned>(r.steps), r.path.c_str());
    return true;
}

bool LoadReplay(const std::string& path, Replay* replay, std::string* error) {
    // A replay of a whole run is a few megabytes; anything past this is not one.
    constexpr long kLargest = 256L * 1024 * 1024;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        *error = std::strerror(errno);
        return false;
    }
    std::vector<uint8_t> bytes;
    uint8_t chunk[65536];
    size_t n = 0;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + n);
        if (static_cast<long>(bytes.size()) > kLargest) break;
    }
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError) {
        *error = "cannot be read";
        return false;
    }
    if (static_cast<long>(bytes.size()) > kLargest) {
        *error = "too large to be a kaziro replay";
        return false;
    }
    return ParseReplay(bytes.data(), bytes.size(), replay, error);
}

void StartPlayback(Replay replay) {
    play.playback = Playback{};
    play.playback.replay = std::move(replay);
    play.playback.active = true;
}

void UseSyncCheck(bool on) {
    if (on) {
        play.syncCheck = std::make_unique<cSyncCheck>();
    } else {
        play.syncCheck.reset();
    }
}

void NoteStepDone() {
    if (netActive) NoteStateChecksum(StateChecksum(play.game));
}

GameState& PlayedGame() { return play.game; }

void ResetPlay() {
    play.waitNotice.reset();
    play.padNotices = PadNotices{};
    play.view.reset();
    play.playback = Playback{};
    play.syncCheck.reset();
    play.autopilot.reset();
    play.recordedConfirmed = 0;
    play.confirmedResult = false;
    EndComforts();
    if (play.recording.file) {  // not finished: a game that never took a step leaves nothing
        std::fclose(play.recording.file);
        if (play.recording.steps == 0) std::remove(play.recording.partPath.c_str());
    }
    play.recording = Recording{};
    CloseNetLog();
    play.steps = 0;
    play.local = cLocalPlayers{};
    play.localPlay = false;
    play.game = GameState{};
    play.events.Clear();
}
