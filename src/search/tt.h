// Transposition table: remembers the best move of finished nodes for move ordering.
#pragma once

#include <cstdint>

#include "board/position.h"

constexpr uint32_t HASH_ENTRIES = 2000000;

struct TTEntry {
    uint64_t key;
    int8_t depth; // 0 = empty
    ScoredMove best;
};

extern TTEntry hash_table[HASH_ENTRIES];
extern const ScoredMove empty_scored_move;

void tt_clear();
// Copies the stored pair into out when the slot holds this key at depth >= depth.
void tt_probe(const Position& pos, int depth, ScoredMove& out);
// Depth-preferred: writes only over a shallower entry, whatever position it belongs to.
void tt_store(const Position& pos, int depth, ScoredMove pair);
