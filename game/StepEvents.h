// What happened in one step of the game, in the order it happened. The step
// itself touches no device; whoever shows the game turns these into textures,
// sounds and display objects, in the same order.
#pragma once

#include <cstdint>
#include <vector>

enum class GameEventKind : uint8_t {
    Pause,     // value: 1 paused, 0 resumed
    Scene,     // the scene below the root changed; value: the new SceneKind
    Bounce,    // die bounced off a paddle; value: its new face (0..5)
    Land,      // die landed in a slot; value: the slot's new sum
    ThrowOff,  // die reached a full slot and was thrown off
    FallOut,   // die left the field at the bottom and is gone
    Spawn,     // a new die
};

struct GameEvent {
    GameEventKind kind;
    uint32_t die;   // the die's id, where a die is concerned
    int32_t value;
};

struct StepEvents {
    std::vector<GameEvent> list;
    // The root found no scene below it: the game is over and the program quits.
    bool chainEnded = false;

    void Clear() {
        list.clear();
        chainEnded = false;
    }
    void Add(GameEventKind kind, uint32_t die = 0, int32_t value = 0) {
        list.push_back(GameEvent{kind, die, value});
    }
};
