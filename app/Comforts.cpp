#include "app/Comforts.h"

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "app/Scores.h"
#include "audio/cDSound.h"
#include "graphics/Overlay.h"
#include "graphics/Texts.h"
#include "input/cInput.h"
#include "platform/translation.h"
#include "scene/cSceneView.h"

namespace {

// A key, a click or a pad's A, B or Start that began in this step.
bool AnyPress() {
    for (int code = 1; code < 256; ++code) {
        if (input.KeyPressed(code)) return true;
    }
    const MouseState& now = input.mouse;
    const MouseState& before = input.prevMouse;
    if ((now.left && !before.left) || (now.right && !before.right) || (now.middle && !before.middle)) {
        return true;
    }
    for (int slot = 0; slot < kPadSlots; ++slot) {
        if (!input.HasPad(slot)) continue;
        for (int k : {PAD_A, PAD_B, PAD_START}) {
            if (input.PadButtonPressed(slot, k)) return true;
        }
    }
    return false;
}

// The help's key (F1 unless the player chose another), or its pad button on any pad.
bool HelpPressed() {
    if (input.KeyPressed(input.bindings.helpKey)) return true;
    for (int slot = 0; slot < kPadSlots; ++slot) {
        if (input.HasPad(slot) && input.PadButtonPressed(slot, input.bindings.helpPad)) return true;
    }
    return false;
}

}  // namespace

cComforts::~cComforts() { End(); }

void cComforts::Start(bool keepScores, bool pausesHere) {
    End();
    keepScores_ = keepScores;
    pausesHere_ = pausesHere;
    if (keepScores) scores_ = LoadScores();
}

LocalOverride cComforts::BeforeStep(const GameState& game) {
    LocalOverride o;
    if (away_) return o;
    if (helpOpen_) {
        o.neutral = true;
        if (AnyPress()) {
            helpOpen_ = false;
            o.pressPause = pausedForHelp_ && game.paused;  // as it was before the help
            pausedForHelp_ = false;
        }
    } else if (HelpPressed()) {
        helpOpen_ = true;
        o.neutral = true;
        o.pressPause = pausedForHelp_ = pausesHere_ && !game.paused;
    }
    // The window losing the focus (or minimised) pauses a game of one machine.
    const bool focus = input.devices && input.devices->HasFocus(input.window);
    if (hadFocus_ && !focus && pausesHere_ && !game.paused && !o.pressPause) {
        o.pressPause = true;
    }
    hadFocus_ = focus;
    return o;
}

void ApplyOverride(const LocalOverride& o, PlayerControls records[kMaxPlayers], int localPlayers) {
    if (o.neutral) {
        for (int p = 0; p < localPlayers && p < kMaxPlayers; ++p) {
            const PlayerControls rest = records[p];
            records[p] = NeutralControls();
            records[p].x = rest.x;  // the paddle stays where it is
            records[p].y = rest.y;
        }
    }
    if (o.pressPause) records[0].pause = 1;
}

void cComforts::AfterStep(const GameState& game, cSceneView* view) {
    if (helpOpen_ && !helpShown_) {
        if (view) view->HidePauseNotice(true);
        helpShown_ = NewHelp();
    } else if (!helpOpen_ && helpShown_) {
        helpShown_.reset();
        if (view) view->HidePauseNotice(false);
    }
    const bool result = game.scene == static_cast<int32_t>(SceneKind::Result) &&
                        game.result.difficulty == notesFor_ && !notes_.empty();
    if (result && !notesShown_) {
        // In the player's language of the moment.
        std::vector<std::string> lines;
        for (const Note& n : notes_) lines.push_back(TranslateFormat(n.text, n.value));
        notesShown_ = NewResultNotes(lines);
    }
    if (!result && notesShown_) notesShown_.reset();
    if (dsound.muted && !muteSign_) muteSign_ = NewMuteSign();
    if (!dsound.muted && muteSign_) muteSign_.reset();
}

void cComforts::RoundEnded(int32_t difficulty, int32_t score) {
    // A run: the rounds of difficulty 1, 2, ... 9, each after the one before.
    if (difficulty == 1) {
        runNext_ = 2;
        runTotal_ = score;
    } else if (runNext_ == difficulty) {
        ++runNext_;
        runTotal_ += score;
    } else {
        runNext_ = 0;
    }
    std::vector<Note>& notes = notes_;
    notes.clear();
    if (keepScores_) {
        const bool best = scores_.RecordRound(difficulty, score, Today());
        notes.push_back(best ? Note{kTextNewBest, 0} : Note{kTextBestScore, scores_.Best(difficulty)});
        if (difficulty == 9 && runNext_ == 10) {
            scores_.RecordRunTotal(runTotal_, Today());
            notes.push_back({kTextRunTotal, runTotal_});
            notes.push_back({kTextBestTotal, scores_.BestTotal()});
        }
        SaveScores(scores_);
    }
    notes.push_back({kTextClickToContinue, 0});
    notesFor_ = difficulty;
    notesShown_.reset();  // made again with these notes
}

void cComforts::Redraw(const GameState& game, cSceneView* view) {
    notesShown_.reset();
    const bool help = helpShown_ != nullptr;
    helpShown_.reset();
    if (help) helpShown_ = NewHelp();
    muteSign_.reset();
    AfterStep(game, view);
}

void cComforts::End() {
    notesShown_.reset();
    helpShown_.reset();
    muteSign_.reset();
    notes_.clear();
    helpOpen_ = pausedForHelp_ = hadFocus_ = false;
    runNext_ = runTotal_ = 0;
    notesFor_ = 0;
}
