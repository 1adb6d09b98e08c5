// Progress of the search: whenever a root move raises alpha the root hands what it knows
// to the front end that is listening, which words it in its dialect. Nobody listens while
// the benchmark runs.
#pragma once

#include <cstdint>

#include "search/front_end.h"

// Called by the root with the iteration depth, the line's number (1 for the best), its
// score and its moves.
void report_progress(int depth, int line, int32_t score, const Move* pv);

// Mate scores: moves until mate, positive when the side to move mates, negative when it
// is mated; 0 for an ordinary score.
int mate_in_moves(int32_t score);
