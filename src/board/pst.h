// Piece-square tables, opening and endgame, by piece code and square.
#pragma once

#include <cstdint>

struct PieceSquareTables {
    int8_t open[16][256];
    int8_t end[16][256];
};
extern const PieceSquareTables piece_square_tables;

inline constexpr auto& pst_open = piece_square_tables.open;
inline constexpr auto& pst_end = piece_square_tables.end;
