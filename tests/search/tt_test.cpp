// The transposition table's clear: a new game finds every slot empty, whether the last
// game wrote a few slots (the clear walks the log of them) or more than the log holds
// (the whole table is cleared).
#include <gtest/gtest.h>

#include "board/slot_log.h"
#include "search/tt.h"
#include "test_position.h"

namespace {

// Stores count distinct keys, each in a slot of its own; returns the first key.
uint64_t store_many(uint32_t count) {
    static Position pos;
    const uint64_t first = 0x9e3779b97f4a7c15ull;
    for (uint32_t i = 0; i < count; ++i) {
        pos.key = first + i;
        tt_store(pos, 3, ScoredMove{0x1234, 55});
    }
    return first;
}

void expect_cleared(uint64_t first, uint32_t count) {
    static Position pos;
    for (uint32_t i = 0; i < count; ++i) {
        pos.key = first + i;
        ScoredMove out{7, 7};
        tt_probe(pos, 1, out);
        ASSERT_EQ(out.move, 7u) << "slot " << i << " still answers";
        const TTEntry& e = hash_table[pos.key % HASH_ENTRIES];
        ASSERT_EQ(e.depth, 0) << "slot " << i;
        ASSERT_EQ(e.move, 0) << "slot " << i;
    }
}

TEST(TranspositionTable, ClearEmptiesTheSlotsOfAFewStoresAndOfMany) {
    ASSERT_TRUE(setup(start_fen));
    for (const uint32_t count : {1u, 100u, SlotLog::CAPACITY, SlotLog::CAPACITY + 1, 50000u}) {
        const uint64_t first = store_many(count);
        static Position pos;
        pos.key = first;
        ScoredMove out{};
        tt_probe(pos, 3, out);
        ASSERT_EQ(out.move, 0x1234u) << count;
        tt_clear();
        expect_cleared(first, count);
        // A slot written again after the clear is noted again and cleared by the next one.
        store_many(1);
        tt_clear();
        expect_cleared(first, 1);
    }
}

TEST(TranspositionTable, DeeperStoresOverASlotAreClearedToo) {
    ASSERT_TRUE(setup(start_fen));
    static Position pos;
    pos.key = 0x5555aaaa5555aaaaull;
    for (int depth = 1; depth <= 5; ++depth) tt_store(pos, depth, ScoredMove{0x4321, depth});
    tt_clear();
    expect_cleared(pos.key, 1);
}

} // namespace
