#include "game/GameState.h"

#include <cstring>

void SeedGame(GameState& state, uint32_t seed, int players) {
    state = GameState{};
    state.players = players < 1 ? 1 : (players > kMaxPlayers ? kMaxPlayers : players);
    SeedRandom(state.random, seed);
}

void CreateFirstScene(GameState& state) {
    state.board.Start(1, state.players);
    state.scene = static_cast<int32_t>(SceneKind::Board);
}

void StepGame(GameState& state, const PlayerControls records[kMaxPlayers], StepEvents& events) {
    events.Clear();
    PlayerControls current[kMaxPlayers];
    for (int p = 0; p < kMaxPlayers; ++p) {
        current[p] = p < state.players ? records[p] : NeutralControls();
    }
    const cControls controls(current, state.previous, state.players);

    // Once the chain has ended nothing is left to play: the game is over
    // whatever this step brings, a pause pressed in it included.
    if (static_cast<SceneKind>(state.scene) == SceneKind::None) events.chainEnded = true;
    // A press of the pause key by any player pauses or resumes; while paused
    // the field stays as it is: no scene moves, nothing spawns.
    if (controls.PausePressed()) {
        state.paused = state.paused ? 0 : 1;
        events.Add(GameEventKind::Pause, 0, state.paused);
    }
    if (!state.paused) {
        StepContext context{controls, state.random, state.spawnCounter, state.nextDieId, events};
        SceneAnswer answer;
        switch (static_cast<SceneKind>(state.scene)) {
            case SceneKind::Board: answer = state.board.Update(context); break;
            case SceneKind::Result: answer = state.result.Update(controls); break;
            case SceneKind::None: break;
        }
        SceneKind next = static_cast<SceneKind>(state.scene);
        switch (answer.kind) {
            case SceneAnswer::Stay: break;
            case SceneAnswer::NewBoard:
                state.board.Start(answer.difficulty, state.players);
                next = SceneKind::Board;
                break;
            case SceneAnswer::NewResult:
                state.result = cSQInterval{answer.difficulty, answer.score};
                next = SceneKind::Result;
                break;
            case SceneAnswer::End: next = SceneKind::None; break;
        }
        if (answer.kind != SceneAnswer::Stay) {
            state.scene = static_cast<int32_t>(next);
            events.Add(GameEventKind::Scene, 0, state.scene);
        }
    }
    std::memcpy(state.previous, current, sizeof current);
}

uint32_t StateChecksum(const GameState& state) {
    // FNV-1a over the value's 32-bit words: each word goes through a bijection
    // of the running value, so a change of any one word changes the result.
    static_assert(sizeof(GameState) % 4 == 0, "whole words");
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(&state);
    uint32_t h = 0x811C9DC5u;
    for (size_t i = 0; i < sizeof state; i += 4) {
        uint32_t word;
        std::memcpy(&word, bytes + i, 4);
        h = (h ^ word) * 0x01000193u;
    }
    return h;
}
