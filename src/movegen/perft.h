// Move-tree counting to check and time the generators and make/unmake.
#pragma once

#include <cstdint>

#include "board/position.h"

// Deepest perft the console accepts; the list area holds this many levels.
constexpr int MAX_PERFT_DEPTH = 20;

// Cumulative count: the moves generated at every node from the root down to depth 1
// (the last level is counted without being made). list is the first free entry of an
// area with room for depth * MAX_MOVES entries.
// A long count asks should_stop (when given) from time to time whether to give up (the
// console's input has ended); it then returns early with *aborted set.
uint64_t perft(Position& pos, int depth, ScoredMove* list, bool (*should_stop)() = nullptr,
               bool* aborted = nullptr);

// Ordinary leaf count at exactly this depth (what perft tables list).
uint64_t perft_leaves(Position& pos, int depth, ScoredMove* list);

// One root move and the leaves below it.
struct DivideEntry {
    Move move;
    uint64_t leaves;
};
// The leaf count at depth (at least 1) below each legal root move, in generation order,
// into out (room for MAX_MOVES); returns how many root moves there are.
int perft_divide(Position& pos, int depth, ScoredMove* list, DivideEntry* out);
