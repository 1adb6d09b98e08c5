// Transposition table: remembers the best move of finished nodes for move ordering.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "board/slot_log.h"

constexpr uint32_t HASH_ENTRIES = DEFAULT_TABLE_ENTRIES;

// Sixteen bytes, four to a cache line: a probe touches one line. The search's score is not
// kept, since nothing reads it back.
struct TTEntry {
    uint64_t key;
    Move move;
    int8_t depth; // 0 = empty
};

extern TTEntry* hash_table;   // hash_entries entries
extern uint32_t hash_entries; // HASH_ENTRIES unless resized
extern const ScoredMove empty_scored_move;

void tt_clear();
// Gives the table a new number of entries, all clear. False, with the table as it was,
// when the memory cannot be had. Never during a search.
bool tt_resize(uint32_t entries);
// Copies the stored move into out.move when the slot holds this key at depth >= depth.
void tt_probe(const Position& pos, int depth, ScoredMove& out);
// Depth-preferred: writes only over a shallower entry, whatever position it belongs to.
// Only the move of the pair is kept.
void tt_store(const Position& pos, int depth, ScoredMove pair);
// Starts loading a key's slot into the cache ahead of its probe.
inline void tt_prefetch(uint64_t key) {
    __builtin_prefetch(&hash_table[slot_of(key, hash_entries)]);
}
