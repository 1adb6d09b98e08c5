#include "search/tt.h"

#include <cstring>

#include "eval/eval_cache.h"

namespace {
constexpr size_t HASH_BYTES = sizeof(TTEntry) * HASH_ENTRIES;
unsigned char hash_room[huge_page_room(HASH_BYTES)];
} // namespace

TTEntry* const hash_table = static_cast<TTEntry*>(place_on_huge_pages(hash_room, HASH_BYTES));
const ScoredMove empty_scored_move = {0, -1000000};

static_assert(sizeof(TTEntry) == 16, "four entries to a cache line");

namespace {
// A table nobody has written to since the last clear is still clear: its zero depths never
// answer a probe. Zero-initialised storage counts as cleared, so start-up and a new game
// before any search cost nothing.
bool written = false;
} // namespace

void tt_clear() {
    if (!written) return;
    written = false;
    std::memset(hash_table, 0, HASH_BYTES);
}

void tt_probe(const Position& pos, int depth, ScoredMove& out) {
    const TTEntry& e = hash_table[pos.key % HASH_ENTRIES];
    if (e.key == pos.key && e.depth >= depth) out.move = e.move;
}

void tt_store(const Position& pos, int depth, ScoredMove pair) {
    TTEntry& e = hash_table[pos.key % HASH_ENTRIES];
    if (e.depth < depth) {
        written = true;
        e.key = pos.key;
        e.depth = static_cast<int8_t>(depth);
        e.move = pair.move;
    }
}
