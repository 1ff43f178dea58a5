// The scene chain: replacement, ending and destruction, step by step.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "scene/cSequence.h"

namespace {

std::vector<std::string> events;

// A leaf scene whose Update answers with whatever the test sets.
class cSQScripted : public cSequence {
public:
    explicit cSQScripted(std::string name) : name(std::move(name)) {}
    ~cSQScripted() override { events.push_back("delete " + name); }
    cSequence* Update() override {
        events.push_back("update " + name);
        if (next == kSelf) return this;
        return next;
    }
    static cSequence* const kSelf;
    std::string name;
    cSequence* next = kSelf;
};
cSequence* const cSQScripted::kSelf = reinterpret_cast<cSequence*>(1);

// A root that counts OnChildEnd and Init.
class cSQCountingRoot : public cSQDefault {
public:
    using cSQDefault::cSQDefault;
    void OnChildEnd() override { ++childEnds; }
    int childEnds = 0;
};

}  // namespace

TEST(SceneChain, SceneReturningItselfRunsOncePerStepAndRootUpdateIsNeverCalled) {
    events.clear();
    auto* scene = new cSQScripted("board");
    cSQDefault root(scene);
    EXPECT_EQ(scene->parent, &root);
    for (int i = 0; i < 3; ++i) EXPECT_TRUE(StepRootScene(root));
    EXPECT_EQ(root.child, scene);
    EXPECT_EQ(events, (std::vector<std::string>{"update board", "update board", "update board"}));
}

TEST(SceneChain, ReplacementDeletesTheOldSceneInTheSameStepAndTheNewOneRunsNextStep) {
    events.clear();
    auto* first = new cSQScripted("first");
    auto* second = new cSQScripted("second");
    first->next = second;
    cSQDefault root(first);
    EXPECT_TRUE(StepRootScene(root));
    EXPECT_EQ(root.child, second);
    EXPECT_EQ(second->parent, nullptr);  // only the first child gets a parent
    EXPECT_EQ(events, (std::vector<std::string>{"update first", "delete first"}));
    EXPECT_TRUE(StepRootScene(root));
    EXPECT_EQ(events.back(), "update second");
}

TEST(SceneChain, EndingSceneCallsOnChildEndOnceAndTheChainEndsOnTheNextStep) {
    events.clear();
    auto* scene = new cSQScripted("result");
    scene->next = nullptr;
    cSQCountingRoot root(scene);
    EXPECT_TRUE(StepRootScene(root));  // the scene ends and is deleted
    EXPECT_EQ(root.child, nullptr);
    EXPECT_EQ(root.childEnds, 1);
    EXPECT_EQ(events, (std::vector<std::string>{"update result", "delete result"}));
    EXPECT_FALSE(StepRootScene(root));  // the root reports the chain empty
    EXPECT_EQ(root.childEnds, 1);
    EXPECT_EQ(root.Update(), nullptr);
}

TEST(SceneChain, ReplacementBelowAMiddleSceneStaysAtItsLevel) {
    events.clear();
    auto* middle = new cSQScripted("middle");
    auto* leaf = new cSQScripted("leaf");
    auto* next = new cSQScripted("next");
    middle->child = leaf;
    leaf->next = next;
    cSQDefault root(middle);
    EXPECT_TRUE(StepRootScene(root));
    EXPECT_EQ(root.child, middle);  // the middle scene returned itself
    EXPECT_EQ(middle->child, next);
    EXPECT_EQ(events, (std::vector<std::string>{"update leaf", "delete leaf"}));
}

TEST(SceneChain, DestroyingTheRootDeletesEachSceneOnceFromTheTopDown) {
    events.clear();
    {
        auto* top = new cSQScripted("top");
        auto* bottom = new cSQScripted("bottom");
        top->child = bottom;
        cSQDefault root(top);
    }
    EXPECT_EQ(events, (std::vector<std::string>{"delete top", "delete bottom"}));
}
