// The game as the player sees and hears it: the display objects of the scene
// the state holds (the board's panels, counters, paddles, dice and score; the
// result's line) and the pause notice over them, kept in line with the state
// after every step, and the sounds of what happened in it.
//
// The game's step touches no device; this view makes the platform calls the
// step's events ask for, in the order they happened: the new face's picture
// and sound of a bounce, the sounds of landings and throw-offs, dice made and
// deleted, a new scene's objects made before the old scene's are deleted.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "game/GameState.h"

class cFont;
class cOverlay;
class cSprite;

class cSceneView {
public:
    // Registers the pictures the scenes use.
    cSceneView();
    // Deletes every display object.
    ~cSceneView();
    cSceneView(const cSceneView&) = delete;
    cSceneView& operator=(const cSceneView&) = delete;

    // Applies what happened in a step, then brings every object, position,
    // angle and text in line with the state after it. With no events (a
    // state that was restored rather than stepped to) the picture is only
    // brought in line: objects made or deleted, faces changed, no sound.
    void Show(const GameState& state, const StepEvents* events);
    // Deletes every display object (the scene's and the notice).
    void Clear();
    // Keeps the pause notice off the field while something else covers it
    // (the help), or lets it show again.
    void HidePauseNotice(bool hide);

private:
    struct DiePicture {
        uint32_t id;
        int32_t face;
        cSprite* sprite;
    };

    // Everything one scene shows, in the order it was made.
    struct Objects {
        std::vector<cSprite*> panels;
        std::vector<cFont*> counters;
        std::vector<cSprite*> paddles;
        std::vector<DiePicture> dice;  // spawn order, as the state holds them
        cFont* score = nullptr;
        cFont* result = nullptr;
        // Deletes them in the order a scene takes them down: panels, counters,
        // paddles, dice, score; the result line.
        void Delete();
    };

    void Apply(const GameState& state, const GameEvent& event);
    // Makes the objects of the state's scene, then deletes those shown so far.
    void ReplaceScene(const GameState& state);
    void BuildBoard(const cSQMain& board);
    void AddDie(const cFallen& die);
    void DeleteDie(uint32_t id);
    void ShowFace(DiePicture& picture, int32_t face);
    DiePicture* FindDie(uint32_t id);
    void Follow(const GameState& state);
    void FollowDice(const cSQMain& board);

    SceneKind scene_ = SceneKind::None;  // the scene whose objects are shown
    int32_t difficulty_ = 0;             // of the board or the result shown
    int32_t score_ = 0;                  // of the result shown
    int32_t paddles_ = 0;                // of the board shown
    Objects objects_;
    std::unique_ptr<cOverlay> pauseNotice_;
    bool hidePause_ = false;
};
