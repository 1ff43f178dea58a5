#include "scene/cSequence.h"

cSequence::~cSequence() {
    delete child;
    child = nullptr;
}

void cSequence::ApplyChildResult(cSequence* r) {
    if (r == child) return;
    delete child;
    child = nullptr;
    if (r) {
        child = r;
    } else {
        OnChildEnd();
    }
}

cSequence* cSequence::Step() {
    if (!child) return Update();
    ApplyChildResult(child->Step());
    return this;
}

cSQDefault::cSQDefault(cSequence* first) {
    parent = nullptr;
    child = first;
    if (first) first->parent = this;
    Init();
}

cSequence* cSQDefault::Update() { return child ? this : nullptr; }

bool StepRootScene(cSQDefault& root) {
    if (root.child) {
        root.ApplyChildResult(root.child->Step());
        return true;
    }
    return root.Update() != nullptr;
}
