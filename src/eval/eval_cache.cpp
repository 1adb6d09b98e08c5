#include "eval/eval_cache.h"

#include <cstring>

#include "board/slot_log.h"

EvalCacheEntry eval_cache[EVAL_CACHE_ENTRIES];
PawnCacheEntry pawn_cache[EVAL_CACHE_ENTRIES];

bool eval_cache_probe(uint64_t key, int32_t& score) {
    const EvalCacheEntry& e = eval_cache[key % EVAL_CACHE_ENTRIES];
    if (e.key != key) return false;
    score = e.score;
    return true;
}

namespace {
// The slots written since the last clear: a store notes a slot that was clear (all zero).
// Zero-initialised storage counts as cleared, so start-up and a new game before any search
// cost nothing.
SlotLog eval_written;
SlotLog pawn_written;

bool is_clear(const PawnCacheEntry& e) {
    if (e.key || e.score) return false;
    for (uint8_t p : e.passed)
        if (p) return false;
    return true;
}
} // namespace

void eval_cache_store(uint64_t key, int32_t score) {
    const uint32_t index = static_cast<uint32_t>(key % EVAL_CACHE_ENTRIES);
    EvalCacheEntry& e = eval_cache[index];
    if (!e.key && !e.score) eval_written.note(index);
    e.key = key;
    e.score = score;
}

bool pawn_cache_probe(const Position& pos, int32_t& score, uint8_t* passed) {
    const PawnCacheEntry& e = pawn_cache[pos.pawn_key % EVAL_CACHE_ENTRIES];
    if (e.key != pos.pawn_key) return false;
    score = e.score;
    std::memcpy(passed, e.passed, sizeof e.passed);
    return true;
}

void pawn_cache_store(const Position& pos, int32_t score, const uint8_t* passed) {
    const uint32_t index = static_cast<uint32_t>(pos.pawn_key % EVAL_CACHE_ENTRIES);
    PawnCacheEntry& e = pawn_cache[index];
    if (is_clear(e)) pawn_written.note(index);
    e.key = pos.pawn_key;
    e.score = score;
    std::memcpy(e.passed, passed, sizeof e.passed);
}

void clear_eval_cache() {
    if (eval_written.overflowed())
        for (auto& e : eval_cache) e = EvalCacheEntry{};
    else
        for (uint32_t i = 0; i < eval_written.count; ++i)
            eval_cache[eval_written.slot[i]] = EvalCacheEntry{};
    eval_written.reset();
}

// The passed lists are cleared too: a pawnless position has pawn key 0 and matches every
// cleared entry, and must not read squares left over from an earlier game.
void clear_pawn_cache() {
    if (pawn_written.overflowed())
        std::memset(pawn_cache, 0, sizeof pawn_cache);
    else
        for (uint32_t i = 0; i < pawn_written.count; ++i)
            std::memset(&pawn_cache[pawn_written.slot[i]], 0, sizeof(PawnCacheEntry));
    pawn_written.reset();
}

void clear_eval_cache_entry(uint64_t key) {
    EvalCacheEntry& e = eval_cache[key % EVAL_CACHE_ENTRIES];
    e.key = 0;
    e.score = 0;
}

void clear_pawn_cache_entry(uint64_t pawn_key) {
    std::memset(&pawn_cache[pawn_key % EVAL_CACHE_ENTRIES], 0, sizeof(PawnCacheEntry));
}
