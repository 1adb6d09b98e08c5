// Time control (allotment, iteration check, clock stop) and the progress lines.
#include <gtest/gtest.h>

#include "game/think.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/root.h"
#include "search/search_helpers.h"
#include "shell/notation.h"
#include "shell/platform.h"
#include "shell/settings.h"
#include "test_position.h"

namespace {

int32_t allot(uint8_t mode, int kind, int per_control, int32_t clock_cs, int side, uint32_t ply) {
    protocol_mode = mode;
    time_control_kind = kind;
    moves_per_control = per_control;
    engine_clock_cs = clock_cs;
    Position pos = game_position;
    pos.side = side;
    pos.ply = ply;
    return allot_time(pos);
}

TEST(TimeControl, Allotment) {
    ASSERT_TRUE(reset_engine(start_fen));
    EXPECT_EQ(allot(MODE_XBOARD, 1, 40, 30000, WHITE, 0), 7500) << "40 moves in 5 minutes";
    EXPECT_EQ(allot(MODE_XBOARD, 1, 40, 30000, WHITE, 80), 7500) << "next period";
    EXPECT_EQ(allot(MODE_XBOARD, 1, 40, 30000, WHITE, 38), 300000 / 21 - 2000) << "hold-back";
    EXPECT_EQ(allot(MODE_XBOARD, 0, 30, 50, WHITE, 10), 1) << "sudden death, 50 cs";
    EXPECT_EQ(allot(MODE_XBOARD, 0, 30, 6000, BLACK, 77), 2000) << "sudden death, 6000 cs";
    EXPECT_EQ(allot(MODE_CONSOLE, 0, 30, 50, WHITE, 0), 2000) << "console";
    reset_engine(start_fen);
}

TEST(TimeControl, IterationsStopAfterFiveEighthsOfTheStretchedAllotment) {
    time_for_move_ms = 7500; // 5/8: 4687 ms
    search_start_ms = tick_ms() - 4600;
    EXPECT_FALSE(iteration_time_up(0));
    search_start_ms = tick_ms() - 4800;
    EXPECT_TRUE(iteration_time_up(0));
    // A change of the best move in this iteration adds a third, one in the last a sixth.
    EXPECT_EQ(iteration_stretch(8, 2, 1), 2 * 1250 + 2500);
    EXPECT_EQ(iteration_stretch(5, 3, 3), 0) << "no stretch up to depth 5";
    EXPECT_FALSE(iteration_time_up(iteration_stretch(7, 0, 1)));
    search_start_ms = tick_ms() - 6400; // (7500 + 2500) * 5 / 8 = 6250
    EXPECT_TRUE(iteration_time_up(iteration_stretch(7, 0, 1)));
}

TEST(TimeControl, TheClockStopsASearchOnlyWhenOneWasGiven) {
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/R3K3 w - - 0 20"));
    protocol_mode = MODE_XBOARD;
    poll_hook = [] { return false; };
    root_has_move = true;
    stop_pending = false;
    search_start_ms = tick_ms() - 5000;
    for (bool given : {false, true}) {
        clock_given = given;
        engine_clock_cs = given ? 550 : 0; // 5 s used: inside the last second of 5.5 s
        search_status = STATUS_RUNNING;
        poll_counter = 0;
        for (uint32_t i = 0; i < POLL_INTERVAL; ++i) enter_node(game_position, 1);
        EXPECT_EQ(search_status, given ? STATUS_STOP : STATUS_RUNNING) << given;
    }
    search_status = STATUS_IDLE;
    reset_engine(start_fen);
}

} // namespace
