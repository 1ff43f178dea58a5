#include "game/StateChecksum.h"

#include <cstring>

#include "app/Random.h"
#include "game/cFallen.h"
#include "game/cPaddle.h"
#include "game/cSQInterval.h"
#include "game/cSQMain.h"

namespace {

void AddPaddle(cStateHash& h, const cPaddle* paddle) {
    if (!paddle) return;
    h.Add(paddle->x);
    h.Add(paddle->y);
    h.Add(paddle->angle);
    h.Add(paddle->spin);
}

void AddBoard(cStateHash& h, const cSQMain& board) {
    h.Add(board.difficulty);
    h.Add(board.score);
    for (int32_t s = 0; s < 2 * board.difficulty && s < cSQMain::kMaxSlots; ++s) {
        h.Add(board.sums[s]);
        h.Add(board.counts[s]);
    }
    AddPaddle(h, board.paddle);
    AddPaddle(h, board.paddle2);
    h.Add(static_cast<uint32_t>(board.dice.size()));
    for (const cFallen* die : board.dice) {
        h.Add(die->x);
        h.Add(die->y);
        h.Add(die->vx);
        h.Add(die->vy);
        h.Add(die->angle);
        h.Add(die->spin);
        h.Add(die->cooldown);
        h.Add(die->slot);
        h.Add(die->face);
        h.Add(die->rebounded);
        h.Add(die->landed);
    }
}

}  // namespace

void cStateHash::Add(uint32_t v) {
    for (int i = 0; i < 4; ++i) value = (value ^ ((v >> (8 * i)) & 0xFFu)) * 0x01000193u;
}

void cStateHash::Add(float v) {
    uint32_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    Add(bits);
}

uint32_t StateChecksum(const cSequence* scene) {
    cStateHash h;
    h.Add(spawnCounter);
    const uint64_t draws = RandomDraws();
    h.Add(static_cast<uint32_t>(draws));
    h.Add(static_cast<uint32_t>(draws >> 32));
    if (const auto* board = dynamic_cast<const cSQMain*>(scene)) {
        h.Add(1u);
        AddBoard(h, *board);
    } else if (const auto* result = dynamic_cast<const cSQInterval*>(scene)) {
        h.Add(2u);
        h.Add(result->difficulty);
        h.Add(result->score);
    } else {
        h.Add(scene ? 3u : 0u);
    }
    return h.value;
}
