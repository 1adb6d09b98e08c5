// Time control: the allotment per move, the iteration check with its stretch, and the
// clock panic that aborts a search inside the tree.
#include <gtest/gtest.h>

#include "game/think.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/root.h"
#include "search/search_helpers.h"
#include "shell/platform.h"
#include "shell/settings.h"
#include "test_position.h"

namespace {

class TimeControl : public testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(reset_engine(start_fen));
        protocol_mode = MODE_XBOARD;
    }
    void TearDown() override {
        protocol_mode = MODE_CONSOLE;
        pondering = 0;
    }
    // Allotment for the side to move at game ply g.
    int32_t allot(int side, uint32_t g) {
        Position pos = game_position;
        pos.side = static_cast<uint32_t>(side);
        pos.ply = g;
        return allot_time(pos);
    }
};

TEST_F(TimeControl, ConventionalControlsShareTheClockAmongTheMovesLeft) {
    time_control_kind = 1;
    moves_per_control = 40;
    engine_clock_cs = 30000; // 40 moves in 5 minutes, at the start
    EXPECT_EQ(allot(WHITE, 0), 7500);
    EXPECT_EQ(allot(BLACK, 1), 7500);
    EXPECT_EQ(allot(WHITE, 40), 300000 / 20);
    EXPECT_EQ(allot(WHITE, 80), 7500) << "second period: 40 moves to go again";
    // Shortly before the control two seconds are held back.
    EXPECT_EQ(allot(WHITE, 38), 300000 / 21 - 2000);
    EXPECT_EQ(allot(BLACK, 39), 300000 / 21 - 2000);
    EXPECT_EQ(allot(BLACK, 38), 300000 / 22) << "Black has made one move less; no hold-back at 38";
    engine_clock_cs = 100;
    EXPECT_EQ(allot(WHITE, 38), 1) << "a negative allotment becomes 1 ms";
}

TEST_F(TimeControl, LongGamesNeverRunOutOfPeriods) {
    // 900 moves played at 3 per period: 300 periods, more than eight bits count.
    time_control_kind = 1;
    moves_per_control = 3;
    engine_clock_cs = 6000;
    EXPECT_EQ(allot(WHITE, 1800), 60000 / 3);
    EXPECT_EQ(allot(WHITE, 1802), 60000 / 2);
    EXPECT_EQ(allot(WHITE, 1804), 60000 / 1 - 2000);
    moves_per_control = 40;
    EXPECT_EQ(allot(WHITE, 4000), 60000 / 40);
}

TEST_F(TimeControl, SuddenDeathSpreadsTheClockOverAFixedNumberOfMoves) {
    time_control_kind = 0;
    moves_per_control = 30;
    engine_clock_cs = 50;
    EXPECT_EQ(allot(WHITE, 10), 1);
    engine_clock_cs = 99;
    EXPECT_EQ(allot(WHITE, 10), 1);
    engine_clock_cs = 100;
    EXPECT_EQ(allot(WHITE, 10), 33);
    engine_clock_cs = 6000;
    EXPECT_EQ(allot(BLACK, 77), 2000);
    // A clock far beyond a 32-bit millisecond count does not overflow.
    engine_clock_cs = 2000000000;
    EXPECT_EQ(allot(WHITE, 10), static_cast<int32_t>(20000000000LL / 30));
}

TEST_F(TimeControl, ConsoleAndPonderAllotments) {
    engine_clock_cs = 50;
    time_control_kind = 0;
    protocol_mode = MODE_CONSOLE;
    EXPECT_EQ(allot(WHITE, 0), 2000);
    pondering = 1;
    EXPECT_EQ(allot(WHITE, 0), 2000) << "the console answers first";
    protocol_mode = MODE_XBOARD;
    EXPECT_EQ(allot(WHITE, 0), 10000000);
}

TEST_F(TimeControl, IterationsStopAfterFiveEighthsOfTheStretchedAllotment) {
    time_for_move_ms = 7500; // 5/8 of it: 4687 ms
    search_start_ms = tick_ms() - 4600;
    EXPECT_FALSE(iteration_time_up(0));
    search_start_ms = tick_ms() - 4800;
    EXPECT_TRUE(iteration_time_up(0));
    // One change of the best move in this iteration (a third) and one in the last (a sixth).
    EXPECT_EQ(iteration_stretch(7, 0, 1), 2500);
    EXPECT_EQ(iteration_stretch(8, 1, 0), 1250);
    EXPECT_EQ(iteration_stretch(8, 2, 1), 2 * 1250 + 2500);
    EXPECT_EQ(iteration_stretch(5, 3, 3), 0) << "no stretch up to depth 5";
    EXPECT_FALSE(iteration_time_up(iteration_stretch(7, 0, 1)));
    search_start_ms = tick_ms() - 6400; // (7500 + 2500) * 5 / 8 = 6250
    EXPECT_TRUE(iteration_time_up(iteration_stretch(7, 0, 1)));
}

TEST_F(TimeControl, ClockPanicLeavesOneSecond) {
    engine_clock_cs = 500;
    search_start_ms = tick_ms() - 3900;
    EXPECT_FALSE(clock_panic());
    search_start_ms = tick_ms() - 4100;
    EXPECT_TRUE(clock_panic());
}

TEST_F(TimeControl, ALowClockAbortsTheSearchInsideTheTree) {
    // 1.5 s on the clock: the poll aborts once 0.5 s have passed, whatever the allotment.
    ASSERT_TRUE(
        reset_engine("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"));
    protocol_mode = MODE_XBOARD;
    input_poll_hook = [] { return false; };
    report_enabled = false;
    clock_given = true;
    engine_clock_cs = 150;
    time_for_move_ms = 1000000;
    search_limits = SearchLimits{};
    best_move = MOVE_NONE;
    best_score = -SCORE_MATE;
    node_count = 0;
    poll_counter = 0;
    search_start_ms = tick_ms();
    search_status = STATUS_RUNNING;
    root_search(game_position);
    const uint32_t elapsed = tick_ms() - search_start_ms;
    search_status = STATUS_IDLE;
    report_enabled = true;
    input_poll_hook = nullptr;
    EXPECT_GE(elapsed, 500u);
    EXPECT_LT(elapsed, 3000u);
    EXPECT_NE(best_move, MOVE_NONE);
}

} // namespace
