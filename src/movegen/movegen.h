// Legal move generators: all moves, captures and promotions, and check evasions, each
// emitting moves in a fixed order (piece-list order, then step order, nearer squares
// first, promotions queen-rook-bishop-knight).
#pragma once

#include <cstdint>

#include "board/position.h"
#include "movegen/attacks.h"

// Side to move not in check.
ScoredMove* gen_moves(Position& pos, ScoredMove* list);
ScoredMove* gen_captures(Position& pos, ScoredMove* list);
// How many moves gen_moves would give, found without writing them.
int count_moves(Position& pos);
// Side to move in check.
ScoredMove* gen_evasions(Position& pos, ScoredMove* list);

ScoredMove* gen_king_evasions(Position& pos, ScoredMove* list);
ScoredMove* gen_evasions_vs_leaper(Position& pos, int checker, ScoredMove* list);
ScoredMove* gen_evasions_vs_slider(Position& pos, int checker, ScoredMove* list);

// Evasions when in check, otherwise all moves.
inline ScoredMove* gen_legal(Position& pos, ScoredMove* list) {
    return pos.checkers ? gen_evasions(pos, list) : gen_moves(pos, list);
}

// How many legal moves the side to move has; list is room for evasions.
inline int count_legal(Position& pos, ScoredMove* list) {
    return pos.checkers ? static_cast<int>(gen_evasions(pos, list) - list) : count_moves(pos);
}

// True when the side to move has no legal move: mate when in check (pos.checkers), else
// stalemate.
bool no_legal_move(Position& pos);
// Is a move with this from, to and promotion among the legal moves?
bool is_legal_move(Position& pos, Move move);
