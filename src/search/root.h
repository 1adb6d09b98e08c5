// Iterative deepening at the root, time allotment and the search's limits.
#pragma once

#include <cstdint>

#include "board/position.h"

// Room for the lists of a whole search line: MAX_PLY + 2 nodes of the longest list.
constexpr int LIST_STACK_SIZE = (MAX_PLY + 4) * MAX_MOVES;

constexpr int32_t STATUS_IDLE = 0;
constexpr int32_t STATUS_STOP = 1;
constexpr int32_t STATUS_RUNNING = 2;

extern ScoredMove root_moves[MAX_MOVES];
extern Move best_move;
extern int32_t best_score;
extern Move ponder_move;
extern int32_t search_status;

extern uint32_t search_start_ms;
extern int32_t time_for_move_ms;
extern int32_t engine_clock_cs; // 0 until a front end gives a clock
extern uint8_t moves_per_control;
extern uint8_t time_control_kind; // 0 whole game on the clock, 1 conventional controls
// True once a front end has given a clock: only then does the node poll watch it.
extern bool clock_given;

// Limits that a front end or the benchmark may set for one search (0 = none).
struct SearchLimits {
    int depth;           // deepest iteration
    uint32_t nodes;      // stop once this many nodes were visited
    int32_t movetime_ms; // stop once this much time has passed
    bool untimed;        // no clock, allotment or movetime stops
    bool no_early_stop;  // thinking on the opponent's time or analysing: no iteration stops
    int mate_moves;      // stop once a mate in this many moves is proven (depth 2N at most)
    int root_count;      // search only these root moves (0: all)
    Move root_only[MAX_MOVES];
};
extern SearchLimits search_limits;
// Set by the root once its first move of the first iteration has a score; before that
// no abort is honoured, so every decision has a searched move.
extern bool root_has_move;
extern bool stop_pending;

// Deepens over the root moves until a limit, the clock or an abort ends the search.
// Returns the number of legal root moves (0: mate or stalemate, nothing searched).
int root_search(Position& pos);
int32_t allot_time(const Position& pos);
// Extra milliseconds for the iteration check of depth when the best move keeps changing:
// a sixth of the allotment per change in the previous iteration, a third per change in
// this one (none up to depth 5).
int32_t iteration_stretch(int depth, int changes_before, int changes_now);
// True when more than 5/8 of the allotment plus extra has passed since the search began.
bool iteration_time_up(int32_t extra);
// True when the elapsed time exceeds the engine's clock less one second.
bool clock_panic();
