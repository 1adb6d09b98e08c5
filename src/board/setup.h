// A position's derived fields from its board: the set-up that computes them all from a FEN
// text, and the check that recomputes them to compare with the ones make_move keeps up to
// date.
#pragma once

#include "board/fen.h"
#include "board/position.h"

// Board part of a new game: FEN (with Chess960 castling rules when asked), lists, sums,
// counts, touches, keys, history, checkers. The engine-wide reset lives in game/new_game.
void setup_board(Position& pos, const char* fen, bool chess960 = false);

// Recomputes every incremental field from the board and compares; used by debug asserts
// and tests. Returns true when all agree.
bool pos_ok(const Position& pos);
