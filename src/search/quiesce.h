// Quiescence search: captures (all evasions in check) until the position is quiet.
#pragma once

#include "board/position.h"
#include "search/search_state.h"

// follow_pv: the node lies on the previous iteration's principal variation, whose move is
// tried first.
int quiesce(Position& pos, int alpha, int beta, ScoredMove* list, int ply, int follow_pv);
