// Positional terms: the middle-game and endgame term sets and the pawn predicates.
#pragma once

#include <cstdint>

#include "board/position.h"

int32_t eval_middlegame(Position& pos);
int32_t eval_endgame(Position& pos);

// Pawn predicates; files outside a..h hold no pawns.
bool own_pawn_behind(const Position& pos, int colour, int sq);
bool is_isolated(const Position& pos, int colour, int sq);
bool no_enemy_pawn_ahead(const Position& pos, int colour, int sq);
bool is_passed(const Position& pos, int colour, int sq);
