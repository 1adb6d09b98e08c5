#include "search/timeman.h"

#include <algorithm>

#include "io/platform.h"

namespace {

// Longer clock values (about eleven days) are taken as this, so that no sum overflows.
constexpr int64_t MAX_CLOCK_MS = 1000000000;
constexpr int64_t MAX_OVERHEAD_MS = 5000;
// Without moves to go the clock is spread over this many more moves (XBoard's "level 0").
constexpr int64_t SUDDEN_DEATH_MOVES = 30;
// With an increment and no moves to go, this many increments stay on the clock: what lies
// beyond them is spread over the moves, and the increment is spent on top. Below the
// reserve a move spends a little less than its increment and the clock climbs back.
constexpr int64_t RESERVE_INCREMENTS = 2;
// However small the increment, the reserve is at least this (without an increment: or half
// the clock when that is less): at 5 s + 0.05 s a clock spread over 30 moves fell below
// 1.5 s by move 30.
constexpr int64_t MIN_RESERVE_MS = 2000;
// A clock of few increments is spread over as many moves as it holds increments, but not
// fewer than this: the search rarely uses all of its allotment, and a clock spread over
// thirty moves would only climb.
constexpr int64_t MIN_HORIZON = 5;
// A search runs at most this many allotments, and never past half of the clock. With moves
// to a control every move draws on the same clock, and an iteration that ran to four
// allotments left the last moves before the control a tenth of a second: there a search
// runs at most two.
constexpr int64_t HARD_ALLOTMENTS = 4;
constexpr int64_t HARD_ALLOTMENTS_TO_CONTROL = 2;
// With moves to go, the clock is shared as if this many more moves were to come: the
// control is reached with time in hand, not with a clock run down to the last moment.
constexpr int64_t SPARE_MOVES = 2;
// A fixed time per move is used to the last moment, so beyond the overhead it keeps a
// thirty-second of itself, up to this much, for a process the scheduler let wait (with
// more engines than cores a move came back 5 ms after its search had ended).
constexpr int64_t MAX_FIXED_MARGIN_MS = 50;

} // namespace

void set_time_control(int moves_per_control, int64_t increment_ms) {
    ClockInputs& c = search_state.clock;
    c.moves_per_control = moves_per_control > 0 ? moves_per_control : 0;
    c.increment_ms = std::clamp<int64_t>(increment_ms, 0, MAX_CLOCK_MS);
    c.moves_to_go = 0;
}

void set_engine_clock(int64_t clock_cs) {
    ClockInputs& c = search_state.clock;
    c.given = true;
    c.remaining_ms = std::clamp<int64_t>(clock_cs, -MAX_CLOCK_MS, MAX_CLOCK_MS / 10) * 10;
}

void set_uci_clock(int64_t remaining_ms, int64_t increment_ms, int64_t moves_to_go) {
    ClockInputs& c = search_state.clock;
    c.given = true;
    c.remaining_ms = std::clamp<int64_t>(remaining_ms, -MAX_CLOCK_MS, MAX_CLOCK_MS);
    c.increment_ms = std::clamp<int64_t>(increment_ms, 0, MAX_CLOCK_MS);
    c.moves_to_go = static_cast<int>(std::clamp<int64_t>(moves_to_go, 0, 1000));
    c.moves_per_control = 0;
}

void clear_engine_clock() {
    ClockInputs& c = search_state.clock;
    const int32_t overhead = c.overhead_ms;
    c = ClockInputs{};
    c.overhead_ms = overhead;
}

void set_move_overhead(int32_t ms) {
    search_state.clock.overhead_ms =
        static_cast<int32_t>(std::clamp<int64_t>(ms, 0, MAX_OVERHEAD_MS));
}

TimePlan plan_time(const ClockInputs& c, int32_t movetime_ms, int64_t moves_made) {
    const int64_t overhead = std::clamp<int64_t>(c.overhead_ms, 0, MAX_OVERHEAD_MS);
    if (movetime_ms > 0) {
        // A fixed time per move is used whole; a clock given beside it (cutechess sends
        // "time" with "st") still bounds it.
        int64_t limit = movetime_ms;
        if (c.given && c.remaining_ms < limit) limit = c.remaining_ms;
        const int64_t margin = limit / 32 < MAX_FIXED_MARGIN_MS ? limit / 32 : MAX_FIXED_MARGIN_MS;
        const int32_t t =
            static_cast<int32_t>(std::clamp<int64_t>(limit - overhead - margin, 1, MAX_CLOCK_MS));
        return TimePlan{t, t, true, false};
    }
    // No clock: the first iteration decides.
    if (!c.given) return TimePlan{1, 0, false, false};

    const int64_t remaining = std::clamp<int64_t>(c.remaining_ms, 0, MAX_CLOCK_MS);
    const int64_t increment = std::clamp<int64_t>(c.increment_ms, 0, MAX_CLOCK_MS);
    const int64_t usable = remaining > overhead ? remaining - overhead : 0;
    int64_t moves_to_go = c.moves_to_go;
    if (moves_to_go <= 0 && c.moves_per_control > 0)
        moves_to_go = c.moves_per_control - (moves_made > 0 ? moves_made : 0) % c.moves_per_control;
    int64_t allotment;
    if (moves_to_go > 0) {
        // The increment comes back after every move: a move may spend its share of the
        // clock and the increment.
        allotment = usable / (moves_to_go + SPARE_MOVES) + increment;
    } else {
        int64_t horizon = SUDDEN_DEATH_MOVES;
        if (increment > 0 && usable / increment < horizon)
            horizon = usable / increment > MIN_HORIZON ? usable / increment : MIN_HORIZON;
        int64_t reserve =
            increment == 0 && usable / 2 < MIN_RESERVE_MS ? usable / 2 : MIN_RESERVE_MS;
        if (reserve < RESERVE_INCREMENTS * increment) reserve = RESERVE_INCREMENTS * increment;
        allotment = (usable - reserve) / horizon + increment;
    }
    // The interface's view of the move is longer than the engine's by the overhead: it is
    // taken off before the clock is halved and again after.
    int64_t hard = usable / 2 - overhead;
    const int64_t most =
        (moves_to_go > 0 ? HARD_ALLOTMENTS_TO_CONTROL : HARD_ALLOTMENTS) * allotment;
    if (hard > most) hard = most;
    hard = std::clamp<int64_t>(hard, 1, MAX_CLOCK_MS);
    allotment = std::clamp<int64_t>(allotment, 1, hard);
    return TimePlan{static_cast<int32_t>(allotment), static_cast<int32_t>(hard), false,
                    increment > 0};
}

void restart_clock_after_ponder_hit() {
    search_state.clock_ms = tick_ms();
    TimePlan& plan = search_state.time_plan;
    if (!plan.fixed && plan.hard_ms > 0) plan.hard_ms = plan.allotment_ms;
}

int32_t iteration_stretch(int32_t allotment_ms, int depth, int changes_before, int changes_now) {
    if (depth <= 5) return 0;
    const int64_t extra = static_cast<int64_t>(changes_before) * (allotment_ms / 6) +
                          static_cast<int64_t>(changes_now) * (allotment_ms / 3);
    return extra > INT32_MAX ? INT32_MAX : static_cast<int32_t>(extra);
}

bool iteration_time_up(uint32_t elapsed_ms, int32_t allotment_ms, int32_t extra) {
    const int64_t elapsed = static_cast<int32_t>(elapsed_ms);
    return elapsed > ((static_cast<int64_t>(allotment_ms) + extra) * 5) / 8;
}

bool time_stop_due(uint32_t elapsed_ms, const TimePlan& plan) {
    return plan.hard_ms > 0 && static_cast<int64_t>(elapsed_ms) >= plan.hard_ms;
}
