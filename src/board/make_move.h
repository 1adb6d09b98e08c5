// Making and unmaking moves with every incremental field, and the null move.
#pragma once

#include "board/position.h"

void make_move(Position& pos, Move move, Undo& undo);
void unmake_move(Position& pos, Move move, const Undo& undo);
void make_null_move(Position& pos, Undo& undo);
void unmake_null_move(Position& pos, const Undo& undo);
