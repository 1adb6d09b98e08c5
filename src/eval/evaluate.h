// Static evaluation: material, piece-square sums and one of two positional term sets,
// with the endgame draw rules; centipawns for the side to move.
#pragma once

#include <cstdint>

#include "board/position.h"

int32_t evaluate(Position& pos);
int32_t material_sum(const Position& pos, int colour);
int32_t psq_open_sum(const Position& pos, int colour);
int32_t psq_end_sum(const Position& pos, int colour);
// Endgame draws by material; on true the score has been set to 0.
bool recognize_draw(const Position& pos, int32_t& score);
// Enough material to win: a pawn, a lone rook, or at least 651 of material.
bool can_win(const Position& pos, int colour);
