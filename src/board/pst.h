// Piece-square tables, opening and endgame, by piece code and square.
#pragma once

#include <cstdint>

extern int8_t pst_open[16][256];
extern int8_t pst_end[16][256];

void build_piece_square_tables();
