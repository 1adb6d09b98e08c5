// The per-node machinery below the root: node entry, quiescence, draws inside the tree,
// killers and the check test that pruning relies on.
#include <string>

#include <gtest/gtest.h>

#include "board/make_move.h"
#include "eval/evaluate.h"
#include "movegen/attacks.h"
#include "movegen/movegen.h"
#include "search/ordering.h"
#include "search/node.h"
#include "search/quiesce.h"
#include "search/search_helpers.h"
#include "movegen/notation.h"
#include "test_position.h"

namespace {

ScoredMove area[LIST_STACK_SIZE];

int qsearch(int ply = 1) {
    search_state.status = STATUS_RUNNING;
    const int v = quiesce(game_position, -SCORE_INFINITE, SCORE_INFINITE, area, ply, 0);
    search_state.status = STATUS_IDLE;
    return v;
}

TEST(Nodes, EntryCountsAndClearsThePlysSlots) {
    ASSERT_TRUE(reset_engine(start_fen));
    begin_search();
    search_state.killers[3][0] = search_state.killers[3][1] = 12345;
    search_state.pv[3][0] = search_state.pv[4][0] = 777;
    game_history[game_position.ply].move = 999;
    enter_node(game_position, 3);
    EXPECT_EQ(search_state.nodes, 1u);
    EXPECT_EQ(search_state.killers[3][0] | search_state.killers[3][1], MOVE_NONE);
    EXPECT_EQ(search_state.pv[3][0] | search_state.pv[4][0], MOVE_NONE);
    EXPECT_EQ(game_history[game_position.ply].move, MOVE_NONE);
    // A node limit turns into a stop once the root has a move.
    search_state.limits = depth_limits(30);
    search_state.limits.nodes = 2;
    search_state.root_has_move = true;
    search_state.status = STATUS_RUNNING;
    enter_node(game_position, 1);
    EXPECT_EQ(search_state.status, STATUS_STOP);
    search_state.status = STATUS_IDLE;
}

TEST(Nodes, QuiescenceResolvesCapturesAndKnowsMateAndDeadDraws) {
    // Nothing to capture: the static value stands.
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"));
    EXPECT_EQ(qsearch(), evaluate(game_position));
    // A hanging queen is taken.
    ASSERT_TRUE(reset_engine("4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1"));
    EXPECT_GT(qsearch(), evaluate(game_position) + 800);
    // In check without an evasion: mated at this ply (the game is long enough to have
    // reached it).
    ASSERT_TRUE(reset_engine("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 10"));
    EXPECT_EQ(qsearch(3), 3 - SCORE_MATE);
    // Bare kings and a lone minor piece are dead draws, whatever the material sum says.
    for (const char* fen : {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "4k3/8/8/8/8/8/8/4KB2 w - - 0 1",
                            "4k3/8/8/8/8/8/8/3NKN2 w - - 0 1"}) {
        ASSERT_TRUE(reset_engine(fen));
        EXPECT_EQ(qsearch(), 0) << fen;
    }
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/3BKB2 w - - 0 1"));
    EXPECT_NE(qsearch(), 0) << "two bishops can mate";
}

TEST(Nodes, RepetitionInsideTheTreeIsADraw) {
    // The root position recurs two plies into the search: one earlier occurrence is enough
    // there, while at game level it takes two.
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/Q3K3 w - - 0 1"));
    for (const char* m : {"e1d1", "e8d8", "d1e1", "d8e8"}) ASSERT_TRUE(play(m));
    EXPECT_FALSE(is_repetition(game_position, 0));
    EXPECT_TRUE(is_repetition(game_position, 4));
    EXPECT_EQ(qsearch(4), 0) << "a queen up, yet a repetition";
}

TEST(Ordering, KillersKeepTheTwoLatestQuietCutoffs) {
    const Move a = make_move_word(SQ_G1, SQ_G1 + 31), b = make_move_word(SQ_B1, SQ_B1 + 33);
    const Move capture = make_move_word(SQ_E1, SQ_E1 + 16, KNIGHT);
    search_state.killers[5][0] = search_state.killers[5][1] = MOVE_NONE;
    update_killers(a, 5);
    update_killers(a, 5); // the same move again changes nothing
    EXPECT_EQ(search_state.killers[5][0], a);
    EXPECT_EQ(search_state.killers[5][1], MOVE_NONE);
    update_killers(b, 5);
    EXPECT_EQ(search_state.killers[5][0], b);
    EXPECT_EQ(search_state.killers[5][1], a);
    update_killers(capture, 5); // captures are ordered by their exchange value instead
    EXPECT_EQ(search_state.killers[5][0], b);
    EXPECT_EQ(search_state.killers[5][1], a);
}

TEST(Attacks, GivesCheckAgreesWithTheCheckersAfterTheMove) {
    // Direct, sliding and discovered checks; castling, en passant and promotions are left
    // to the search's own check extension and are not asked about.
    int checks = 0, moves = 0;
    for (const std::string& fen : perft_suite_fens()) {
        ASSERT_TRUE(reset_engine(fen)) << fen;
        ScoredMove list[MAX_MOVES];
        for (ScoredMove *m = list, *end = gen_legal(game_position, list); m != end; ++m) {
            if (move_is_castle(m->move) || move_is_ep(m->move) || move_promo(m->move)) continue;
            const bool predicted = gives_check(game_position, m->move);
            Undo undo;
            make_move(game_position, m->move, undo);
            const bool actual = game_position.checkers != 0;
            unmake_move(game_position, m->move, undo);
            EXPECT_EQ(predicted, actual) << fen << " " << move_text(m->move);
            checks += actual;
            ++moves;
        }
    }
    EXPECT_GT(checks, 50);
    EXPECT_GT(moves, 1000);
}

} // namespace
