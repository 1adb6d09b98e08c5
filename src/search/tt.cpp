#include "search/tt.h"

#include "board/slot_log.h"

TTEntry hash_table[HASH_ENTRIES];
const ScoredMove empty_scored_move = {0, -1000000};

namespace {
// The slots filled since the last clear. Only a clear empties a slot (depth 0), so a slot
// is noted when a store fills an empty one. Zero-initialised storage counts as cleared, so
// start-up and a new game before any search cost nothing.
SlotLog written;

void clear_entry(TTEntry& e) {
    e.depth = 0;
    e.best = empty_scored_move;
}
} // namespace

void tt_clear() {
    if (written.overflowed())
        for (auto& e : hash_table) clear_entry(e);
    else
        for (uint32_t i = 0; i < written.count; ++i) clear_entry(hash_table[written.slot[i]]);
    written.reset();
}

void tt_probe(const Position& pos, int depth, ScoredMove& out) {
    const TTEntry& e = hash_table[pos.key % HASH_ENTRIES];
    if (e.key == pos.key && e.depth >= depth) out = e.best;
}

void tt_store(const Position& pos, int depth, ScoredMove pair) {
    const uint32_t index = static_cast<uint32_t>(pos.key % HASH_ENTRIES);
    TTEntry& e = hash_table[index];
    if (e.depth < depth) {
        if (e.depth == 0) written.note(index);
        e.key = pos.key;
        e.depth = static_cast<int8_t>(depth);
        e.best = pair;
    }
}
