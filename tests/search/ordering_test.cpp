// Move ordering: the exchange evaluation, the scoring rules of both searches, the selection
// step, killers and the cut-off statistics behind pruning and reductions.
#include <gtest/gtest.h>

#include "board/history.h"
#include "movegen/movegen.h"
#include "search/ordering.h"
#include "search/search_helpers.h"
#include "shell/notation.h"
#include "test_position.h"

namespace {

int sq(const char* text) {
    return text_to_square(text);
}

Move find_move(const std::string& text) {
    ScoredMove list[MAX_MOVES];
    ScoredMove* end = gen_legal(game_position, list);
    for (ScoredMove* m = list; m != end; ++m)
        if (move_text(m->move) == text) return m->move;
    ADD_FAILURE() << "no legal move " << text;
    return MOVE_NONE;
}

// Ordering score of one move as the alpha-beta search (or the in-check quiescence) gives it.
int32_t main_score(const std::string& text, int ply, Move order_move = MOVE_NONE) {
    ScoredMove entry{find_move(text), 0};
    score_moves(game_position, &entry + 1, 1, ply, order_move);
    return entry.score;
}

int32_t capture_score(const std::string& text, int ply, Move order_move = MOVE_NONE) {
    ScoredMove entry{find_move(text), 0};
    score_captures(game_position, &entry + 1, 1, ply, order_move);
    return entry.score;
}

class Ordering : public testing::Test {
  protected:
    void SetUp() override {
        clear_history_scores();
        clear_cutoff_stats();
        for (int i = 0; i <= MAX_PLY + 1; ++i) killer1[i] = killer2[i] = MOVE_NONE;
    }
};

TEST_F(Ordering, ExchangeEvaluationIsTheWholeAlternatingSum) {
    // Rook takes a pawn defended by a knight, a second rook behind the first: 100 - 505 + 325.
    ASSERT_TRUE(reset_engine("6k1/8/5n2/3p4/8/8/3R4/3R2K1 w - - 0 1"));
    EXPECT_EQ(see(game_position, sq("d2"), sq("d5")), -80);

    // Pawn takes a knight defended by a pawn.
    ASSERT_TRUE(reset_engine("4k3/8/4p3/3n4/4P3/8/8/4K3 w - - 0 1"));
    EXPECT_EQ(see(game_position, sq("e4"), sq("d5")), 225);

    // Queen takes a pawn defended by a pawn.
    ASSERT_TRUE(reset_engine("4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 1"));
    EXPECT_EQ(see(game_position, sq("d1"), sq("d5")), -900);

    // An undefended piece is simply won; an empty target (en passant) starts at 0.
    ASSERT_TRUE(reset_engine("4k3/8/8/3n4/8/8/8/3RK3 w - - 0 1"));
    EXPECT_EQ(see(game_position, sq("d1"), sq("d5")), 325);

    // Not a minimax: the sum runs on through the king's capture and stops there.
    ASSERT_TRUE(reset_engine("8/8/4k3/R3p2Q/8/8/8/7K w - - 0 1"));
    EXPECT_EQ(see(game_position, sq("a5"), sq("e5")), 100 - 505 + 1600);

    // Black to move: the side to move's values count positive.
    ASSERT_TRUE(reset_engine("3r2k1/3r4/8/3P4/5N2/8/8/6K1 b - - 0 1"));
    EXPECT_EQ(see(game_position, sq("d7"), sq("d5")), 100 - 505 + 325);
}

TEST_F(Ordering, CapturesAreOrderedByExchangeValueAndRecaptureFirst) {
    ASSERT_TRUE(reset_engine("4k3/8/1n2p3/8/4P3/8/8/4K3 b - - 0 1"));
    ASSERT_TRUE(play("b6d5")); // the knight arrives on d5, defended by the e6 pawn
    EXPECT_EQ(main_score("e4d5", 1), 100000225) << "recapture on the square just reached";
    EXPECT_EQ(main_score("e4d5", 0), 90000225) << "no recapture bonus at the root";
    EXPECT_EQ(main_score("e4e5", 1), 0) << "quiet move with no history";

    // A losing capture ranks below quiet moves with a non-negative history score.
    ASSERT_TRUE(reset_engine("4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 20"));
    EXPECT_EQ(main_score("d1d5", 1), -900);
    history_scores[WHITE][sq64(sq("d1"))][sq64(sq("d3"))] = 5;
    EXPECT_EQ(main_score("d1d3", 1), 5);
    // ...unless it is the ordering move, which outranks everything in both searches.
    const Move losing = find_move("d1d5");
    EXPECT_EQ(main_score("d1d5", 1, losing), 1000000000);
    EXPECT_EQ(capture_score("d1d5", 1, losing), 100000000);
    // Ordering-move identity is from, to and promotion only.
    EXPECT_EQ(main_score("d1d5", 1, make_move_word(sq("d1"), sq("d5"))), 1000000000);
}

TEST_F(Ordering, EnPassantCountsAsAPawnCaptureOfExchangeValueZero) {
    ASSERT_TRUE(reset_engine("4k3/3p4/8/4P3/8/8/8/4K3 b - - 0 1"));
    ASSERT_TRUE(play("d7d5"));
    EXPECT_EQ(main_score("e5d6", 1), 90000000);
    EXPECT_EQ(capture_score("e5d6", 1), 100 - 100 + 9000000);
}

TEST_F(Ordering, PromotionsByKindAndExchange) {
    // a8 is covered by the rook, so promoting there loses the pawn by exchange.
    ASSERT_TRUE(reset_engine("1r2k3/P7/8/8/8/8/8/4K3 w - - 0 20"));
    history_scores[WHITE][sq64(sq("a7"))][sq64(sq("a8"))] = 7;
    EXPECT_EQ(main_score("a7b8q", 1), 100000000 + 505);
    EXPECT_EQ(main_score("a7b8n", 1), 90000000 + 505)
        << "under-promotion captures rank as captures";
    EXPECT_EQ(main_score("a7a8q", 1), 7)
        << "a queen promotion with a losing exchange falls to history";
    EXPECT_EQ(main_score("a7a8n", 1), 7);

    EXPECT_EQ(capture_score("a7b8q", 1), 10000000 + 505);
    EXPECT_EQ(capture_score("a7b8r", 1), 505 - 100 + 9000000);
    EXPECT_EQ(capture_score("a7a8r", 1), 0);
    EXPECT_EQ(capture_score("a7a8q", 1), 0);

    ASSERT_TRUE(reset_engine("4k3/P7/8/8/8/8/8/4K3 w - - 0 20"));
    EXPECT_EQ(main_score("a7a8q", 1), 100000000);
    EXPECT_EQ(capture_score("a7a8q", 1), 10000000);
}

TEST_F(Ordering, QuiescenceCapturesAreMostValuableVictimLeastValuableAttacker) {
    ASSERT_TRUE(reset_engine("7k/8/8/3r4/2P1Q3/8/8/4K3 b - - 0 1"));
    ASSERT_TRUE(play("d5d4")); // lands next to the queen
    EXPECT_EQ(capture_score("e4d4", 1), 10000000 - 1000) << "recapture";
    EXPECT_EQ(capture_score("e4d4", 0), 505 - 1000 + 9000000) << "no recapture bonus at the root";
    ASSERT_TRUE(reset_engine("7k/8/8/3r4/2P1Q3/8/8/4K3 w - - 0 20"));
    EXPECT_EQ(capture_score("c4d5", 1), 505 - 100 + 9000000);
    EXPECT_EQ(capture_score("e4d5", 1), 505 - 1000 + 9000000);
}

TEST_F(Ordering, KillersRankBelowGoodCapturesAndAboveHistory) {
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/R3K2R w - - 0 20"));
    const Move a = find_move("a1a5"), b = find_move("h1h5"), c = find_move("e1d2"),
               d = find_move("e1f2");
    history_scores[WHITE][sq64(sq("a1"))][sq64(sq("a5"))] = 1000;
    killer1[4] = a;
    killer2[4] = b;
    killer1[2] = c;
    killer2[2] = d;
    EXPECT_EQ(main_score("a1a5", 4), 90000000);
    EXPECT_EQ(main_score("h1h5", 4), 89999999);
    EXPECT_EQ(main_score("e1d2", 4), 89999998);
    EXPECT_EQ(main_score("e1f2", 4), 89999997);
    EXPECT_EQ(main_score("a1a5", 5), 1000) << "other plies' killers do not apply";

    // The grandparent's slots need two plies above the node.
    killer1[0] = c;
    EXPECT_EQ(main_score("e1d2", 1), 0);
}

TEST_F(Ordering, KillerUpdatesShiftOnlyNewQuietMoves) {
    ASSERT_TRUE(reset_engine("4k3/8/8/3p4/8/8/8/R3K2R w - - 0 1"));
    const Move a = find_move("a1a5"), b = find_move("h1h5");
    update_killers(a, 3);
    EXPECT_EQ(killer1[3], a);
    EXPECT_EQ(killer2[3], MOVE_NONE);
    update_killers(a, 3);
    EXPECT_EQ(killer1[3], a);
    EXPECT_EQ(killer2[3], MOVE_NONE) << "the same move is never shifted into the second slot";
    update_killers(b, 3);
    EXPECT_EQ(killer1[3], b);
    EXPECT_EQ(killer2[3], a);
    ASSERT_TRUE(reset_engine("4k3/8/8/3p4/8/8/8/3RK2R w - - 0 1"));
    update_killers(find_move("d1d5"), 3);
    EXPECT_EQ(killer1[3], b) << "captures are no killers";
    EXPECT_EQ(killer2[3], a);
}

TEST_F(Ordering, SelectionTakesTheFirstOfEqualBestScores) {
    ScoredMove list[5] = {{1, 10}, {2, 30}, {3, 20}, {4, 30}, {5, 5}};
    pick_next_move(list, list + 5);
    EXPECT_EQ(list[0].move, 2u);
    EXPECT_EQ(list[1].move, 1u) << "swapped into the picked entry's place";
    pick_next_move(list + 1, list + 5);
    EXPECT_EQ(list[1].move, 4u);
    pick_next_move(list + 2, list + 5);
    EXPECT_EQ(list[2].move, 3u);
    EXPECT_EQ(list[3].move, 1u);
    EXPECT_EQ(list[4].move, 5u);

    ScoredMove equal[3] = {{7, 0}, {8, 0}, {9, 0}};
    pick_next_move(equal, equal + 3);
    EXPECT_EQ(equal[0].move, 7u);
    EXPECT_EQ(equal[1].move, 8u);
    EXPECT_EQ(equal[2].move, 9u);
}

TEST_F(Ordering, CutoffStatisticsDrivePruningAndReduction) {
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/R3K2R w - - 0 1"));
    const Move rook = find_move("a1a5");
    CutoffStat& st = cutoff_stats[sq64(sq("a1"))][sq64(sq("a5"))][make_piece(WHITE, ROOK)];

    // A move never seen before is reducible and not prunable.
    EXPECT_FALSE(late_move_prunable(game_position, rook));
    ASSERT_TRUE(play("a1a5"));
    EXPECT_TRUE(late_move_reducible(game_position, rook));
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/R3K2R w - - 0 1"));

    st = {7, 2}; // 3 * 2 < 7: prunable; 2 <= 21: reducible
    EXPECT_TRUE(late_move_prunable(game_position, rook));
    st = {6, 2}; // 3 * 2 = 6 is not below 6
    EXPECT_FALSE(late_move_prunable(game_position, rook));
    ASSERT_TRUE(play("a1a5"));
    st = {1, 3};
    EXPECT_TRUE(late_move_reducible(game_position, rook));
    st = {1, 4}; // 4 > 3 * 1: a move that often cuts off is searched in full
    EXPECT_FALSE(late_move_reducible(game_position, rook));
}

TEST_F(Ordering, NeitherPruningNorReductionTouchesCapturesOrPassedPawns) {
    // White's b-pawn is passed on b3; the e-pawn is not (the d7 pawn guards its way).
    ASSERT_TRUE(reset_engine("4k3/3p4/8/8/8/8/1P2P3/4K3 w - - 0 1"));
    const int wp = make_piece(WHITE, PAWN);
    cutoff_stats[sq64(sq("b2"))][sq64(sq("b3"))][wp] = {100, 0};
    cutoff_stats[sq64(sq("e2"))][sq64(sq("e3"))][wp] = {100, 0};
    EXPECT_FALSE(late_move_prunable(game_position, find_move("b2b3")));
    EXPECT_TRUE(late_move_prunable(game_position, find_move("e2e3")));

    const Move passed = find_move("b2b3");
    ASSERT_TRUE(play("b2b3"));
    EXPECT_FALSE(late_move_reducible(game_position, passed));

    ASSERT_TRUE(reset_engine("r3k3/8/8/8/8/8/8/R3K3 w - - 0 1"));
    const Move capture = find_move("a1a8");
    cutoff_stats[sq64(sq("a1"))][sq64(sq("a8"))][make_piece(WHITE, ROOK)] = {100, 0};
    EXPECT_FALSE(late_move_prunable(game_position, capture));
    ASSERT_TRUE(play("a1a8"));
    EXPECT_FALSE(late_move_reducible(game_position, capture));
}

TEST_F(Ordering, CutoffRecordCountsQuietMovesTriedBeforeTheCut) {
    ASSERT_TRUE(reset_engine("4k3/8/8/3p4/8/8/8/R2RK3 w - - 0 1"));
    const Move capture = find_move("d1d5"), quiet1 = find_move("a1a2"), quiet2 = find_move("e1f2"),
               cut = find_move("a1a7"), after = find_move("e1e2");
    const Move tried[] = {capture, quiet1, quiet2, cut, after};
    record_cutoff(game_position, cut, tried, 5);
    auto stat = [](const char* from, const char* to, int piece) {
        return cutoff_stats[sq64(sq(from))][sq64(sq(to))][piece];
    };
    const int rook = make_piece(WHITE, ROOK), king = make_piece(WHITE, KING);
    EXPECT_EQ(stat("a1", "a7", rook).cut_count, 1u);
    EXPECT_EQ(stat("a1", "a7", rook).fail_count, 0u);
    EXPECT_EQ(stat("a1", "a2", rook).fail_count, 1u);
    EXPECT_EQ(stat("e1", "f2", king).fail_count, 1u);
    EXPECT_EQ(stat("e1", "e2", king).fail_count, 0u) << "moves after the cut are not counted";
    EXPECT_EQ(stat("d1", "d5", rook).fail_count, 0u) << "captures are not counted";

    // A capture that cuts off records nothing at all.
    const Move tried2[] = {quiet1, capture};
    record_cutoff(game_position, capture, tried2, 2);
    EXPECT_EQ(stat("a1", "a2", rook).fail_count, 1u);
    EXPECT_EQ(stat("d1", "d5", rook).cut_count, 0u);
}

} // namespace
