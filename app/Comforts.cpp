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

struct Comforts {
    bool keepScores = false;
    bool pausesHere = false;
    Scores scores;
    int runNext = 0;   // the difficulty a run from 1 to 9 goes on with (0: none)
    int runTotal = 0;
    std::vector<std::string> notes;  // under the result of difficulty notesFor
    int32_t notesFor = 0;
    std::unique_ptr<cOverlay> notesShown;
    bool helpOpen = false;
    bool pausedForHelp = false;
    std::unique_ptr<cOverlay> helpShown;
    bool hadFocus = false;
    std::unique_ptr<cOverlay> muteSign;
};
Comforts& comforts = *new Comforts;


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

}  // namespace

void StartComforts(bool keepScores, bool pausesHere) {
    EndComforts();
    comforts.keepScores = keepScores;
    comforts.pausesHere = pausesHere;
    if (keepScores) comforts.scores = LoadScores();
}

LocalOverride ComfortsBeforeStep(const GameState& game) {
    LocalOverride o;
    if (comforts.helpOpen) {
        o.neutral = true;
        if (AnyPress()) {
            comforts.helpOpen = false;
            o.pressPause = comforts.pausedForHelp && game.paused;  // as it was before the help
            comforts.pausedForHelp = false;
        }
    } else if (input.KeyPressed(DIK_F1)) {
        comforts.helpOpen = true;
        o.neutral = true;
        o.pressPause = comforts.pausedForHelp = comforts.pausesHere && !game.paused;
    }
    // The window losing the focus (or minimised) pauses a game of one machine.
    const bool focus = input.devices && input.devices->HasFocus(input.window);
    if (comforts.hadFocus && !focus && comforts.pausesHere && !game.paused && !o.pressPause) {
        o.pressPause = true;
    }
    comforts.hadFocus = focus;
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

void ComfortsAfterStep(const GameState& game, cSceneView* view) {
    if (comforts.helpOpen && !comforts.helpShown) {
        if (view) view->HidePauseNotice(true);
        comforts.helpShown = NewHelp();
    } else if (!comforts.helpOpen && comforts.helpShown) {
        comforts.helpShown.reset();
        if (view) view->HidePauseNotice(false);
    }
    const bool result = game.scene == static_cast<int32_t>(SceneKind::Result) &&
                        game.result.difficulty == comforts.notesFor && !comforts.notes.empty();
    if (result && !comforts.notesShown) comforts.notesShown = NewResultNotes(comforts.notes);
    if (!result && comforts.notesShown) comforts.notesShown.reset();
    if (dsound.muted && !comforts.muteSign) comforts.muteSign = NewMuteSign();
    if (!dsound.muted && comforts.muteSign) comforts.muteSign.reset();
}

void RoundEnded(int32_t difficulty, int32_t score) {
    // A run: the rounds of difficulty 1, 2, ... 9, each after the one before.
    if (difficulty == 1) {
        comforts.runNext = 2;
        comforts.runTotal = score;
    } else if (comforts.runNext == difficulty) {
        ++comforts.runNext;
        comforts.runTotal += score;
    } else {
        comforts.runNext = 0;
    }
    std::vector<std::string>& notes = comforts.notes;
    notes.clear();
    if (comforts.keepScores) {
        const bool best = comforts.scores.RecordRound(difficulty, score);
        notes.push_back(best ? Translate(kTextNewBest)
                             : TranslateFormat(kTextBestScore, comforts.scores.Best(difficulty)));
        if (difficulty == 9 && comforts.runNext == 10) {
            comforts.scores.RecordRunTotal(comforts.runTotal);
            notes.push_back(TranslateFormat(kTextRunTotal, comforts.runTotal));
            notes.push_back(TranslateFormat(kTextBestTotal, comforts.scores.BestTotal()));
        }
        SaveScores(comforts.scores);
    }
    notes.push_back(Translate(kTextClickToContinue));
    comforts.notesFor = difficulty;
    comforts.notesShown.reset();  // made again with these notes
}

void EndComforts() {
    comforts.notesShown.reset();
    comforts.helpShown.reset();
    comforts.muteSign.reset();
    comforts.notes.clear();
    comforts.helpOpen = comforts.pausedForHelp = comforts.hadFocus = false;
    comforts.runNext = comforts.runTotal = 0;
    comforts.notesFor = 0;
}
