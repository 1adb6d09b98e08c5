// Everything the search keeps between nodes, in one record: what it may do (its limits and
// the clock it plays on), how far it has got, whether it must stop, what it has found so
// far, and the tables it learns from while it runs (principal variation, killers, history,
// cut-off statistics, the root moves). The transposition table and the evaluation caches
// are too large to copy or reset with the rest and live with their own modules.
//
// This file depends on no other file of the search: every part of the search reads and
// writes the record, so it sits below them all.
#pragma once

#include <cstdint>

#include "board/move.h"
#include "board/types.h"

constexpr int32_t STATUS_IDLE = 0;
constexpr int32_t STATUS_STOP = 1;
constexpr int32_t STATUS_RUNNING = 2;

// Nodes between two looks at the input and the clock: about a millisecond, so that a
// search stops within a millisecond of its hard limit.
constexpr uint32_t POLL_INTERVAL = 2048;

// Limits that a front end or the benchmark sets for one search (0 = none).
struct SearchLimits {
    int depth;           // deepest iteration
    uint32_t nodes;      // stop once this many nodes were visited
    int32_t movetime_ms; // stop once this much time has passed
    bool untimed;        // no clock, allotment or movetime stops
    bool no_early_stop;  // thinking on the opponent's time or analysing: no iteration stops
    int mate_moves;      // stop once a mate in this many moves is proven (depth 2N at most)
    int multipv;         // lines to search and report, each with its own first move (0: 1)
    int root_count;      // search only these root moves (0: all)
    Move root_only[MAX_MOVES];
};

// What the interface and the pipe cost per move, unless a front end says otherwise.
constexpr int32_t DEFAULT_MOVE_OVERHEAD_MS = 10;

// What the front ends told the time manager about the engine's clock; it outlives a
// search, since XBoard sends its level once per game.
struct ClockInputs {
    bool given;            // a clock runs for the engine: only then is it planned for
    int64_t remaining_ms;  // the engine's clock
    int64_t increment_ms;  // what each of its moves gives back
    int moves_to_go;       // UCI "movestogo" for this move (0: none given)
    int moves_per_control; // XBoard "level": moves per period (0: the whole game)
    int32_t overhead_ms = DEFAULT_MOVE_OVERHEAD_MS; // what the interface and the pipe cost per move
};

// The time manager's plan for one search.
struct TimePlan {
    int32_t allotment_ms; // the share of the clock the iterations aim at
    int32_t hard_ms;      // no search runs past this, whatever its iteration (0: none)
    bool fixed;           // a fixed time per move: iterations go on until the hard stop
    // A clock with an increment: a forced move is searched like any other, since the time
    // it would bank only piles up beyond the reserve.
    bool search_forced;
};

// How often a quiet move by one piece from one square to another cut a node off, and how
// often it was tried in vain before another quiet move did.
struct CutoffStat {
    uint32_t fail_count;
    uint32_t cut_count;
};

// The root's moves in the order of the last iteration's scores, and how unsettled the
// choice among them is.
struct RootMoves {
    ScoredMove moves[MAX_MOVES];
    int count;
    // Per iteration: how often a move beyond the first two of the order became the best.
    // The time manager grants more time while the choice keeps changing.
    int changes[MAX_PLY + 1];
    int mate_iterations; // iterations that ended with a mate score
};

// Most lines a search reports at once.
constexpr int MAX_MULTIPV = 64;

// The lines of a search of several: each line's moves, ended by MOVE_NONE, and its score,
// from the last iteration that completed the line.
struct MultiPv {
    Move line[MAX_MULTIPV][MAX_PLY + 2];
    int32_t score[MAX_MULTIPV];
};

struct SearchState {
    SearchLimits limits;   // set by the front end before the search
    uint32_t start_ms;     // when the search began (the progress lines count from here)
    uint32_t clock_ms;     // when the engine's clock began to run for this move
    TimePlan time_plan;    // the time manager's plan for this move
    uint32_t nodes;        // nodes visited; perft counts into it too
    int seldepth;          // the deepest ply a node was entered at, quiescence included
    uint32_t poll_counter; // nodes since the last poll
    int32_t status;        // STATUS_IDLE, STATUS_RUNNING or STATUS_STOP
    // The first root move of the first iteration has a score: from then on a stop can be
    // honoured, so every decision has a searched move. A stop before that is pending.
    bool root_has_move;
    bool stop_pending;
    Move best_move; // the root's best move so far, MOVE_NONE before one has a score
    int32_t best_score;
    Move ponder_move; // the expected reply to best_move

    ClockInputs clock;
    // A node limit for every search of the process (0: none), whatever the front end asked
    // for: a harness that drives the dialogues keeps each search to a few hundred nodes
    // this way. A capped search also polls its input once, halfway to its node limit, so
    // that lines arriving during a search are still read as they would be in a long one.
    uint32_t node_cap;

    RootMoves root;
    // Row p: the best line from the node at ply p, ended by MOVE_NONE. Row 0 is the line
    // of the last root move that raised alpha, which outlives the search: the reply the
    // engine expects is read from it.
    Move pv[MAX_PLY + 2][MAX_PLY + 2];
    MultiPv multipv;
    // The two latest quiet moves that cut a node off at each ply, the latest first; a node
    // forgets its ply's pair on entry.
    Move killers[MAX_PLY + 2][2];
    // Quiet cut-off moves by side, from and to square, weighted by depth; a new search
    // forgets them.
    int32_t history_scores[2][64][64];
    // By from and to square and piece; a new game forgets them.
    CutoffStat cutoff_stats[64][64][16];
};

extern SearchState search_state;

// Everything of the current search's progress back to its start, with the clock started
// now; the limits only take the process-wide node cap. The clock inputs and the tables
// stay as they are.
void begin_search();
