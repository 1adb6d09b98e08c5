// The root and alpha-beta search: shortest mates, the state a search leaves behind (also
// when aborted), the held-back stop and lines running into the ply limit.
#include <algorithm>

#include <gtest/gtest.h>

#include "search/quiesce.h"
#include "search/report.h"
#include "search/root.h"
#include "search/search.h"
#include "search/search_helpers.h"
#include "test_position.h"

namespace {

TEST(Search, RootFindsEveryShortestMateAndLeavesTheGameAlone) {
    const auto suite = load_mate_suite();
    ASSERT_GE(suite.size(), 20u);
    for (const MateCase& c : suite) {
        ASSERT_TRUE(reset_engine(c.fen)) << c.fen;
        front_end.progress = nullptr;
        const GameSnapshot before = take_snapshot();
        const RootResult r = search_to_depth(30);
        EXPECT_EQ(r.best_score, SCORE_MATE - (2 * c.moves - 1)) << c.fen;
        EXPECT_NE(std::find(c.firsts.begin(), c.firsts.end(), move_text(r.best_move)),
                  c.firsts.end())
            << c.fen << " played " << move_text(r.best_move);
        EXPECT_EQ(compare_snapshot(before), "") << c.fen;
    }
    ASSERT_TRUE(reset_engine("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1"));
    EXPECT_EQ(search_to_depth(5).best_score, 999999) << "mate at ply one";
}

int polls, stop_after;
bool stopping_hook() { return ++polls >= stop_after; }

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
        front_end.progress = nullptr;
        const GameSnapshot before = take_snapshot();
        polls = 0, stop_after = c.stop_after;
        front_end.should_stop = c.stop_after ? stopping_hook : nullptr;
        search_state.limits = depth_limits(c.depth);
        search_state.limits.nodes = c.nodes;
        search_state.nodes = 0, search_state.poll_counter = POLL_INTERVAL - c.first_poll,
        search_state.best_move = MOVE_NONE;
        search_state.status = STATUS_RUNNING;
        root_search(game_position);
        search_state.status = STATUS_IDLE;
        front_end.should_stop = nullptr;
        EXPECT_EQ(compare_snapshot(before), "") << c.what;
        EXPECT_EQ(polls, c.stop_after) << c.what;
        EXPECT_NE(search_state.best_move, MOVE_NONE) << c.what;
        EXPECT_TRUE(play(move_text(search_state.best_move)))
            << c.what << ": " << move_text(search_state.best_move);
    }
}

TEST(Search, LinesRunningIntoThePlyLimitStayInsideTheTables) {
    static ScoredMove list[LIST_STACK_SIZE];
    const char* fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 100";
    for (int ply = MAX_PLY - 6; ply < MAX_PLY; ++ply) {
        ASSERT_TRUE(reset_engine(fen));
        const GameSnapshot before = take_snapshot();
        search_state.status = STATUS_RUNNING;
        const int v = search(game_position, -SCORE_INFINITE, SCORE_INFINITE, 7, 1, list, ply, 0, 0);
        search_state.status = STATUS_IDLE;
        EXPECT_LT(std::abs(v), SCORE_INFINITE) << ply;
        EXPECT_EQ(compare_snapshot(before), "") << ply;
    }
}

} // namespace
