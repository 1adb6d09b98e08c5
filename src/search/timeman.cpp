#include "search/timeman.h"

#include "io/platform.h"

namespace {

// Longer clock values (about eleven days) are taken as this, so that no product overflows.
constexpr int64_t MAX_CLOCK_MS = 1000000000;
// A level of 256 moves keeps 0 in eight bits; the whole game is then planned as 30 moves.
constexpr int64_t DEFAULT_MOVES = 30;
// Below this much on the clock the node poll watches for the last second.
constexpr int32_t PANIC_CLOCK_CS = 3000;
constexpr int64_t LAST_SECOND_MS = 1000;

// Sudden death (no moves to go): the clock beyond a reserve for the endgame is spread over
// this many more moves, and half of the increment is spent on top. Below the reserve a
// move spends half its increment, so the clock climbs back: what the search overruns and
// what the interface's round trip costs come out of the other half.
constexpr int64_t SUDDEN_DEATH_MOVES = 40;
constexpr int64_t MIN_RESERVE_MS = 2000;
constexpr int64_t RESERVE_INCREMENTS = 20;

int64_t clamp64(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// The allotment of a UCI clock: r remaining, inc per move, moves_to_go (0: sudden death).
int64_t plan_allotment(int64_t r, int64_t inc, int64_t moves_to_go) {
    if (r <= 0) return 1;
    int64_t budget;
    if (moves_to_go > 0) {
        // The increment comes back after every move: a move may spend its share of the
        // clock plus the increment.
        budget = r / clamp64(moves_to_go, 1, 255) + inc;
    } else {
        const int64_t reserve = clamp64(RESERVE_INCREMENTS * inc, MIN_RESERVE_MS, MAX_CLOCK_MS);
        if (r > reserve)
            budget = (r - reserve) / SUDDEN_DEATH_MOVES + inc / 2;
        else
            budget = inc > 0 ? inc / 2 : r / SUDDEN_DEATH_MOVES;
    }
    // Never more than half of what is left, and at least a millisecond.
    return clamp64(budget, 1, r / 2 > 1 ? r / 2 : 1);
}

} // namespace

void set_time_control(uint8_t moves_per_control, uint8_t kind) {
    ClockInputs& c = search_state.clock;
    c.moves_per_control = moves_per_control;
    c.control_kind = kind;
}

void set_engine_clock(int32_t clock_cs) {
    ClockInputs& c = search_state.clock;
    c.given = true;
    c.clock_cs = clock_cs;
    c.planned_ms = 0;
    c.hard_factor = 0;
}

void plan_uci_clock(int64_t remaining_ms, int64_t increment_ms, int64_t moves_to_go) {
    const int64_t r = clamp64(remaining_ms, 0, MAX_CLOCK_MS);
    const int64_t inc = clamp64(increment_ms, 0, MAX_CLOCK_MS);
    ClockInputs& c = search_state.clock;
    c.given = true;
    c.clock_cs = static_cast<int32_t>(r / 10);
    c.control_kind = 0;
    c.planned_ms = static_cast<int32_t>(plan_allotment(r, inc, moves_to_go));
    c.remaining_ms = r;
    c.hard_factor = 4;
}

void clear_engine_clock() {
    ClockInputs& c = search_state.clock;
    c.given = false;
    c.planned_ms = 0;
    c.hard_factor = 0;
}

void set_fixed_allotment(int32_t ms) { search_state.clock.fixed_allotment_ms = ms; }

void restart_clock_after_ponder_hit() {
    search_state.clock_ms = tick_ms();
    if (search_state.clock.hard_factor) search_state.clock.hard_factor = 1;
}

int32_t allot_time(const Position& pos) {
    const ClockInputs& c = search_state.clock;
    if (c.fixed_allotment_ms > 0) return c.fixed_allotment_ms;
    if (c.planned_ms > 0) return c.planned_ms;
    const int64_t n = c.moves_per_control ? c.moves_per_control : DEFAULT_MOVES;
    // 64-bit arithmetic: a front end may report a clock too large for ten times it to fit.
    const int64_t clock_ms = static_cast<int64_t>(c.clock_cs) * 10;
    int64_t allotment;
    if (c.control_kind == 0) {
        if (c.clock_cs < 100) return 1;
        allotment = clock_ms / n;
    } else {
        const int64_t g = pos.ply;
        const int64_t h = pos.side == WHITE ? g / 2 : (g - 1) / 2;
        // Periods are counted in full width: an eight-bit count would wrap after 255
        // periods and leave a negative number of moves to go (a 1 ms allotment then).
        const int64_t k = h / n + 1;
        const int64_t moves_left = k * n - h; // 1..n
        allotment = clock_ms / moves_left;
        if (g % n == (pos.side == WHITE ? n - 2 : n - 1)) allotment -= 2000;
    }
    if (allotment < 0) return 1;
    return allotment > INT32_MAX ? INT32_MAX : static_cast<int32_t>(allotment);
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

bool clock_panic(uint32_t elapsed_ms) {
    const int64_t elapsed = static_cast<int32_t>(elapsed_ms);
    return elapsed > static_cast<int64_t>(search_state.clock.clock_cs) * 10 - LAST_SECOND_MS;
}

bool time_stop_due(uint32_t elapsed_ms, int32_t allotment_ms, int32_t movetime_ms) {
    const ClockInputs& c = search_state.clock;
    if (c.given && c.clock_cs < PANIC_CLOCK_CS && clock_panic(elapsed_ms)) return true;
    if (movetime_ms > 0 && static_cast<int32_t>(elapsed_ms) >= movetime_ms) return true;
    if (c.given && c.hard_factor > 0) {
        // A deep iteration begun shortly before the time ran out would otherwise lose on
        // time.
        int64_t limit = c.hard_factor * static_cast<int64_t>(allotment_ms);
        if (limit > c.remaining_ms / 2) limit = c.remaining_ms / 2;
        if (static_cast<int64_t>(elapsed_ms) >= limit) return true;
    }
    return false;
}
