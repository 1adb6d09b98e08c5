// Making and unmaking moves with every incremental field, and the null move.
#pragma once

#include "board/position.h"

void make_move(Position& pos, Move move, Undo& undo);
void unmake_move(Position& pos, Move move, const Undo& undo);
// The key the position will have once the move is made, without making it: the search uses
// it to have the child's table slots loaded early.
uint64_t key_after(const Position& pos, Move move);
void make_null_move(Position& pos, Undo& undo);
void unmake_null_move(Position& pos, const Undo& undo);
