// Iterative deepening at the root.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "search/search_state.h"

// Room for the lists of a whole search line: MAX_PLY + 2 nodes of the longest list.
constexpr int LIST_STACK_SIZE = (MAX_PLY + 4) * MAX_MOVES;

// What a root search found. search_state.best_move is MOVE_NONE when no root move got a score (no
// legal move, or the engine is mated at once).
struct RootResult {
    Move best_move;
    int32_t best_score;
    Move ponder_move; // the expected reply
    int legal_moves;  // 0: mate or stalemate, nothing was searched
};

// Deepens over the root moves until a limit, the clock or an abort ends the search. The
// best move so far is kept in search_state as it changes, so an abort leaves the latest.
RootResult root_search(Position& pos);
