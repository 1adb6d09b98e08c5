#include "search/tt.h"

#include "board/slot_log.h"
#include "eval/eval_cache.h"

namespace {
constexpr size_t HASH_BYTES = sizeof(TTEntry) * HASH_ENTRIES;
unsigned char hash_room[huge_page_room(HASH_BYTES)];
} // namespace

TTEntry* const hash_table = static_cast<TTEntry*>(place_on_huge_pages(hash_room, HASH_BYTES));
const ScoredMove empty_scored_move = {0, -1000000};

static_assert(sizeof(TTEntry) == 16, "four entries to a cache line");

namespace {
// The slots filled since the last clear. Only a clear empties a slot (depth 0), so a slot
// is noted when a store fills an empty one. Zero-initialised storage counts as cleared, so
// start-up and a new game before any search cost nothing.
SlotLog written;
} // namespace

void tt_clear() { clear_written_slots(hash_table, HASH_ENTRIES, written); }

void tt_probe(const Position& pos, int depth, ScoredMove& out) {
    const TTEntry& e = hash_table[pos.key % HASH_ENTRIES];
    if (e.key == pos.key && e.depth >= depth) out.move = e.move;
}

void tt_store(const Position& pos, int depth, ScoredMove pair) {
    const uint32_t index = static_cast<uint32_t>(pos.key % HASH_ENTRIES);
    TTEntry& e = hash_table[index];
    if (e.depth < depth) {
        if (e.depth == 0) written.note(index);
        e.key = pos.key;
        e.depth = static_cast<int8_t>(depth);
        e.move = pair.move;
    }
}
