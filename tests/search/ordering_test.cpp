// Move ordering (exchange values, the ranking of moves, killers), the check test that
// pruning relies on, and the transposition table.
#include <gtest/gtest.h>

#include "board/make_move.h"
#include "movegen/attacks.h"
#include "movegen/movegen.h"
#include "movegen/notation.h"
#include "search/ordering.h"
#include "search/tt.h"
#include "helpers.h"

namespace {

int sq(const char* text) { return text_to_square(text); }

Move find_move(const std::string& text) {
    ScoredMove list[MAX_MOVES];
    for (ScoredMove *m = list, *end = gen_legal(game.position, list); m != end; ++m)
        if (move_text(m->move) == text) return m->move;
    ADD_FAILURE() << "no legal move " << text;
    return MOVE_NONE;
}

// Ordering score of one move in the alpha-beta search.
int32_t score(const std::string& text, int ply, Move order_move = MOVE_NONE) {
    ScoredMove entry{find_move(text), 0};
    score_moves(game.position, &entry + 1, 1, ply, order_move);
    return entry.score;
}

TEST(Ordering, ExchangeEvaluation) {
    struct Case {
        const char *fen, *from, *to;
        int value;
    } cases[] = {
        {"6k1/8/5n2/3p4/8/8/3R4/3R2K1 w - - 0 1", "d2", "d5", 100 - 505 + 325},
        {"4k3/8/4p3/3n4/4P3/8/8/4K3 w - - 0 1", "e4", "d5", 325 - 100},
        {"8/8/4k3/R3p2Q/8/8/8/7K w - - 0 1", "a5", "e5", 100 - 505 + 1600}, // through the king
        {"3r2k1/3r4/8/3P4/5N2/8/8/6K1 b - - 0 1", "d7", "d5", 100 - 505 + 325},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(reset_engine(c.fen));
        EXPECT_EQ(see(game.position, sq(c.from), sq(c.to)), c.value) << c.fen;
    }
}

TEST(Ordering, HashMoveCapturesKillersHistoryThenLosingCaptures) {
    clear_history_scores();
    ASSERT_TRUE(reset_engine("4k3/8/1n2p3/8/4P3/8/8/4K3 b - - 0 1"));
    ASSERT_TRUE(play("b6d5"));
    EXPECT_GT(score("e4d5", 1), score("e4d5", 0)) << "a recapture, except at the root";

    ASSERT_TRUE(reset_engine("4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 20"));
    EXPECT_LT(score("d1d5", 1), score("d1d3", 1)) << "a losing capture after quiet moves";

    // Killers keep the two latest quiet cut-off moves of their ply, the latest first.
    ASSERT_TRUE(reset_engine("4k3/8/8/3p4/8/8/8/R2RK2R w - - 0 20"));
    const Move a = find_move("a1a5"), b = find_move("h1h5");
    for (auto& pair : search_state.killers) pair[0] = pair[1] = MOVE_NONE;
    update_killers(a, 4);
    update_killers(a, 4);
    EXPECT_EQ(search_state.killers[4][1], MOVE_NONE) << "the same move is not shifted";
    update_killers(b, 4);
    update_killers(find_move("d1d5"), 4);
    EXPECT_EQ(search_state.killers[4][0], b) << "captures are no killers";
    EXPECT_EQ(search_state.killers[4][1], a);
    search_state.killers[2][0] = find_move("e1d2");
    search_state.history_scores[WHITE][sq64(sq("h1"))][sq64(sq("h2"))] = 1000;
    // The hash move, good captures, this ply's killers, the grandparent's, history, other
    // quiet moves.
    int32_t above = score("e1f1", 4, find_move("e1f1"));
    for (const char* m : {"d1d5", "h1h5", "a1a5", "e1d2", "h1h2", "h1g1"}) {
        EXPECT_GT(above, score(m, 4)) << m;
        above = score(m, 4);
    }
    EXPECT_EQ(score("a1a5", 5), score("h1g1", 5)) << "other plies' killers do not apply";
    clear_history_scores();
}

TEST(Attacks, GivesCheckAgreesWithTheCheckersAfterTheMove) {
    // Direct, sliding and discovered checks; castling, en passant and promotions are left
    // to the search's own check extension and are not asked about.
    int checks = 0, moves = 0;
    for (const std::string& fen : perft_suite_fens()) {
        ASSERT_TRUE(reset_engine(fen)) << fen;
        ScoredMove list[MAX_MOVES];
        for (ScoredMove *m = list, *end = gen_legal(game.position, list); m != end; ++m) {
            if (move_is_castle(m->move) || move_is_ep(m->move) || move_promo(m->move)) continue;
            const bool predicted = gives_check(game.position, m->move);
            Undo undo;
            make_move(game.position, m->move, undo);
            const bool actual = game.position.checkers != 0;
            unmake_move(game.position, m->move, undo);
            EXPECT_EQ(predicted, actual) << fen << " " << move_text(m->move);
            checks += actual;
            ++moves;
        }
    }
    EXPECT_GT(checks, 50);
    EXPECT_GT(moves, 1000);
}

TEST(TranspositionTable, ProbeStoreAndClear) {
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/4K3 w - - 0 1"));
    Position pos = game.position;
    ScoredMove out;
    auto probe = [&](uint64_t key, int depth) {
        pos.key = key, out = empty_scored_move, tt_probe(pos, depth, out);
        return out.move;
    };
    auto store = [&](uint64_t key, int depth, Move move) {
        pos.key = key, tt_store(pos, depth, ScoredMove{move, 7});
    };
    const uint64_t key = 0x0123456789ABCDEFull, other = key + HASH_ENTRIES;
    const uint64_t twin = key + (15625ull << 32); // same slot, differs only above bit 32
    ASSERT_EQ(key % HASH_ENTRIES, twin % HASH_ENTRIES);
    store(key, 5, 0x1111);
    EXPECT_EQ(probe(key, 5), 0x1111u);
    EXPECT_EQ(probe(key, 6), 0u) << "an entry serves its own depth and shallower only";
    EXPECT_EQ(probe(twin, 1), 0u) << "the whole 64-bit key must match";
    store(other, 5, 0x2222);
    store(key, 4, 0x3333);
    EXPECT_EQ(probe(key, 1), 0x1111u) << "replacement needs a greater depth";
    store(other, 6, 0x2222);
    EXPECT_EQ(probe(other, 6), 0x2222u);
    EXPECT_EQ(probe(key, 1), 0u);
    tt_clear();
    EXPECT_EQ(probe(other, 1), 0u) << "a cleared table never hits";
    EXPECT_EQ(hash_table[other % HASH_ENTRIES].depth, 0) << "nor keeps its entry";
}

} // namespace
