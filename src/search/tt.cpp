#include "search/tt.h"

#include "board/slot_log.h"
#include "eval/eval_cache.h"
#include "io/memory.h"

namespace {
constexpr size_t HASH_BYTES = sizeof(TTEntry) * HASH_ENTRIES;
unsigned char hash_room[huge_page_room(HASH_BYTES)];
// The built-in size lives in static room; another size is mapped when it is set.
TTEntry* const builtin_table = static_cast<TTEntry*>(place_on_huge_pages(hash_room, HASH_BYTES));
} // namespace

TTEntry* hash_table = builtin_table;
uint32_t hash_entries = HASH_ENTRIES;
const ScoredMove empty_scored_move = {0, -1000000};

static_assert(sizeof(TTEntry) == 16, "four entries to a cache line");

namespace {
// The slots filled since the last clear. Only a clear empties a slot (depth 0), so a slot
// is noted when a store fills an empty one. Zero-initialised storage counts as cleared, so
// start-up and a new game before any search cost nothing.
SlotLog written;
} // namespace

void tt_clear() { clear_written_slots(hash_table, hash_entries, written); }

bool tt_resize(uint32_t entries) {
    if (entries == hash_entries) {
        tt_clear();
        return true;
    }
    TTEntry* table = builtin_table;
    if (entries != HASH_ENTRIES) {
        table = static_cast<TTEntry*>(map_table(sizeof(TTEntry) * entries));
        if (!table) return false;
    }
    // The old table is given back rather than cleared; the new one is all clear.
    if (hash_table == builtin_table)
        release_table(hash_table, HASH_BYTES);
    else
        unmap_table(hash_table, sizeof(TTEntry) * hash_entries);
    written.reset();
    hash_table = table;
    hash_entries = entries;
    return true;
}

void tt_probe(const Position& pos, int depth, ScoredMove& out) {
    const TTEntry& e = hash_table[slot_of(pos.key, hash_entries)];
    if (e.key == pos.key && e.depth >= depth) out.move = e.move;
}

void tt_store(const Position& pos, int depth, ScoredMove pair) {
    const uint32_t index = slot_of(pos.key, hash_entries);
    TTEntry& e = hash_table[index];
    if (e.depth < depth) {
        if (e.depth == 0) written.note(index);
        e.key = pos.key;
        e.depth = static_cast<int8_t>(depth);
        e.move = pair.move;
    }
}
