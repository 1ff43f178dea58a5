#include "scene/cSceneView.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "audio/cDSound.h"
#include "game/Field.h"
#include "graphics/Overlay.h"
#include "graphics/Texts.h"
#include "graphics/cMetaObject.h"
#include "graphics/cTextureManager.h"
#include "platform/render.h"
#include "platform/translation.h"

namespace {

constexpr uint32_t kSlotSpan = cSQMain::kSlotSpan;
// The counters beside the slots: the left one 32 pixels outside the left line
// (W - (600 + 2 * 32)) / 2 = 68, the right one 39 pixels outside the right line
// (W + (600 + 2 * 39)) / 2 = 739, clear of the panels on either side.
constexpr uint32_t kLeftLabelSpan = kSlotSpan + 2 * 32;   // 664
constexpr uint32_t kRightLabelSpan = kSlotSpan + 2 * 39;  // 678
constexpr int32_t kFull = cSQMain::kFull;

// The score's label keeps its text this far inside the field's right edge.
constexpr int32_t kScoreMargin = 4;
constexpr int32_t kScoreX = 750;
constexpr int32_t kScoreY = 32;
constexpr int32_t kLabelOffset = 16;  // a label's text starts this far left of its position

void SetNumber(cFont* label, int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "%d", static_cast<int>(value));
    if (std::strcmp(label->text, text) != 0) std::snprintf(label->text, sizeof label->text, "%s", text);
}

const cFallen* FindInBoard(const cSQMain& board, uint32_t id) {
    const cFallen* end = board.dice + board.diceCount;
    const cFallen* it = std::lower_bound(board.dice, end, id,
                                         [](const cFallen& d, uint32_t want) { return d.id < want; });
    return it != end && it->id == id ? it : nullptr;
}

template <typename T>
void DeleteAll(std::vector<T*>& objects) {
    for (T*& object : objects) delete object;
    objects.clear();
}

}  // namespace

cSceneView::cSceneView() {
    textureManager.RegisterTexture("Panel", "Graphic/Panel.png");
    // The paddle of a game alone, and those of several players: each its
    // own colour and its player's number.
    textureManager.RegisterTexture("Paddle", "Graphic/Bar.png");
    for (int p = 1; p <= kMaxPlayers; ++p) {
        char name[32];
        char path[32];
        std::snprintf(name, sizeof name, "Paddle%d", p);
        std::snprintf(path, sizeof path, "Graphic/Bar%d.png", p);
        textureManager.RegisterTexture(name, path);
    }
    for (int n = 1; n <= 6; ++n) {
        char name[32];
        char path[32];
        std::snprintf(name, sizeof name, "Dice%d", n);
        std::snprintf(path, sizeof path, "Graphic/die%d.png", n);
        textureManager.RegisterTexture(name, path);
    }
}

cSceneView::~cSceneView() { Clear(); }

void cSceneView::Clear() {
    pauseNotice_.reset();
    objects_.Delete();
    scene_ = SceneKind::None;
}

void cSceneView::HidePauseNotice(bool hide) {
    hidePause_ = hide;
    if (hide) pauseNotice_.reset();  // at once: what covers it comes next
}

void cSceneView::Show(const GameState& state, const StepEvents* events) {
    if (events) {
        for (const GameEvent& event : events->list) Apply(state, event);
    }
    Follow(state);
}

void cSceneView::Apply(const GameState& state, const GameEvent& event) {
    switch (event.kind) {
        case GameEventKind::Pause:
            if (event.value && !hidePause_) {
                pauseNotice_ = NewPauseNotice();
            } else {
                pauseNotice_.reset();
            }
            break;
        case GameEventKind::Scene:
            ReplaceScene(state);
            break;
        case GameEventKind::Bounce: {
            if (DiePicture* picture = FindDie(event.die)) ShowFace(*picture, event.value);
            char sound[32];
            std::snprintf(sound, sizeof sound, "Sound/Pad%d.wav", static_cast<int>(event.value));
            dsound.Play(sound);
            break;
        }
        case GameEventKind::Land:  // by the slot's new sum
            dsound.Play(event.value == kFull ? "Sound/Save.wav"
                                             : (event.value > kFull ? "Sound/Miss.wav"
                                                                    : "Sound/Set.wav"));
            break;
        case GameEventKind::ThrowOff:
            dsound.Play("Sound/Bound.wav");
            break;
        case GameEventKind::FallOut:
            DeleteDie(event.die);
            break;
        case GameEventKind::Spawn:
            // After a rollback the die may have its picture already (the
            // steps taken again spawned it a step later): it is not made twice.
            if (const cFallen* die = FindInBoard(state.board, event.die)) {
                if (!FindDie(die->id)) AddDie(*die);
            }
            break;
    }
}

void cSceneView::ReplaceScene(const GameState& state) {
    // The new scene's objects are made before the old scene's are deleted.
    Objects old = std::move(objects_);
    objects_ = Objects{};
    scene_ = static_cast<SceneKind>(state.scene);
    if (scene_ == SceneKind::Board) {
        BuildBoard(state.board);
    } else if (scene_ == SceneKind::Result) {
        difficulty_ = state.result.difficulty;
        score_ = state.result.score;
        // "難易度%d　：　%d点" (difficulty, full-width space, colon, space,
        // score, points), in the player's language.
        const std::string format = Translate(kTextResult);
        objects_.result = new cFont("", 300, 300);
        objects_.result->utf8 = true;
        std::snprintf(objects_.result->text, sizeof objects_.result->text, format.c_str(),
                      static_cast<int>(difficulty_), static_cast<int>(score_));
    }
    old.Delete();
}

void cSceneView::Objects::Delete() {
    DeleteAll(panels);
    DeleteAll(counters);
    DeleteAll(paddles);
    for (DiePicture& picture : dice) delete picture.sprite;
    dice.clear();
    delete score;
    score = nullptr;
    delete result;
    result = nullptr;
}

void cSceneView::BuildBoard(const cSQMain& board) {
    difficulty_ = board.difficulty;
    paddles_ = board.paddleCount;
    const uint32_t w = kFieldWidth;
    const uint32_t rowHeight = kFieldHeight / static_cast<uint32_t>(board.difficulty);
    const int32_t leftX = static_cast<int32_t>((w - kSlotSpan) >> 1);              // 100
    const int32_t rightX = static_cast<int32_t>((w + kSlotSpan) >> 1);             // 700
    const int32_t leftLabelX = static_cast<int32_t>((w - kLeftLabelSpan) >> 1);    // 68
    const int32_t rightLabelX = static_cast<int32_t>((w + kRightLabelSpan) >> 1);  // 739
    // Made, and so drawn, in this order: slots and counters row by row, the
    // paddles, the score; the dice come later, over all of them.
    for (int32_t r = 0; r < board.difficulty; ++r) {
        const int32_t rowY = static_cast<int32_t>(r * rowHeight + rowHeight / 2);
        const int32_t h = static_cast<int32_t>(rowHeight);
        objects_.panels.push_back(new cSprite("Panel", leftX, rowY, 40, h));
        objects_.panels.push_back(new cSprite("Panel", rightX, rowY, 40, h));
        objects_.counters.push_back(new cFont("0", leftLabelX, rowY));
        objects_.counters.push_back(new cFont("0", rightLabelX, rowY));
    }
    for (int p = 0; p < board.paddleCount; ++p) {
        char name[16];
        std::snprintf(name, sizeof name, board.paddleCount == 1 ? "Paddle" : "Paddle%d", p + 1);
        objects_.paddles.push_back(new cSprite(name, 400, 300, 80, 20));
    }
    objects_.score = new cFont("100", kScoreX, kScoreY);
}

void cSceneView::AddDie(const cFallen& die) {
    // A die's first picture is face one's, then its own face's.
    DiePicture picture{die.id, -1, new cSprite("Dice1", die.shownX, die.shownY, 32, 32)};
    ShowFace(picture, die.face);
    auto at = std::lower_bound(objects_.dice.begin(), objects_.dice.end(), die.id,
                               [](const DiePicture& p, uint32_t id) { return p.id < id; });
    objects_.dice.insert(at, picture);
}

void cSceneView::DeleteDie(uint32_t id) {
    DiePicture* picture = FindDie(id);
    if (!picture) return;
    delete picture->sprite;
    objects_.dice.erase(objects_.dice.begin() + (picture - objects_.dice.data()));
}

void cSceneView::ShowFace(DiePicture& picture, int32_t face) {
    char name[32];
    std::snprintf(name, sizeof name, "Dice%d", static_cast<int>(face + 1));
    ReleaseTexture(picture.sprite->texture);
    picture.sprite->texture = textureManager.CreateTexture(name);
    picture.face = face;
}

cSceneView::DiePicture* cSceneView::FindDie(uint32_t id) {
    auto it = std::lower_bound(objects_.dice.begin(), objects_.dice.end(), id,
                               [](const DiePicture& p, uint32_t want) { return p.id < want; });
    return it != objects_.dice.end() && it->id == id ? &*it : nullptr;
}

void cSceneView::Follow(const GameState& state) {
    const auto scene = static_cast<SceneKind>(state.scene);
    bool same = scene == scene_;
    if (same && scene == SceneKind::Board) {
        same = difficulty_ == state.board.difficulty && paddles_ == state.board.paddleCount;
    } else if (same && scene == SceneKind::Result) {
        same = difficulty_ == state.result.difficulty && score_ == state.result.score;
    }
    if (!same) {
        ReplaceScene(state);
        pauseNotice_.reset();  // made again below, over the new scene
    }
    const bool notice = state.paused && !hidePause_;
    if (notice && !pauseNotice_) pauseNotice_ = NewPauseNotice();
    if (!notice && pauseNotice_) pauseNotice_.reset();

    if (scene_ != SceneKind::Board) return;
    const cSQMain& board = state.board;
    for (size_t p = 0; p < objects_.paddles.size(); ++p) {
        objects_.paddles[p]->angle = board.paddles[p].angle;
        objects_.paddles[p]->SetPosition(board.paddles[p].x, board.paddles[p].y);
    }
    for (size_t s = 0; s < objects_.counters.size(); ++s) SetNumber(objects_.counters[s], board.sums[s]);
    SetNumber(objects_.score, board.score);
    // At (750, 32), unless a long score would run off the field: then as far
    // left as keeps it inside.
    const int32_t inside =
        static_cast<int32_t>(kFieldWidth) - kScoreMargin - objects_.score->TextWidth() + kLabelOffset;
    objects_.score->SetPosition(std::min(kScoreX, inside), kScoreY);
    FollowDice(board);
}

void cSceneView::FollowDice(const cSQMain& board) {
    // Pictures of dice the state no longer holds go; dice without a picture
    // get one. After a stepped state there is nothing to do here.
    bool match = objects_.dice.size() == static_cast<size_t>(board.diceCount);
    for (size_t i = 0; match && i < objects_.dice.size(); ++i) match = objects_.dice[i].id == board.dice[i].id;
    if (!match) {
        for (size_t i = objects_.dice.size(); i-- > 0;) {
            if (!FindInBoard(board, objects_.dice[i].id)) DeleteDie(objects_.dice[i].id);
        }
        for (int32_t i = 0; i < board.diceCount; ++i) {
            if (!FindDie(board.dice[i].id)) AddDie(board.dice[i]);
        }
    }
    for (int32_t i = 0; i < board.diceCount; ++i) {
        const cFallen& die = board.dice[i];
        DiePicture& picture = objects_.dice[static_cast<size_t>(i)];
        if (picture.face != die.face) ShowFace(picture, die.face);
        picture.sprite->angle = die.shownAngle;
        picture.sprite->SetPosition(die.shownX, die.shownY);
    }
}
