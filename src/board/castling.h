// Castling rules of a game: standard chess or Chess960, read from a FEN's castling field.
#pragma once

#include <cstddef>

#include "board/position.h"

// The right a castling move uses: its colour and whether the king goes to the c-file.
constexpr int castle_right(int colour, int king_to) {
    return 2 * colour + (file_of(king_to) == 2 ? 1 : 0);
}
// Where the castling rook ends: beside the king, toward the centre.
constexpr int castle_rook_to(int king_to) {
    return file_of(king_to) == 6 ? king_to - 1 : king_to + 1;
}

// Reads the castling field of a FEN (its n characters) into castling_lost and the game's
// castling rules; the board and the side to move are already set.
// - Standard chess: the letters K, Q, k and q each toggle their right, anything else is
//   ignored, and the rights belong to kings on e1/e8 and rooks in the corners.
// - Chess960: K and Q name the outermost rook on that side of the king, a file letter (A-H
//   for White, a-h for Black) names the rook on that file. False, with the right left out,
//   when a right does not fit the board: no king on the back rank, no rook of that colour
//   where the right says, or a second right on the same side of the king.
bool read_castling_field(Position& pos, const char* field, size_t n, bool chess960);
