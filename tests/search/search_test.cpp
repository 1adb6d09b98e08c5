// The search in this process: shortest mates, draws inside the tree, quiescence, the state
// a search leaves behind (also when aborted or capped), and lines that run into the ply
// limit.
#include <algorithm>

#include <gtest/gtest.h>

#include "eval/evaluate.h"
#include "search/front_end.h"
#include "search/quiesce.h"
#include "search/search.h"
#include "search/search_helpers.h"
#include "test_position.h"

namespace {

ScoredMove area[LIST_STACK_SIZE];

int qsearch(int ply) {
    search_state.status = STATUS_RUNNING;
    const int v = quiesce(game.position, -SCORE_INFINITE, SCORE_INFINITE, area, ply, 0);
    search_state.status = STATUS_IDLE;
    return v;
}

int polls, stop_after;
bool stopping_hook() { return ++polls >= stop_after; }

TEST(Search, RootFindsEveryShortestMateAndLeavesTheGameAlone) {
    const auto suite = load_mate_suite();
    ASSERT_GE(suite.size(), 20u);
    for (const MateCase& c : suite) {
        ASSERT_TRUE(reset_engine(c.fen)) << c.fen;
        const GameSnapshot before = take_snapshot();
        const RootResult r = search_to_depth(30);
        EXPECT_EQ(r.best_score, SCORE_MATE - (2 * c.moves - 1)) << c.fen;
        EXPECT_NE(std::find(c.firsts.begin(), c.firsts.end(), move_text(r.best_move)),
                  c.firsts.end())
            << c.fen << " played " << move_text(r.best_move);
        EXPECT_EQ(compare_snapshot(before), "") << c.fen;
    }
}

TEST(Search, QuiescenceResolvesCapturesAndKnowsMateAndDeadDraws) {
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"));
    EXPECT_EQ(qsearch(1), evaluate(game.position)) << "nothing to capture";
    ASSERT_TRUE(reset_engine("4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1"));
    EXPECT_GT(qsearch(1), evaluate(game.position) + 800) << "a hanging queen";
    // In check without an evasion: mated at this ply.
    ASSERT_TRUE(reset_engine("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 10"));
    EXPECT_EQ(qsearch(3), 3 - SCORE_MATE);
    // Bare kings and a lone minor piece are dead draws, whatever the material sum says.
    for (const char* fen : {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "4k3/8/8/8/8/8/8/4KB2 w - - 0 1",
                            "4k3/8/8/8/8/8/8/3NKN2 w - - 0 1"}) {
        ASSERT_TRUE(reset_engine(fen));
        EXPECT_EQ(qsearch(1), 0) << fen;
    }
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/3BKB2 w - - 0 1"));
    EXPECT_NE(qsearch(1), 0) << "two bishops can mate";
}

TEST(Search, ARepetitionInsideTheTreeIsADraw) {
    // The position four plies back recurs. Inside the search one earlier occurrence is a
    // draw; at game level (a search rooted here) it takes two, and the queen counts.
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/Q3K3 w - - 0 1"));
    for (const char* m : {"e1d1", "e8d8", "d1e1", "d8e8"}) ASSERT_TRUE(play(m));
    EXPECT_GT(qsearch(0), 800);
    EXPECT_EQ(qsearch(4), 0);
}

TEST(Search, AbortedSearchesRestoreTheGameAndStillYieldAMove) {
    struct Case {
        const char* what;
        int depth;
        uint32_t nodes;
        int stop_after;      // 0: no stopping hook
        uint32_t first_poll; // nodes before the first poll
    } cases[] = {
        {"complete", 6, 0, 0, POLL_INTERVAL},
        {"node limit", 30, 20000, 0, POLL_INTERVAL},
        {"stop from the input poll", 30, 0, 3, POLL_INTERVAL},
        {"stop at the very first node", 30, 0, 1, 1},
        {"one-node limit", 30, 1, 0, POLL_INTERVAL},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(reset_engine(start_fen));
        for (const char* m : {"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "g8f6"}) ASSERT_TRUE(play(m));
        const GameSnapshot before = take_snapshot();
        polls = 0, stop_after = c.stop_after;
        front_end.should_stop = c.stop_after ? stopping_hook : nullptr;
        search_state.limits = depth_limits(c.depth);
        search_state.limits.nodes = c.nodes;
        begin_search();
        search_state.poll_counter = POLL_INTERVAL - c.first_poll;
        search_state.status = STATUS_RUNNING;
        root_search(game.position);
        search_state.status = STATUS_IDLE;
        front_end.should_stop = nullptr;
        EXPECT_EQ(compare_snapshot(before), "") << c.what;
        EXPECT_EQ(polls, c.stop_after) << c.what;
        EXPECT_NE(search_state.best_move, MOVE_NONE) << c.what;
        EXPECT_TRUE(play(move_text(search_state.best_move)))
            << c.what << ": " << move_text(search_state.best_move);
    }
}

TEST(Search, TheNodeCapBoundsEverySearchAndPollsTheInputOnce) {
    const struct {
        uint32_t cap, asked, limit;
        int polls;
    } cases[] = {{300, 0, 300, 1}, {300, 5000, 300, 1}, {300, 100, 100, 1}, {0, 1000, 1000, 0}};
    for (const auto& c : cases) {
        ASSERT_TRUE(reset_engine(start_fen));
        search_state.node_cap = c.cap;
        search_state.limits = depth_limits(30);
        search_state.limits.nodes = c.asked;
        polls = 0, stop_after = 1000;
        front_end.should_stop = stopping_hook;
        begin_search();
        search_state.status = STATUS_RUNNING;
        root_search(game.position);
        search_state.status = STATUS_IDLE;
        front_end.should_stop = nullptr;
        search_state.node_cap = 0;
        EXPECT_EQ(search_state.limits.nodes, c.limit) << c.cap << " " << c.asked;
        EXPECT_EQ(search_state.nodes, c.limit) << c.cap << " " << c.asked;
        EXPECT_EQ(polls, c.polls) << c.cap << " " << c.asked;
    }
}

TEST(Search, LinesRunningIntoThePlyLimitStayInsideTheTables) {
    const char* fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 100";
    for (int ply = MAX_PLY - 6; ply < MAX_PLY; ++ply) {
        ASSERT_TRUE(reset_engine(fen));
        const GameSnapshot before = take_snapshot();
        search_state.status = STATUS_RUNNING;
        const int v = search(game.position, -SCORE_INFINITE, SCORE_INFINITE, 7, 1, area, ply, 0, 0);
        search_state.status = STATUS_IDLE;
        EXPECT_LT(std::abs(v), SCORE_INFINITE) << ply;
        EXPECT_EQ(compare_snapshot(before), "") << ply;
    }
}

} // namespace
