#include "search/tables.h"

#include <cstring>

#include "eval/eval_cache.h"
#include "search/ordering.h"
#include "search/search_state.h"
#include "search/tt.h"

namespace {
constexpr uint32_t ENTRIES_PER_MB =
    1000000 / (sizeof(TTEntry) + sizeof(EvalCacheEntry) + sizeof(PawnCacheEntry));
static_assert(DEFAULT_HASH_MB * ENTRIES_PER_MB == HASH_ENTRIES, "the default is the built-in size");
static_assert(static_cast<uint64_t>(MAX_HASH_MB) * ENTRIES_PER_MB < UINT32_MAX,
              "slots fit 32 bits");
} // namespace

bool set_hash_megabytes(int mb) {
    if (mb < MIN_HASH_MB) mb = MIN_HASH_MB;
    if (mb > MAX_HASH_MB) mb = MAX_HASH_MB;
    const uint32_t entries = static_cast<uint32_t>(mb) * ENTRIES_PER_MB;
    const uint32_t old_entries = hash_entries;
    if (!tt_resize(entries)) return false;
    if (!resize_eval_caches(entries)) {
        tt_resize(old_entries);
        return false;
    }
    clear_cutoff_stats();
    return true;
}

int hash_megabytes() { return static_cast<int>(hash_entries / ENTRIES_PER_MB); }

void clear_search_tables() {
    tt_clear();
    clear_eval_cache();
    clear_pawn_cache();
    clear_cutoff_stats();
    // The first iteration follows the last line the table holds: a line of another game
    // would make the same search visit other nodes.
    std::memset(search_state.pv, 0, sizeof search_state.pv);
    std::memset(&search_state.multipv, 0, sizeof search_state.multipv);
}

int hash_permille() {
    const uint32_t n = hash_entries < 1000 ? hash_entries : 1000;
    int used = 0;
    for (uint32_t i = 0; i < n; ++i)
        if (hash_table[i].depth) ++used;
    return static_cast<int>(used * 1000 / n);
}
