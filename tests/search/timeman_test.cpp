// The time manager's plan with the clock given as a number: no plan may let a search run
// past the clock, whatever the control; and the plans keep the shape the interfaces'
// controls ask for (moves to the control counted from the set-up, the increment spent, a
// fixed time used whole).
#include <gtest/gtest.h>

#include "search/timeman.h"
#include "helpers.h"

namespace {

ClockInputs xboard_clock(int moves_per_control, int64_t increment_ms, int64_t clock_ms,
                         int32_t overhead_ms = DEFAULT_MOVE_OVERHEAD_MS) {
    ClockInputs c{};
    c.given = true;
    c.moves_per_control = moves_per_control;
    c.increment_ms = increment_ms;
    c.remaining_ms = clock_ms;
    c.overhead_ms = overhead_ms;
    return c;
}

ClockInputs uci_clock(int64_t clock_ms, int64_t increment_ms, int moves_to_go,
                      int32_t overhead_ms = DEFAULT_MOVE_OVERHEAD_MS) {
    ClockInputs c = xboard_clock(0, increment_ms, clock_ms, overhead_ms);
    c.moves_to_go = moves_to_go;
    return c;
}

// Every control the interfaces send, over a range of clocks, moves made and overheads: the
// hard stop is at most half of the clock, less the overhead before and after halving (a
// fixed time: the time, or the clock when that is shorter, less the overhead), and the
// allotment never beyond it.
TEST(TimeManager, NoPlanRunsPastTheClock) {
    const int64_t clocks[] = {0,    1,    9,    10,    11,    25,     100,     999,
                              1000, 2000, 3000, 10000, 59999, 300000, 3600000, 1000000000};
    const int64_t increments[] = {0, 10, 100, 1000, 12000, 60000};
    const int levels[] = {0, 1, 2, 40, 256};
    const int overheads[] = {0, 10, 100, 5000};
    int plans = 0;
    for (int64_t clock : clocks)
        for (int64_t inc : increments)
            for (int overhead : overheads)
                for (int64_t made : {0, 1, 38, 39, 40, 77, 1999}) {
                    for (int level : levels) {
                        const TimePlan p =
                            plan_time(xboard_clock(level, inc, clock, overhead), 0, made);
                        const int64_t cap = (clock - overhead) / 2 - overhead > 1
                                                ? (clock - overhead) / 2 - overhead
                                                : 1;
                        ASSERT_GE(p.allotment_ms, 1);
                        ASSERT_LE(p.allotment_ms, p.hard_ms) << clock << " " << inc << " " << level;
                        ASSERT_LE(p.hard_ms, cap)
                            << clock << " " << inc << " " << level << " " << made;
                        ASSERT_FALSE(p.fixed);
                        ++plans;
                    }
                    for (int mtg : {0, 1, 2, 40}) {
                        const TimePlan p = plan_time(uci_clock(clock, inc, mtg, overhead), 0, made);
                        const int64_t cap = (clock - overhead) / 2 - overhead > 1
                                                ? (clock - overhead) / 2 - overhead
                                                : 1;
                        ASSERT_LE(p.allotment_ms, p.hard_ms);
                        ASSERT_LE(p.hard_ms, cap) << clock << " " << inc << " " << mtg;
                        ++plans;
                    }
                    for (int32_t movetime : {1, 10, 500, 1000, 3600000}) {
                        const TimePlan p =
                            plan_time(uci_clock(clock, inc, 0, overhead), movetime, made);
                        const int64_t limit = (movetime < clock ? movetime : clock) - overhead;
                        ASSERT_TRUE(p.fixed);
                        ASSERT_EQ(p.allotment_ms, p.hard_ms);
                        ASSERT_LE(p.hard_ms, limit > 1 ? limit : 1) << movetime << " " << clock;
                        ++plans;
                    }
                }
    EXPECT_GT(plans, 10000);
}

TEST(TimeManager, ControlsShapeThePlan) {
    // 40 moves in 5 minutes, the first move after the set-up: the clock less the overhead
    // shared as if by 42 moves, and the hard stop at two allotments.
    TimePlan p = plan_time(xboard_clock(40, 0, 300000), 0, 0);
    EXPECT_EQ(p.allotment_ms, 299990 / 42);
    EXPECT_EQ(p.hard_ms, 2 * (299990 / 42));
    // The control counts moves from the set-up: 37 made, 3 to go; the next period starts
    // afresh after 40.
    EXPECT_EQ(plan_time(xboard_clock(40, 0, 60000), 0, 37).allotment_ms, 59990 / 5);
    EXPECT_EQ(plan_time(xboard_clock(40, 0, 60000), 0, 40).allotment_ms, 59990 / 42);
    // The last move before the control: a third of the clock, and never more than half of
    // it less the overhead before and after halving.
    p = plan_time(xboard_clock(40, 0, 40000), 0, 39);
    EXPECT_EQ(p.allotment_ms, 39990 / 3);
    EXPECT_EQ(p.hard_ms, 39990 / 2 - 10);
    // Sudden death: four allotments.
    p = plan_time(uci_clock(60000, 0, 0), 0, 0);
    EXPECT_EQ(p.hard_ms, 4 * p.allotment_ms);
    // "level 0 2 12": the increment is spent on top of the clock's share; a clock of ten
    // increments is spread over nine moves, beyond a reserve of two increments.
    EXPECT_EQ(plan_time(xboard_clock(0, 12000, 120000), 0, 0).allotment_ms,
              (119990 - 2 * 12000) / 9 + 12000);
    // 10 s + 0.1 s: a thirtieth of the clock beyond the reserve (at least 2 s), and the
    // increment.
    EXPECT_EQ(plan_time(uci_clock(10000, 100, 0), 0, 0).allotment_ms, (9990 - 2000) / 30 + 100);
    // 2 s + 1 s: a move spends less than the increment while the clock is below two
    // increments, so the clock climbs back to them; a forced move is searched too, or the
    // increments it banks would pile up.
    p = plan_time(uci_clock(2000, 1000, 0), 0, 10);
    EXPECT_LT(p.allotment_ms, 1000);
    EXPECT_GT(p.allotment_ms, 700);
    EXPECT_TRUE(p.search_forced);
    EXPECT_FALSE(plan_time(uci_clock(60000, 0, 0), 0, 0).search_forced);
    // A minute without increment: a thirtieth of the clock beyond 2 s; a second: a thirtieth
    // of its half.
    EXPECT_EQ(plan_time(uci_clock(60000, 0, 0), 0, 0).allotment_ms, (59990 - 2000) / 30);
    EXPECT_EQ(plan_time(uci_clock(1000, 0, 0), 0, 0).allotment_ms, (990 - 495) / 30);
    // A fixed time per move is used whole, less the overhead and a margin of a thirty-
    // second, even when the interface sends its clock beside it ("st 1" with "time 100").
    p = plan_time(xboard_clock(0, 0, 1000), 1000, 0);
    EXPECT_TRUE(p.fixed);
    EXPECT_EQ(p.hard_ms, 1000 - 10 - 31);
    EXPECT_EQ(plan_time(uci_clock(0, 0, 0), 60000, 0).hard_ms, 1) << "an empty clock";
    // No clock at all: the first iteration decides.
    EXPECT_EQ(plan_time(ClockInputs{}, 0, 0).hard_ms, 0);
}

TEST(TimeManager, TheHardStopAndTheIterations) {
    const TimePlan p{7500, 30000, false, false};
    EXPECT_FALSE(time_stop_due(29999, p));
    EXPECT_TRUE(time_stop_due(30000, p));
    EXPECT_FALSE(time_stop_due(1000000, TimePlan{1, 0, false, false})) << "no hard stop";
    // A ponder hit leaves one allotment from the hit.
    search_state.time_plan = p;
    restart_clock_after_ponder_hit();
    EXPECT_EQ(search_state.time_plan.hard_ms, 7500);

    // Iterations end after 5/8 of the allotment: 4687 ms of 7500.
    EXPECT_FALSE(iteration_time_up(4687, 7500, 0));
    EXPECT_TRUE(iteration_time_up(4688, 7500, 0));
    // A change of the best move in this iteration adds a third, one in the last a sixth.
    EXPECT_EQ(iteration_stretch(7500, 8, 2, 1), 2 * 1250 + 2500);
    EXPECT_EQ(iteration_stretch(7500, 5, 3, 3), 0) << "no stretch up to depth 5";
    EXPECT_FALSE(iteration_time_up(6250, 7500, iteration_stretch(7500, 7, 0, 1)));
    EXPECT_TRUE(iteration_time_up(6251, 7500, iteration_stretch(7500, 7, 0, 1)));
}

} // namespace
