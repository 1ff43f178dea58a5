// The game as a value: everything its future depends on, in one trivially
// copyable record. Copying it is a snapshot; assigning it back is a restore.
// Stepping it is a pure function of the state and the players' records: the
// same records give the same game on any machine, a replay is a list of
// records, and two machines compare checksums of it to find a desync.
#pragma once

#include <cstdint>
#include <functional>
#include <type_traits>

#include "game/Random.h"
#include "game/SceneStep.h"
#include "game/StepEvents.h"
#include "game/cSQInterval.h"
#include "game/cSQMain.h"
#include "input/Controls.h"

struct GameState {
    int32_t scene = static_cast<int32_t>(SceneKind::None);  // a SceneKind
    int32_t players = 1;           // paddles on the field, 1..kMaxPlayers
    int32_t spawnCounter = 0;      // the spawn rhythm, shared by every board of the game
    uint32_t nextDieId = 1;        // the id the next die gets
    int32_t paused = 0;            // 1 while paused: no scene moves
    PlayerControls previous[kMaxPlayers];  // the records of the step before
    cSQInterval result;            // while the scene is the result
    RandomState random;
    cSQMain board;                 // while the scene is the board (last: the largest)
};
static_assert(std::is_trivially_copyable<GameState>::value, "a snapshot is a copy");
static_assert(sizeof(GameState) == 5 * 4 + sizeof(PlayerControls) * kMaxPlayers +
                                       sizeof(cSQInterval) + sizeof(RandomState) + sizeof(cSQMain),
              "no padding: the checksum reads every byte");

// A new game: the generator seeded (with its warm-up), no scene yet.
void SeedGame(GameState& state, uint32_t seed, int players);
// The first scene of a game: a board at difficulty 1.
void CreateFirstScene(GameState& state);

// One logic step on this step's records (one per player; players beyond the
// game's count are read as neutral). *events receives what happened, in order.
// Touches nothing but `state` and `events`.
void StepGame(GameState& state, const PlayerControls records[kMaxPlayers], StepEvents& events);

// A way to take a step: StepGame, or one that checks it as it goes (the sync
// test), or a test's own.
using GameStep =
    std::function<void(GameState& state, const PlayerControls records[kMaxPlayers], StepEvents& events)>;

// A checksum of the whole state: every byte of the value, in memory order.
uint32_t StateChecksum(const GameState& state);
