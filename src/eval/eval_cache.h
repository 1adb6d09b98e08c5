// Direct-mapped caches for whole evaluations (by position key) and pawn structures
// (by pawn key).
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/position.h"
#include "board/slot_log.h"

constexpr uint32_t EVAL_CACHE_ENTRIES = DEFAULT_TABLE_ENTRIES;

// The large direct-mapped tables (these caches and the transposition table) live in static
// room a little larger than the table and start on its first 2 MiB boundary, and the kernel
// is offered transparent huge pages for them: a probe then costs a cache miss without a
// page-table walk as well. An entry never straddles two cache lines.
constexpr size_t HUGE_PAGE = 2 * 1024 * 1024;
constexpr size_t huge_page_room(size_t bytes) {
    return (bytes + HUGE_PAGE - 1) / HUGE_PAGE * HUGE_PAGE + HUGE_PAGE;
}
// The table's start inside its room (of huge_page_room(bytes)); advises the huge pages.
void* place_on_huge_pages(unsigned char* room, size_t bytes);

// Eight bytes, eight to a cache line. Bits 0-43 hold the key's bits above its lowest twenty:
// with the slot, which is the key modulo the number of entries and so tells the low twenty
// bits apart in a table of 2^20 entries or more, they name exactly one key. (A smaller table
// checks 44 bits of the key.) Bit 44 marks a written slot, so a clear slot matches no key.
// Bits 45-63 hold the score, a signed 19-bit number; an evaluation is a few thousand at most,
// and a score that did not fit would simply not be kept.
struct EvalCacheEntry {
    uint64_t data;
};

// Sixteen bytes: the set of passed pawns in bits 0-47 of data and the score, a signed 16-bit
// number, in bits 48-63 (a pawn structure scores at most a few thousand either way).
struct PawnCacheEntry {
    uint64_t key;
    uint64_t data;
};

// eval_cache_entries entries each.
extern EvalCacheEntry* eval_cache;
extern PawnCacheEntry* pawn_cache;
extern uint32_t eval_cache_entries; // EVAL_CACHE_ENTRIES unless resized

bool eval_cache_probe(uint64_t key, int32_t& score);
// Starts loading a key's slot into the cache ahead of its probe.
inline void eval_cache_prefetch(uint64_t key) {
    __builtin_prefetch(&eval_cache[slot_of(key, eval_cache_entries)]);
}
void eval_cache_store(uint64_t key, int32_t score);
bool pawn_cache_probe(const Position& pos, int32_t& score, uint64_t& passed);
inline void pawn_cache_prefetch(uint64_t pawn_key) {
    __builtin_prefetch(&pawn_cache[slot_of(pawn_key, eval_cache_entries)]);
}
void pawn_cache_store(const Position& pos, int32_t score, uint64_t passed);
void clear_eval_cache();
void clear_pawn_cache();
// Gives both caches a new number of entries, all clear. False, with the caches as they
// were, when the memory cannot be had. Never during a search.
bool resize_eval_caches(uint32_t entries);
// Clear only the one entry a key maps to, as a whole-table clear would leave it.
void clear_eval_cache_entry(uint64_t key);
void clear_pawn_cache_entry(uint64_t pawn_key);
