// The scene chain: the game moves from screen to screen through scenes.
//
// Each scene may hold one child; only the scene at the bottom of the chain
// (one without a child) runs its Update in a logic step. A scene's Update
// answers with itself (go on), a new scene (replace me) or null (I have
// ended); the scene above it deletes it in that same step.
#pragma once

class cSequence {
public:
    cSequence() = default;
    virtual ~cSequence();
    cSequence(const cSequence&) = delete;
    cSequence& operator=(const cSequence&) = delete;

    // One logic step of a scene without a child: itself, a successor that
    // nobody owns yet, or null when the scene has ended.
    virtual cSequence* Update() = 0;
    // Called right after the child ended without a successor and was deleted.
    virtual void OnChildEnd() {}
    // Called once at the end of a root's construction.
    virtual void Init() {}

    // Walks the chain below this scene for one step. Returns this scene
    // whenever it has a child (replacements stay at the level where they
    // happen), otherwise the result of its own Update.
    cSequence* Step();

    cSequence* child = nullptr;   // owned
    cSequence* parent = nullptr;  // not owned; set only when a root adopts its first child

protected:
    // Applies a child's step result r: keeps the child, installs a successor,
    // or calls OnChildEnd when the child ended.
    void ApplyChildResult(cSequence* r);

    friend bool StepRootScene(class cSQDefault& root);
};

// The root scene held by the main loop.
class cSQDefault : public cSequence {
public:
    // Adopts the first scene as its child, then calls Init.
    explicit cSQDefault(cSequence* first);
    // Itself while it has a child; null once the chain below it has ended.
    cSequence* Update() override;
};

// The root's walk for one logic step. Returns false when the root has no child
// and its Update answered null: the chain has ended and the program should quit.
bool StepRootScene(cSQDefault& root);
