// Direct-mapped caches for whole evaluations (by position key) and pawn structures
// (by pawn key).
#pragma once

#include <cstdint>

#include "board/position.h"

constexpr uint32_t EVAL_CACHE_ENTRIES = 2000000;

struct EvalCacheEntry {
    uint64_t key;
    int32_t score;
};

struct PawnCacheEntry {
    uint64_t key;
    uint8_t passed[16];
    int32_t score;
};

extern EvalCacheEntry eval_cache[EVAL_CACHE_ENTRIES];
extern PawnCacheEntry pawn_cache[EVAL_CACHE_ENTRIES];

bool eval_cache_probe(uint64_t key, int32_t& score);
void eval_cache_store(uint64_t key, int32_t score);
bool pawn_cache_probe(const Position& pos, int32_t& score, uint8_t* passed);
void pawn_cache_store(const Position& pos, int32_t score, const uint8_t* passed);
void clear_eval_cache();
void clear_pawn_cache();
// Clear only the one entry a key maps to, as a whole-table clear would leave it.
void clear_eval_cache_entry(uint64_t key);
void clear_pawn_cache_entry(uint64_t pawn_key);
