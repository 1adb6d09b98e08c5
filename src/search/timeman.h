// Time management in one place, for every front end. The front ends tell it about the
// engine's clock (XBoard "level" and "time", UCI "go" with wtime/btime/winc/binc/movestogo)
// and it keeps what they said in search_state.clock; a fixed time per move (XBoard "st",
// UCI "movetime", the console's thinking time) comes with the search's limits. Before a
// search the think driver asks it for a plan: the allotment the iterations aim at and a
// hard stop that no iteration passes. The root asks it between iterations whether to go
// on, and the node poll whether the hard stop has come.
//
// The plan is a function of its inputs and the decisions take the elapsed time as an
// argument, so all of it can be tested without a clock.
#pragma once

#include <cstdint>

#include "search/search_state.h"

// XBoard "level": moves per period (0 for the whole game) and the increment.
void set_time_control(int moves_per_control, int64_t increment_ms);
// XBoard "time": the engine's clock in centiseconds.
void set_engine_clock(int64_t clock_cs);
// UCI "go" with a clock: the side to move's time, increment and moves to go (0 when the
// interface gave none).
void set_uci_clock(int64_t remaining_ms, int64_t increment_ms, int64_t moves_to_go);
// No clock runs for the engine (UCI "go" without one; a new UCI game).
void clear_engine_clock();
// Milliseconds the interface and the pipe cost per move.
void set_move_overhead(int32_t ms);

// The plan for a search of the side to move that has made moves_made moves since the
// position was set up, with a fixed time per move when movetime_ms > 0.
TimePlan plan_time(const ClockInputs& clock, int32_t movetime_ms, int64_t moves_made);
// UCI "ponderhit": the interface's clock runs from now and the iteration under way began
// long ago, so the search stops after one allotment at the latest.
void restart_clock_after_ponder_hit();

// Extra milliseconds for the iteration check of depth when the best move keeps changing:
// a sixth of the allotment per change in the previous iteration, a third per change in
// this one (none up to depth 5).
int32_t iteration_stretch(int32_t allotment_ms, int depth, int changes_before, int changes_now);
// True when more than 5/8 of the allotment plus extra has passed.
bool iteration_time_up(uint32_t elapsed_ms, int32_t allotment_ms, int32_t extra);
// The node poll's question: has the plan's hard stop come?
bool time_stop_due(uint32_t elapsed_ms, const TimePlan& plan);
