// Time management in one place. The front ends tell it about the engine's clock, each
// with its own call (XBoard "level" and "time", UCI "go" with wtime/btime/winc/binc/
// movestogo, the console's fixed thinking time), and it keeps what they said in
// search_state.clock; the think driver asks it for the allotment of a move; the root asks
// it between iterations whether to go on; and the node poll asks it whether the clock
// forces a stop.
//
// The decisions take the elapsed time as an argument, so they can be tested without a
// clock.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "search/search_state.h"

// XBoard "level": moves per control and its kind; also the UCI default (30, kind 0).
void set_time_control(uint8_t moves_per_control, uint8_t kind);
// XBoard "time": the engine's clock in centiseconds.
void set_engine_clock(int32_t clock_cs);
// UCI "go" with a clock: the side to move's time, increment and moves to go (0 when the
// interface gave none). Plans the allotment and the hard stop.
void plan_uci_clock(int64_t remaining_ms, int64_t increment_ms, int64_t moves_to_go);
// UCI "go" without a clock.
void clear_engine_clock();
// The console thinks for a fixed time per move.
void set_fixed_allotment(int32_t ms);
// UCI "ponderhit": the interface's clock runs from now and the iteration under way began
// long ago, so the hard stop comes after one allotment.
void restart_clock_after_ponder_hit();

// Milliseconds for this move.
int32_t allot_time(const Position& pos);
// Extra milliseconds for the iteration check of depth when the best move keeps changing:
// a sixth of the allotment per change in the previous iteration, a third per change in
// this one (none up to depth 5).
int32_t iteration_stretch(int32_t allotment_ms, int depth, int changes_before, int changes_now);
// True when more than 5/8 of the allotment plus extra has passed.
bool iteration_time_up(uint32_t elapsed_ms, int32_t allotment_ms, int32_t extra);
// True when the elapsed time exceeds the engine's clock less one second.
bool clock_panic(uint32_t elapsed_ms);
// The node poll's question: must the clock, a fixed time per move or the hard limit stop
// the search now?
bool time_stop_due(uint32_t elapsed_ms, int32_t allotment_ms, int32_t movetime_ms);
