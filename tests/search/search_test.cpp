// The alpha-beta search and the root search: mates, draws, the value's bounds, table
// stores, the state a search leaves behind (also when aborted) and the ply limit.
#include <algorithm>

#include <gtest/gtest.h>

#include "eval/evaluate.h"
#include "game/think.h"
#include "movegen/movegen.h"
#include "search/ordering.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/root.h"
#include "search/search.h"
#include "search/search_helpers.h"
#include "search/tt.h"
#include "shell/settings.h"
#include "test_position.h"

namespace {

ScoredMove list[(MAX_PLY + 4) * MAX_MOVES];

bool contains(const std::vector<std::string>& v, const std::string& s) {
    return std::find(v.begin(), v.end(), s) != v.end();
}

int run_search(int alpha, int beta, int depth, int ply, int null_ok = 1) {
    node_count = 0;
    search_status = STATUS_RUNNING;
    const int v = search(game_position, alpha, beta, depth, null_ok, list, ply, 0, 0);
    search_status = STATUS_IDLE;
    return v;
}

TEST(MateSuite, RootSearchFindsEveryShortestMate) {
    const auto suite = load_mate_suite();
    ASSERT_GE(suite.size(), 20u);
    for (const MateCase& c : suite) {
        ASSERT_TRUE(reset_engine(c.fen)) << c.fen;
        report_enabled = false;
        const GameSnapshot before = take_snapshot();
        const RootResult r = search_to_depth(30);
        EXPECT_EQ(r.score, SCORE_MATE - (2 * c.moves - 1)) << c.fen;
        EXPECT_TRUE(contains(c.firsts, move_text(r.move)))
            << c.fen << " played " << move_text(r.move);
        EXPECT_EQ(compare_snapshot(before), "") << c.fen;
        // The expected reply is a legal answer to the chosen move.
        if (c.moves > 1) {
            ASSERT_TRUE(play(move_text(r.move)));
            EXPECT_TRUE(contains(legal_move_texts(), move_text(ponder_move))) << c.fen;
        }
    }
    report_enabled = true;
}

TEST(Search, MateAtPlyOneIsWorthAlmostAMillionAtTheRoot) {
    ASSERT_TRUE(reset_engine("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1"));
    report_enabled = false;
    const RootResult r = search_to_depth(5);
    report_enabled = true;
    EXPECT_EQ(r.score, 999999);
    EXPECT_EQ(move_text(r.move), "a1a8");
    EXPECT_EQ(pv_table[0][0], r.move);
    EXPECT_EQ(pv_table[0][1], MOVE_NONE);
    EXPECT_EQ(ponder_move, MOVE_NONE);
}

TEST(Search, NoMoveAtTheRoot) {
    // Checkmated: nothing is published, the driver's initial values stand.
    ASSERT_TRUE(reset_engine("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3"));
    RootResult r = search_to_depth(5);
    EXPECT_EQ(r.move, MOVE_NONE);
    EXPECT_EQ(r.score, -SCORE_MATE);
    EXPECT_EQ(game_result, RESULT_NONE);
    // Stalemated: the root reports the draw through the game result.
    ASSERT_TRUE(reset_engine("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"));
    r = search_to_depth(5);
    EXPECT_EQ(r.move, MOVE_NONE);
    EXPECT_EQ(game_result, RESULT_STALEMATE);
}

TEST(Search, DrawsInsideTheTreeScoreZero) {
    ASSERT_TRUE(reset_engine("7k/5Q2/6K1/8/8/8/8/8 b - - 0 20"));
    EXPECT_EQ(run_search(-SCORE_INFINITE, SCORE_INFINITE, 3, 1), 0) << "stalemate";
    EXPECT_EQ(run_search(-500, -100, 3, 1), 0) << "the draw value, not the window bound";

    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/3BK3 w - - 0 20"));
    EXPECT_EQ(run_search(-SCORE_INFINITE, SCORE_INFINITE, 3, 1), 0) << "insufficient material";
    EXPECT_EQ(node_count, 0u);

    // A position met once before inside the search is a draw; before the root it takes two.
    ASSERT_TRUE(reset_engine(start_fen));
    for (const char* m : {"g1f3", "g8f6", "f3g1", "f6g8"}) ASSERT_TRUE(play(m));
    EXPECT_EQ(run_search(-SCORE_INFINITE, SCORE_INFINITE, 3, 4), 0) << "repeated within the line";
    EXPECT_EQ(node_count, 0u);
    run_search(-SCORE_INFINITE, SCORE_INFINITE, 1, 1);
    EXPECT_GT(node_count, 0u) << "one repetition before the root is no draw yet";
}

TEST(Search, FailHardBelowFailSoftAbove) {
    ASSERT_TRUE(reset_engine("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"));
    // Nothing reaches alpha: the node returns alpha itself and stores move 0.
    EXPECT_EQ(run_search(5000, 5001, 2, 1, 0), 5000);
    const TTEntry& e = hash_table[game_position.key % HASH_ENTRIES];
    EXPECT_EQ(e.key, game_position.key);
    EXPECT_EQ(e.depth, 2);
    EXPECT_EQ(e.best.move, MOVE_NONE);

    // A cut-off returns the score that reached beta, not beta: here a mate one ply below.
    ASSERT_TRUE(reset_engine("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 20"));
    EXPECT_EQ(run_search(5000, 5001, 1, 1, 0), 999998);

    // A node whose best move raised alpha stores that move.
    ASSERT_TRUE(reset_engine("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3"));
    const int exact = run_search(-SCORE_INFINITE, SCORE_INFINITE, 3, 1);
    const TTEntry& f = hash_table[game_position.key % HASH_ENTRIES];
    EXPECT_EQ(f.key, game_position.key);
    EXPECT_EQ(f.depth, 3);
    EXPECT_NE(f.best.move, MOVE_NONE);
    EXPECT_EQ(f.best.move, pv_table[1][0]);
    EXPECT_EQ(f.best.score, exact);
}

TEST(Search, LinesRunningIntoThePlyLimitStayInsideTheTables) {
    // Entered a few plies below the limit, every node down to ply 60 is visited with
    // checks and captures on the board; the tables of the last plies must hold them.
    const char* fens[] = {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 100",
                          "6k1/5ppp/8/8/8/8/q4PPP/1Q4K1 b - - 0 100"};
    for (const char* fen : fens) {
        for (int ply = MAX_PLY - 6; ply < MAX_PLY; ++ply) {
            ASSERT_TRUE(reset_engine(fen));
            const GameSnapshot before = take_snapshot();
            const int v = run_search(-SCORE_INFINITE, SCORE_INFINITE, 7, ply);
            EXPECT_GT(v, -SCORE_INFINITE);
            EXPECT_LT(v, SCORE_INFINITE);
            EXPECT_EQ(compare_snapshot(before), "") << fen << " ply " << ply;
            search_status = STATUS_RUNNING;
            quiesce(game_position, -SCORE_INFINITE, SCORE_INFINITE, list, ply, 1);
            search_status = STATUS_IDLE;
            EXPECT_EQ(compare_snapshot(before), "") << fen << " ply " << ply;
        }
    }
}

// The state a search leaves behind is the game state it was given, also after an abort,
// and the abort still yields a searched move.
class SearchLeavesGameAlone : public testing::Test {
  protected:
    static int polls;
    static int stop_after;
    static bool stopping_hook() { return ++polls >= stop_after; }

    void SetUp() override {
        ASSERT_TRUE(reset_engine(start_fen));
        for (const char* m : {"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "g8f6"}) ASSERT_TRUE(play(m));
        report_enabled = false;
        polls = 0;
        before = take_snapshot();
    }
    void TearDown() override {
        report_enabled = true;
        input_poll_hook = nullptr;
    }
    void search_and_check(SearchLimits limits, uint32_t first_poll_after = POLL_INTERVAL) {
        search_limits = limits;
        node_count = 0;
        poll_counter = POLL_INTERVAL - first_poll_after;
        best_move = MOVE_NONE;
        best_score = -SCORE_MATE;
        search_status = STATUS_RUNNING;
        root_search(game_position);
        search_status = STATUS_IDLE;
        EXPECT_EQ(compare_snapshot(before), "");
        EXPECT_TRUE(contains(legal_move_texts(), move_text(best_move))) << move_text(best_move);
        EXPECT_GT(best_score, -SCORE_MATE);
        EXPECT_EQ(best_move, pv_table[0][0]);
    }
    GameSnapshot before;
};
int SearchLeavesGameAlone::polls;
int SearchLeavesGameAlone::stop_after;

TEST_F(SearchLeavesGameAlone, AfterACompleteSearch) {
    search_and_check(SearchLimits{6, 0, 0, true});
}

TEST_F(SearchLeavesGameAlone, AfterANodeLimitAbort) {
    for (uint32_t limit : {50000u, 20000u, 3000u}) {
        search_and_check(SearchLimits{30, limit, 0, true});
        EXPECT_LT(node_count, limit + 1000) << "the limit ends the search soon after it is reached";
    }
}

TEST_F(SearchLeavesGameAlone, AfterAnAbortFromTheInputPoll) {
    stop_after = 3;
    input_poll_hook = stopping_hook;
    search_and_check(SearchLimits{30, 0, 0, true});
    EXPECT_EQ(polls, 3);
}

TEST_F(SearchLeavesGameAlone, AStopBeforeTheFirstRootScoreStillYieldsAMove) {
    // The very first node polls and is told to stop; the root still scores its first move.
    stop_after = 1;
    input_poll_hook = stopping_hook;
    search_and_check(SearchLimits{30, 0, 0, true}, 1);
    EXPECT_EQ(polls, 1);
    input_poll_hook = nullptr;
    search_and_check(SearchLimits{30, 1, 0, true}); // a node limit of one node
}

TEST(RootSearch, IterationStops) {
    // One legal move: one iteration is enough.
    ASSERT_TRUE(reset_engine("7k/8/6K1/8/8/8/8/1Q6 b - - 0 1"));
    start_capture();
    search_to_depth(10);
    std::string out = finish_capture();
    EXPECT_NE(out.find("Depth:1 "), std::string::npos) << out;
    EXPECT_EQ(out.find("Depth:2 "), std::string::npos) << out;

    // ...except while pondering, which only an abort or the depth limit ends.
    pondering = 1;
    start_capture();
    search_to_depth(4);
    out = finish_capture();
    pondering = 0;
    EXPECT_NE(out.find("Depth:4 "), std::string::npos) << out;
    EXPECT_EQ(out.find("Depth:5 "), std::string::npos) << out;

    // A mate: the second iteration with a mate score ends the search, at depth 3 at the earliest.
    ASSERT_TRUE(reset_engine("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1"));
    start_capture();
    search_to_depth(20);
    out = finish_capture();
    EXPECT_NE(out.find("Depth:3 "), std::string::npos) << out;
    EXPECT_EQ(out.find("Depth:4 "), std::string::npos) << out;

    // The depth limit of a front end ends it too.
    ASSERT_TRUE(reset_engine(start_fen));
    start_capture();
    search_to_depth(3);
    out = finish_capture();
    EXPECT_NE(out.find("Depth:3 "), std::string::npos) << out;
    EXPECT_EQ(out.find("Depth:4 "), std::string::npos) << out;
}

} // namespace
