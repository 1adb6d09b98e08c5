// Alpha-beta search below the root.
#pragma once

#include <cstdint>

#include "board/position.h"

// Material and placement gain of a move, for futility pruning.
int move_gain(const Position& pos, Move move);
int search(Position& pos, int alpha, int beta, int depth, int null_ok, ScoredMove* list, int ply,
           int follow_pv, int reduced_flag);
