// The transposition table: exact-key, depth-sufficient probes and depth-preferred stores.
#include <gtest/gtest.h>

#include "search/search_helpers.h"
#include "search/tt.h"

namespace {

class TranspositionTable : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/4K3 w - - 0 1"));
        pos = game_position;
    }
    Position pos;

    // The probe result for this key and depth, starting from the empty pair as the search does.
    ScoredMove probe(uint64_t key, int depth) {
        pos.key = key;
        ScoredMove out = empty_scored_move;
        tt_probe(pos, depth, out);
        return out;
    }
    void store(uint64_t key, int depth, Move move, int score) {
        pos.key = key;
        tt_store(pos, depth, ScoredMove{move, score});
    }
};

constexpr uint64_t KEY = 0x0123456789ABCDEFull;

TEST_F(TranspositionTable, ClearedTableNeverHitsWhateverKeysTheSlotsHold) {
    store(KEY, 9, 0x1234, 50);
    tt_clear();
    const TTEntry& e = hash_table[KEY % HASH_ENTRIES];
    EXPECT_EQ(e.key, KEY) << "clearing leaves the key fields alone";
    EXPECT_EQ(e.depth, 0);
    EXPECT_EQ(e.best.move, 0u);
    EXPECT_EQ(e.best.score, -1000000);
    for (int depth = 1; depth < 60; ++depth) EXPECT_EQ(probe(KEY, depth).move, 0u) << depth;
}

TEST_F(TranspositionTable, EntryServesItsOwnDepthAndShallowerOnly) {
    store(KEY, 5, 0x4321, 77);
    for (int depth = 1; depth <= 5; ++depth) {
        const ScoredMove hit = probe(KEY, depth);
        EXPECT_EQ(hit.move, 0x4321u) << depth;
        EXPECT_EQ(hit.score, 77) << depth;
    }
    const ScoredMove miss = probe(KEY, 6);
    EXPECT_EQ(miss.move, 0u);
    EXPECT_EQ(miss.score, -1000000);
}

TEST_F(TranspositionTable, ReplacementIsPurelyDepthPreferred) {
    const uint64_t other = KEY + HASH_ENTRIES; // same slot, another position
    store(KEY, 5, 0x1111, 1);
    store(other, 5, 0x2222, 2); // equal depth: dropped although the key differs
    store(KEY, 4, 0x3333, 3);   // smaller depth for the same position: dropped too
    EXPECT_EQ(probe(KEY, 5).move, 0x1111u);
    EXPECT_EQ(probe(other, 1).move, 0u) << "a probe for another key leaves the pair empty";

    store(other, 6, 0x2222, 2); // deeper: replaces the entry of the other position
    EXPECT_EQ(probe(other, 6).move, 0x2222u);
    EXPECT_EQ(probe(KEY, 1).move, 0u);
    EXPECT_EQ(hash_table[KEY % HASH_ENTRIES].depth, 6);
}

TEST_F(TranspositionTable, FullSixtyFourBitKeysPickTheSlotAndDecideHits) {
    // 15625 * 2^32 is a multiple of 2,000,000: these keys share a slot and differ only above
    // bit 32.
    const uint64_t twin = KEY + (15625ull << 32);
    ASSERT_EQ(KEY % HASH_ENTRIES, twin % HASH_ENTRIES);
    store(KEY, 3, 0x5555, 0);
    EXPECT_EQ(probe(twin, 1).move, 0u);
    EXPECT_EQ(probe(KEY, 1).move, 0x5555u);

    // Equal low 32 bits are not enough to share a slot: the remainder uses the whole key.
    const uint64_t low_twin = KEY + (1ull << 32);
    EXPECT_NE(KEY % HASH_ENTRIES, low_twin % HASH_ENTRIES);
    store(low_twin, 3, 0x6666, 0);
    EXPECT_EQ(hash_table[low_twin % HASH_ENTRIES].best.move, 0x6666u);
    EXPECT_EQ(probe(KEY, 3).move, 0x5555u);
}

TEST_F(TranspositionTable, SettingUpAPositionEmptiesTheTable) {
    store(KEY, 7, 0x7777, 0);
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/4K3 b - - 0 1"));
    EXPECT_EQ(probe(KEY, 1).move, 0u);
}

} // namespace
