// Transposition table: remembers the best move of finished nodes for move ordering.
#pragma once

#include <cstdint>

#include "board/position.h"

constexpr uint32_t HASH_ENTRIES = 2000000;

// Sixteen bytes, four to a cache line: a probe touches one line. The search's score is not
// kept, since nothing reads it back.
struct TTEntry {
    uint64_t key;
    Move move;
    int8_t depth; // 0 = empty
};

extern TTEntry* const hash_table; // HASH_ENTRIES entries
extern const ScoredMove empty_scored_move;

void tt_clear();
// Copies the stored move into out.move when the slot holds this key at depth >= depth.
void tt_probe(const Position& pos, int depth, ScoredMove& out);
// Depth-preferred: writes only over a shallower entry, whatever position it belongs to.
// Only the move of the pair is kept.
void tt_store(const Position& pos, int depth, ScoredMove pair);
// Starts loading a key's slot into the cache ahead of its probe.
inline void tt_prefetch(uint64_t key) { __builtin_prefetch(&hash_table[key % HASH_ENTRIES]); }
