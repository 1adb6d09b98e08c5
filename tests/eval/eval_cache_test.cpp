// The evaluation and pawn caches: after a few stores (the clear walks the log of the slots
// written) and after more than the log holds (the whole table is cleared), every slot is
// as a clear table has it, pawnless entries (pawn key 0) included; and an entry answers
// only the key it was stored with.
#include <gtest/gtest.h>

#include "board/slot_log.h"
#include "eval/eval_cache.h"
#include "helpers.h"

namespace {

constexpr uint64_t FIRST_KEY = 0x0123456789abcdefull;

bool pawn_slot_is_clear(uint64_t key) {
    const PawnCacheEntry& e = pawn_cache[key % EVAL_CACHE_ENTRIES];
    return e.key == 0 && e.data == 0;
}

TEST(EvalCache, ClearEmptiesTheSlotsOfAFewStoresAndOfMany) {
    ASSERT_TRUE(setup(start_fen));
    static Position pos;
    for (const uint32_t count : {1u, 100u, SlotLog::CAPACITY, SlotLog::CAPACITY + 1, 50000u}) {
        // A pawnless position has pawn key 0, which a clear slot also has: the entry is
        // dirty by its score and passed set alone.
        pos.pawn_key = 0;
        pawn_cache_store(pos, 9, 0x5a5a5a5a5aull);
        for (uint32_t i = 0; i < count; ++i) {
            eval_cache_store(FIRST_KEY + i, 100 + i);
            pos.pawn_key = FIRST_KEY + i;
            pawn_cache_store(pos, 1, 0);
        }
        int32_t score = 0;
        ASSERT_TRUE(eval_cache_probe(FIRST_KEY, score) && score == 100) << count;
        clear_eval_cache();
        clear_pawn_cache();
        ASSERT_TRUE(pawn_slot_is_clear(0)) << count << ": the pawnless entry";
        for (uint32_t i = 0; i < count; ++i) {
            ASSERT_EQ(eval_cache[(FIRST_KEY + i) % EVAL_CACHE_ENTRIES].data, 0u) << count;
            ASSERT_TRUE(pawn_slot_is_clear(FIRST_KEY + i)) << count << ": slot " << i;
        }
    }
}

// An entry keeps a part of its key only: another key of the same slot must not match, and
// scores of either sign come back as stored.
TEST(EvalCache, OnlyTheStoredKeyMatchesItsSlot) {
    ASSERT_TRUE(setup(start_fen));
    clear_eval_cache();
    int32_t score = 0;
    for (const int32_t stored : {-4321, 0, 1, 4321, -(1 << 18), (1 << 18) - 1}) {
        eval_cache_store(FIRST_KEY, stored);
        ASSERT_TRUE(eval_cache_probe(FIRST_KEY, score));
        EXPECT_EQ(score, stored);
        for (const uint64_t other : {FIRST_KEY + EVAL_CACHE_ENTRIES, FIRST_KEY - EVAL_CACHE_ENTRIES,
                                     FIRST_KEY + 7 * uint64_t{EVAL_CACHE_ENTRIES}})
            EXPECT_FALSE(eval_cache_probe(other, score)) << other;
    }
    // A clear slot matches no key, not even one whose kept bits are all zero.
    clear_eval_cache();
    EXPECT_FALSE(eval_cache_probe(FIRST_KEY % EVAL_CACHE_ENTRIES, score));
}

} // namespace
