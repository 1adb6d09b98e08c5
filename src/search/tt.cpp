#include "search/tt.h"

TTEntry hash_table[HASH_ENTRIES];
const ScoredMove empty_scored_move = {0, -1000000};

namespace {
// A table nobody has written to since the last clear is still clear: its zero depths never
// answer a probe. Zero-initialised storage counts as cleared, so start-up and a new game
// before any search cost nothing.
bool written = false;
} // namespace

void tt_clear() {
    if (!written) return;
    written = false;
    for (auto& e : hash_table) {
        e.depth = 0;
        e.best = empty_scored_move;
    }
}

void tt_probe(const Position& pos, int depth, ScoredMove& out) {
    const TTEntry& e = hash_table[pos.key % HASH_ENTRIES];
    if (e.key == pos.key && e.depth >= depth) out = e.best;
}

void tt_store(const Position& pos, int depth, ScoredMove pair) {
    TTEntry& e = hash_table[pos.key % HASH_ENTRIES];
    if (e.depth < depth) {
        written = true;
        e.key = pos.key;
        e.depth = static_cast<int8_t>(depth);
        e.best = pair;
    }
}
