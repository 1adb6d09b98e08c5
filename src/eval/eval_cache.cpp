#include "eval/eval_cache.h"

#include "board/slot_log.h"
#include "io/memory.h"

#if defined(__linux__)
#include <sys/mman.h>
#endif

void* place_on_huge_pages(unsigned char* room, size_t bytes) {
    const uintptr_t at = (reinterpret_cast<uintptr_t>(room) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
    void* table = reinterpret_cast<void*>(at);
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    // Only advice: where the kernel has no huge pages the table stays on small ones.
    madvise(table, (bytes + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1), MADV_HUGEPAGE);
#else
    (void)bytes;
#endif
    return table;
}

namespace {
constexpr size_t EVAL_CACHE_BYTES = sizeof(EvalCacheEntry) * EVAL_CACHE_ENTRIES;
constexpr size_t PAWN_CACHE_BYTES = sizeof(PawnCacheEntry) * EVAL_CACHE_ENTRIES;
// A cache's room and the slots written since its last clear: a store notes a slot that was
// clear (all zero). Zero-initialised storage counts as cleared, so start-up and a new game
// before any search cost nothing.
template <size_t BYTES> struct CacheStore {
    unsigned char room[huge_page_room(BYTES)];
    SlotLog written;
};
CacheStore<EVAL_CACHE_BYTES> eval_store;
CacheStore<PAWN_CACHE_BYTES> pawn_store;
} // namespace

namespace {
EvalCacheEntry* const builtin_eval_cache =
    static_cast<EvalCacheEntry*>(place_on_huge_pages(eval_store.room, EVAL_CACHE_BYTES));
PawnCacheEntry* const builtin_pawn_cache =
    static_cast<PawnCacheEntry*>(place_on_huge_pages(pawn_store.room, PAWN_CACHE_BYTES));
} // namespace

EvalCacheEntry* eval_cache = builtin_eval_cache;
PawnCacheEntry* pawn_cache = builtin_pawn_cache;
uint32_t eval_cache_entries = EVAL_CACHE_ENTRIES;

namespace {
constexpr int EVAL_SCORE_SHIFT = 45;
constexpr uint64_t EVAL_CHECK_BITS = (1ull << EVAL_SCORE_SHIFT) - 1;
constexpr int32_t EVAL_SCORE_LIMIT = 1 << (63 - EVAL_SCORE_SHIFT);
inline uint64_t eval_check(uint64_t key) { return (key >> 20) | (1ull << 44); }
} // namespace

bool eval_cache_probe(uint64_t key, int32_t& score) {
    const uint64_t data = eval_cache[slot_of(key, eval_cache_entries)].data;
    if ((data & EVAL_CHECK_BITS) != eval_check(key)) return false;
    score = static_cast<int32_t>(static_cast<int64_t>(data) >> EVAL_SCORE_SHIFT);
    return true;
}

void eval_cache_store(uint64_t key, int32_t score) {
    const uint32_t index = slot_of(key, eval_cache_entries);
    if (score < -EVAL_SCORE_LIMIT || score >= EVAL_SCORE_LIMIT) return;
    EvalCacheEntry& e = eval_cache[index];
    if (!e.data) eval_store.written.note(index);
    e.data = eval_check(key) | static_cast<uint64_t>(static_cast<int64_t>(score))
                                   << EVAL_SCORE_SHIFT;
}

namespace {
constexpr uint64_t PASSED_BITS = (1ull << 48) - 1;
} // namespace

bool pawn_cache_probe(const Position& pos, int32_t& score, uint64_t& passed) {
    const PawnCacheEntry& e = pawn_cache[slot_of(pos.pawn_key, eval_cache_entries)];
    if (e.key != pos.pawn_key) return false;
    score = static_cast<int16_t>(e.data >> 48);
    passed = e.data & PASSED_BITS;
    return true;
}

void pawn_cache_store(const Position& pos, int32_t score, uint64_t passed) {
    const uint32_t index = slot_of(pos.pawn_key, eval_cache_entries);
    PawnCacheEntry& e = pawn_cache[index];
    if (!e.key && !e.data) pawn_store.written.note(index);
    e.key = pos.pawn_key;
    e.data = (passed & PASSED_BITS) | static_cast<uint64_t>(static_cast<uint16_t>(score)) << 48;
}

void clear_eval_cache() { clear_written_slots(eval_cache, eval_cache_entries, eval_store.written); }

// The passed sets are cleared too: a pawnless position has pawn key 0 and matches every
// cleared entry, and must not read squares left over from an earlier game.
void clear_pawn_cache() { clear_written_slots(pawn_cache, eval_cache_entries, pawn_store.written); }

bool resize_eval_caches(uint32_t entries) {
    if (entries == eval_cache_entries) {
        clear_eval_cache();
        clear_pawn_cache();
        return true;
    }
    EvalCacheEntry* evals = builtin_eval_cache;
    PawnCacheEntry* pawns = builtin_pawn_cache;
    if (entries != EVAL_CACHE_ENTRIES) {
        evals = static_cast<EvalCacheEntry*>(map_table(sizeof(EvalCacheEntry) * entries));
        pawns = static_cast<PawnCacheEntry*>(map_table(sizeof(PawnCacheEntry) * entries));
        if (!evals || !pawns) {
            unmap_table(evals, sizeof(EvalCacheEntry) * entries);
            unmap_table(pawns, sizeof(PawnCacheEntry) * entries);
            return false;
        }
    }
    // The old caches are given back rather than cleared; the new ones are all clear.
    if (eval_cache == builtin_eval_cache) {
        release_table(eval_cache, EVAL_CACHE_BYTES);
        release_table(pawn_cache, PAWN_CACHE_BYTES);
    } else {
        unmap_table(eval_cache, sizeof(EvalCacheEntry) * eval_cache_entries);
        unmap_table(pawn_cache, sizeof(PawnCacheEntry) * eval_cache_entries);
    }
    eval_store.written.reset();
    pawn_store.written.reset();
    eval_cache = evals;
    pawn_cache = pawns;
    eval_cache_entries = entries;
    return true;
}

void clear_eval_cache_entry(uint64_t key) {
    eval_cache[slot_of(key, eval_cache_entries)] = EvalCacheEntry{};
}

void clear_pawn_cache_entry(uint64_t pawn_key) {
    pawn_cache[slot_of(pawn_key, eval_cache_entries)] = PawnCacheEntry{};
}
