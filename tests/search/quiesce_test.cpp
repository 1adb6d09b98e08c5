// Quiescence search and the node bookkeeping shared with the alpha-beta search: node entry
// and its poll, the principal-variation table and the material draw.
#include <unistd.h>

#include <gtest/gtest.h>

#include "eval/evaluate.h"
#include "game/think.h"
#include "search/ordering.h"
#include "search/quiesce.h"
#include "search/root.h"
#include "search/search.h"
#include "search/search_helpers.h"
#include "shell/input.h"
#include "shell/notation.h"
#include "shell/platform.h"
#include "shell/settings.h"

namespace {

ScoredMove list[(MAX_PLY + 4) * MAX_MOVES];

int run_quiesce(int alpha, int beta, int ply) {
    node_count = 0;
    search_status = STATUS_RUNNING;
    const int v = quiesce(game_position, alpha, beta, list, ply, 0);
    search_status = STATUS_IDLE;
    return v;
}

TEST(Quiesce, CheckmatedSideScoresItsPlyMinusMate) {
    ASSERT_TRUE(reset_engine("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 20"));
    EXPECT_EQ(run_quiesce(-SCORE_INFINITE, SCORE_INFINITE, 1), -999999);
    EXPECT_EQ(run_quiesce(-SCORE_INFINITE, SCORE_INFINITE, 7), 7 - 1000000);
}

TEST(Quiesce, StalemateIsNotDetectedTheSideStandsPat) {
    ASSERT_TRUE(reset_engine("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"));
    EXPECT_EQ(run_quiesce(-SCORE_INFINITE, SCORE_INFINITE, 1), evaluate(game_position));
}

TEST(Quiesce, LosingCapturesOfMoreValuablePiecesAreNotTried) {
    // Queen takes a pawn guarded by a pawn: skipped before it is made, so no child node.
    ASSERT_TRUE(reset_engine("4k3/8/2p5/3p4/8/8/8/3QK3 w - - 0 20"));
    run_quiesce(-SCORE_INFINITE, SCORE_INFINITE, 1);
    EXPECT_EQ(node_count, 1u);
    EXPECT_EQ(pv_table[1][0], MOVE_NONE);

    // Pawn takes a guarded queen: searched, and it becomes the node's line.
    ASSERT_TRUE(reset_engine("4k3/8/4p3/3q4/4P3/8/8/4K3 w - - 0 20"));
    run_quiesce(-SCORE_INFINITE, SCORE_INFINITE, 1);
    EXPECT_GE(node_count, 2u);
    EXPECT_EQ(move_from(pv_table[1][0]), text_to_square("e4"));
}

TEST(Quiesce, EarlyExitsVisitNoNode) {
    ASSERT_TRUE(reset_engine("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3"));
    // At the ply limit the static evaluation stands, even for a mated side.
    EXPECT_EQ(run_quiesce(-SCORE_INFINITE, SCORE_INFINITE, MAX_PLY), evaluate(game_position));
    EXPECT_EQ(node_count, 0u);
    // No mate can beat an alpha above 999,999 - ply.
    EXPECT_EQ(run_quiesce(999990, SCORE_INFINITE, 10), 999990);
    EXPECT_EQ(node_count, 0u);
    // An abort makes every node return 0 at once.
    search_status = STATUS_STOP;
    EXPECT_EQ(quiesce(game_position, -SCORE_INFINITE, SCORE_INFINITE, list, 1, 0), 0);
    search_status = STATUS_IDLE;

    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/4KN2 w - - 0 1"));
    EXPECT_EQ(run_quiesce(-SCORE_INFINITE, SCORE_INFINITE, 1), 0) << "insufficient material";
    EXPECT_EQ(node_count, 0u);
}

TEST(Quiesce, InsufficientMaterial) {
    struct Case {
        const char* fen;
        bool draw;
    } cases[] = {
        {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", true},     // bare kings
        {"4k3/8/8/8/8/8/8/4KN2 w - - 0 1", true},    // one knight
        {"4kb2/8/8/8/8/8/8/4K3 w - - 0 1", true},    // one bishop
        {"4kb2/8/8/8/8/8/8/4KN2 w - - 0 1", true},   // one minor piece each
        {"4k3/8/8/8/8/8/8/4KR2 w - - 0 1", false},   // a rook
        {"4k3/8/8/8/8/8/8/4KQ2 w - - 0 1", false},   // a queen
        {"4k3/8/8/8/8/8/8/3NKN2 w - - 0 1", false},  // two knights on one side
        {"4k3/8/8/8/8/8/8/3BKN2 w - - 0 1", false},  // two minors on one side
        {"4kr2/8/8/8/8/8/8/4KN2 w - - 0 1", false},  // rook against a minor
        {"3bkb2/8/8/8/8/8/8/4KN2 w - - 0 1", false}, // three officers
        {"4k3/p7/8/8/8/8/8/4K3 w - - 0 1", false},   // a pawn
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(reset_engine(c.fen)) << c.fen;
        EXPECT_EQ(insufficient_material(game_position), c.draw) << c.fen;
    }
}

TEST(PvTable, UpdateKeepsEvenTheLongestLineInsideItsRow) {
    pv_table[4][0] = 11;
    pv_table[4][1] = MOVE_NONE;
    pv_table[3][2] = 99; // stale tail that must be cut off
    update_pv(10, 3);
    EXPECT_EQ(pv_table[3][0], 10u);
    EXPECT_EQ(pv_table[3][1], 11u);
    EXPECT_EQ(pv_table[3][2], MOVE_NONE);

    for (int i = 0; i < MAX_PLY; ++i) pv_table[1][i] = static_cast<Move>(100 + i);
    pv_table[1][MAX_PLY] = MOVE_NONE;
    update_pv(5, 0);
    EXPECT_EQ(pv_table[0][MAX_PLY], static_cast<Move>(100 + MAX_PLY - 1));
    EXPECT_EQ(pv_table[0][MAX_PLY + 1], MOVE_NONE);
}

// Node entry: counters, the poll every 16384 nodes and what it may stop.
class NodeEntry : public testing::Test {
  protected:
    static int hook_calls;
    static bool hook_answer;
    static bool counting_hook() {
        ++hook_calls;
        return hook_answer;
    }

    void SetUp() override {
        ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/R3K3 w - - 0 20"));
        hook_calls = 0;
        hook_answer = false;
        node_count = 0;
        poll_counter = 0;
        root_has_move = true;
        stop_pending = false;
        search_status = STATUS_RUNNING;
        search_start_ms = tick_ms();
    }
    void TearDown() override {
        search_status = STATUS_IDLE;
        input_poll_hook = nullptr;
        protocol_mode = MODE_CONSOLE;
        moves_out_of_book = 0;
    }
    // Runs nodes up to and including the next poll.
    void run_to_poll() {
        poll_counter = 0;
        for (uint32_t i = 0; i < POLL_INTERVAL; ++i) enter_node(game_position, 1);
    }
};
int NodeEntry::hook_calls;
bool NodeEntry::hook_answer;

TEST_F(NodeEntry, PollsExactlyOnTheSixteenThousandThreeHundredEightyFourthNode) {
    input_poll_hook = counting_hook;
    for (uint32_t i = 1; i < POLL_INTERVAL; ++i) enter_node(game_position, 1);
    EXPECT_EQ(hook_calls, 0);
    EXPECT_EQ(poll_counter, POLL_INTERVAL - 1);
    enter_node(game_position, 1);
    EXPECT_EQ(hook_calls, 1);
    EXPECT_EQ(poll_counter, 0u);
    EXPECT_EQ(node_count, POLL_INTERVAL);
    for (uint32_t i = 0; i < POLL_INTERVAL; ++i) enter_node(game_position, 1);
    EXPECT_EQ(hook_calls, 2);
    EXPECT_EQ(search_status, STATUS_RUNNING) << "a hook that answers false stops nothing";
}

TEST_F(NodeEntry, AStopWaitsUntilTheRootHasAScoredMove) {
    input_poll_hook = counting_hook;
    hook_answer = true;
    root_has_move = false;
    run_to_poll();
    EXPECT_EQ(search_status, STATUS_RUNNING);
    EXPECT_TRUE(stop_pending);
    root_has_move = true;
    run_to_poll();
    EXPECT_EQ(search_status, STATUS_STOP);
}

TEST_F(NodeEntry, WaitingInputStopsOnlyProtocolSearchesAfterASearchedMove) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], "x\n", 2), 2);
    set_input_descriptor(fds[0]);
    ASSERT_TRUE(input_pending());

    protocol_mode = MODE_CONSOLE;
    moves_out_of_book = 5;
    run_to_poll();
    EXPECT_EQ(search_status, STATUS_RUNNING) << "the console never lets input interrupt";

    protocol_mode = MODE_XBOARD;
    moves_out_of_book = 0;
    run_to_poll();
    EXPECT_EQ(search_status, STATUS_RUNNING) << "no searched move played yet in this game";

    moves_out_of_book = 1;
    run_to_poll();
    EXPECT_EQ(search_status, STATUS_STOP);

    set_input_descriptor(0);
    close(fds[0]);
    close(fds[1]);
}

TEST_F(NodeEntry, TheClockStopsOnlyWithAGivenClockBelowThirtySeconds) {
    input_poll_hook = counting_hook;
    protocol_mode = MODE_XBOARD;
    search_start_ms = tick_ms() - 5000; // five seconds into the search

    engine_clock_cs = 0; // the console: no front end ever gave a clock
    clock_given = false;
    run_to_poll();
    EXPECT_EQ(search_status, STATUS_RUNNING);

    clock_given = true;
    engine_clock_cs = 3000; // 30 s: not below the threshold
    run_to_poll();
    EXPECT_EQ(search_status, STATUS_RUNNING);

    engine_clock_cs = 700; // 7 s on the clock, 5 s used: 1 s margin not yet reached
    run_to_poll();
    EXPECT_EQ(search_status, STATUS_RUNNING);

    engine_clock_cs = 550; // 5.5 s on the clock, 5 s used: inside the last second
    run_to_poll();
    EXPECT_EQ(search_status, STATUS_STOP);

    search_status = STATUS_RUNNING;
    search_limits.untimed = true; // fixed-depth analysis ignores the clock
    run_to_poll();
    EXPECT_EQ(search_status, STATUS_RUNNING);
}

TEST_F(NodeEntry, NodeLimitStopsAtTheCount) {
    search_limits.nodes = 10;
    for (int i = 0; i < 9; ++i) enter_node(game_position, 1);
    EXPECT_EQ(search_status, STATUS_RUNNING);
    enter_node(game_position, 1);
    EXPECT_EQ(search_status, STATUS_STOP);
}

} // namespace
