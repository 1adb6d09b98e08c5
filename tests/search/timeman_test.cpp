// The time manager with the elapsed time given: allotments, the iteration check, the
// last-second stop, the fixed time per move, and the UCI clock plan with its hard stop.
#include <gtest/gtest.h>

#include "search/timeman.h"
#include "helpers.h"

namespace {

int32_t xboard_allotment(int kind, int per_control, int32_t clock_cs, int side, uint32_t ply) {
    search_state.clock = ClockInputs{};
    set_time_control(static_cast<uint8_t>(per_control), static_cast<uint8_t>(kind));
    set_engine_clock(clock_cs);
    Position pos = game.position;
    pos.side = static_cast<uint32_t>(side);
    pos.ply = ply;
    return allot_time(pos);
}

TEST(TimeManager, XboardAllotments) {
    ASSERT_TRUE(reset_engine(start_fen));
    EXPECT_EQ(xboard_allotment(1, 40, 30000, WHITE, 0), 7500) << "40 moves in 5 minutes";
    EXPECT_EQ(xboard_allotment(1, 40, 30000, WHITE, 80), 7500) << "next period";
    EXPECT_EQ(xboard_allotment(1, 40, 30000, WHITE, 38), 300000 / 21 - 2000) << "hold-back";
    EXPECT_EQ(xboard_allotment(0, 30, 50, WHITE, 10), 1) << "sudden death, 50 cs";
    EXPECT_EQ(xboard_allotment(0, 30, 6000, BLACK, 77), 2000) << "sudden death, 6000 cs";
    EXPECT_EQ(xboard_allotment(1, 0, 6000, BLACK, 77), 60000 / 22) << "a level of 256: as 30";
    EXPECT_GT(xboard_allotment(1, 255, 2000000000, WHITE, 3998), 0) << "huge clock, long game";
    set_fixed_allotment(2000);
    EXPECT_EQ(allot_time(game.position), 2000) << "the console's fixed time";
    set_fixed_allotment(0);
}

TEST(TimeManager, IterationsStopAfterFiveEighthsOfTheStretchedAllotment) {
    // 5/8 of 7500 ms: 4687 ms.
    EXPECT_FALSE(iteration_time_up(4687, 7500, 0));
    EXPECT_TRUE(iteration_time_up(4688, 7500, 0));
    // A change of the best move in this iteration adds a third, one in the last a sixth.
    EXPECT_EQ(iteration_stretch(7500, 8, 2, 1), 2 * 1250 + 2500);
    EXPECT_EQ(iteration_stretch(7500, 5, 3, 3), 0) << "no stretch up to depth 5";
    // (7500 + 2500) * 5 / 8 = 6250
    EXPECT_FALSE(iteration_time_up(6250, 7500, iteration_stretch(7500, 7, 0, 1)));
    EXPECT_TRUE(iteration_time_up(6251, 7500, iteration_stretch(7500, 7, 0, 1)));
}

TEST(TimeManager, TheClockStopsASearchOnlyWhenOneWasGiven) {
    search_state.clock = ClockInputs{};
    EXPECT_FALSE(time_stop_due(5000, 1, 0)) << "no clock given";
    set_engine_clock(550); // 5 s used: inside the last second of 5.5 s
    EXPECT_TRUE(time_stop_due(4501, 1, 0));
    EXPECT_FALSE(time_stop_due(4500, 1, 0));
    set_engine_clock(3000); // the last-second watch begins below 30 s
    EXPECT_FALSE(time_stop_due(29500, 1, 0));
    clear_engine_clock();
    EXPECT_TRUE(time_stop_due(500, 0, 500)) << "a fixed time per move";
    EXPECT_FALSE(time_stop_due(499, 0, 500));
}

TEST(TimeManager, UciClockPlans) {
    const struct {
        int64_t remaining, increment, moves_to_go;
        int32_t low, high; // the allotment must lie in [low, high]
        const char* what;
    } cases[] = {
        {300000, 0, 40, 7500, 7500, "40 moves in 5 minutes"},
        {300000, 2000, 40, 9500, 9500, "the increment comes on top"},
        {5000, 50, 0, 90, 110, "5 s + 0.05 s: a reserve is kept"},
        {1200, 50, 0, 25, 25, "below the reserve: half the increment"},
        {1500, 500, 0, 250, 250, "a large increment is partly banked first"},
        {60000, 0, 0, 1400, 1500, "a minute, sudden death"},
        {900000, 10000, 0, 22000, 23000, "15 min + 10 s"},
        {100, 5000, 0, 50, 50, "never more than half of the clock"},
        {0, 0, 0, 1, 1, "an empty clock"},
        {-5, -100, 0, 1, 1, "nonsense"},
        {1000000000000, 0, 0, 1, INT32_MAX, "absurdly large"},
    };
    for (const auto& c : cases) {
        search_state.clock = ClockInputs{};
        plan_uci_clock(c.remaining, c.increment, c.moves_to_go);
        const int32_t a = allot_time(game.position);
        EXPECT_GE(a, c.low) << c.what;
        EXPECT_LE(a, c.high) << c.what;
    }
}

TEST(TimeManager, UciHardStop) {
    // Four allotments, or half of the clock when that comes first; one allotment after a
    // ponder hit.
    search_state.clock = ClockInputs{};
    plan_uci_clock(300000, 0, 40); // 7500 ms
    EXPECT_FALSE(time_stop_due(29999, 7500, 0));
    EXPECT_TRUE(time_stop_due(30000, 7500, 0));
    plan_uci_clock(20000, 0, 1); // 20000 ms allotted, half the clock is 10 s
    EXPECT_FALSE(time_stop_due(9999, 10000, 0));
    EXPECT_TRUE(time_stop_due(10000, 10000, 0));
    plan_uci_clock(300000, 0, 40);
    restart_clock_after_ponder_hit();
    EXPECT_TRUE(time_stop_due(7500, 7500, 0));
    EXPECT_FALSE(time_stop_due(7499, 7500, 0));
    clear_engine_clock();
    EXPECT_FALSE(time_stop_due(1000000, 7500, 0));
}

} // namespace
