// The state of one search, kept together so that one call starts a search afresh: what
// it may do (its limits), when it began, how far it has got, whether it must stop, and
// what it has found so far. The tables that learn across searches (transposition table,
// history, killers, cut-off statistics) live with their own modules.
#pragma once

#include <cstdint>

#include "board/move.h"
#include "board/types.h"

constexpr int32_t STATUS_IDLE = 0;
constexpr int32_t STATUS_STOP = 1;
constexpr int32_t STATUS_RUNNING = 2;

// Limits that a front end or the benchmark sets for one search (0 = none).
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

struct SearchState {
    SearchLimits limits;   // set by the front end before the search
    uint32_t start_ms;     // when the search began (the progress lines count from here)
    uint32_t clock_ms;     // when the engine's clock began to run for this move
    int32_t allotment_ms;  // the time manager's share of the clock for this move
    uint32_t nodes;        // nodes visited; perft counts into it too
    uint32_t poll_counter; // nodes since the last poll
    int32_t status;        // STATUS_IDLE, STATUS_RUNNING or STATUS_STOP
    // The first root move of the first iteration has a score: from then on a stop can be
    // honoured, so every decision has a searched move. A stop before that is pending.
    bool root_has_move;
    bool stop_pending;
    Move best_move; // the root's best move so far, MOVE_NONE before one has a score
    int32_t best_score;
    Move ponder_move; // the expected reply to best_move
};

extern SearchState search_state;

// A node limit for every search of the process (0: none), whatever the front end asked
// for: a harness that drives the dialogues keeps each search to a few hundred nodes this
// way. A capped search also polls its input once, halfway to its node limit, so that lines
// arriving during a search are still read as they would be in a long one.
extern uint32_t search_node_cap;

// Everything but the limits back to the start of a search, with the clock started now;
// the limits only take the process-wide node cap.
void begin_search();
