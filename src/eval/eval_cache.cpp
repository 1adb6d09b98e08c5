#include "eval/eval_cache.h"

#include <cstring>

EvalCacheEntry eval_cache[EVAL_CACHE_ENTRIES];
PawnCacheEntry pawn_cache[EVAL_CACHE_ENTRIES];

bool eval_cache_probe(uint64_t key, int32_t& score) {
    const EvalCacheEntry& e = eval_cache[key % EVAL_CACHE_ENTRIES];
    if (e.key != key) return false;
    score = e.score;
    return true;
}

namespace {
// Caches nobody has written to since the last clear are still clear; zero-initialised
// storage counts as cleared, so start-up and a new game before any search cost nothing.
bool eval_written = false;
bool pawn_written = false;
} // namespace

void eval_cache_store(uint64_t key, int32_t score) {
    eval_written = true;
    EvalCacheEntry& e = eval_cache[key % EVAL_CACHE_ENTRIES];
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
    pawn_written = true;
    PawnCacheEntry& e = pawn_cache[pos.pawn_key % EVAL_CACHE_ENTRIES];
    e.key = pos.pawn_key;
    e.score = score;
    std::memcpy(e.passed, passed, sizeof e.passed);
}

void clear_eval_cache() {
    if (!eval_written) return;
    eval_written = false;
    for (auto& e : eval_cache) {
        e.key = 0;
        e.score = 0;
    }
}

// The passed lists are cleared too: a pawnless position has pawn key 0 and matches every
// cleared entry, and must not read squares left over from an earlier game.
void clear_pawn_cache() {
    if (!pawn_written) return;
    pawn_written = false;
    std::memset(pawn_cache, 0, sizeof pawn_cache);
}

void clear_eval_cache_entry(uint64_t key) {
    EvalCacheEntry& e = eval_cache[key % EVAL_CACHE_ENTRIES];
    e.key = 0;
    e.score = 0;
}

void clear_pawn_cache_entry(uint64_t pawn_key) {
    std::memset(&pawn_cache[pawn_key % EVAL_CACHE_ENTRIES], 0, sizeof(PawnCacheEntry));
}
