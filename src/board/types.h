// Basic vocabulary of the engine: squares, piece codes, scores and limits.
#pragma once

#include <cstdint>

// Board layout: 0x88 squares inside a 256-cell array with a wide border.
//
//   square = 64 + 16 * rank + file      rank 0 = White's first rank, file 0 = a-file
//
//        a   b   c   d   e   f   g   h
//   8  176 177 178 179 180 181 182 183
//   ...
//   2   80  81  82  83  84  85  86  87
//   1   64  65  66  67  68  69  70  71
//
// Cells 0..63 (below rank 1), 184..255 (above rank 8) and columns 8..15 of every
// rank row are border cells. A square s is on the board when ((s - 64) & 0x88) == 0;
// the difference of two board squares determines their geometric relation, which is
// what the attack tables are indexed by. Square 63 and 184 (both border cells) serve
// as head and tail of every piece list.

constexpr int WHITE = 0;
constexpr int BLACK = 1;

constexpr int PAWN = 1;
constexpr int KNIGHT = 2;
constexpr int BISHOP = 3;
constexpr int ROOK = 4;
constexpr int QUEEN = 5;
constexpr int KING = 6;

// A piece code is colour * 8 + type. Codes 0, 7, 8 and 15 never stand on the board;
// they number the aggregate piece lists (all pieces, non-king pieces).
constexpr int EMPTY = 16;
constexpr int OFFBOARD = 32;

constexpr int LIST_HEAD = 63;
constexpr int LIST_END = 184;

constexpr int MAX_PLY = 60;
constexpr int SCORE_MATE = 1000000;
constexpr int SCORE_INFINITE = 1000001;

// Largest number of legal moves any chess position has is 218.
constexpr int MAX_MOVES = 256;

// The game history is indexed by ply, and a set-up position starts at the ply its FEN's
// full-move field gives, clamped to MAX_FEN_PLY. Behind it the history holds a game of
// GAME_PLY_LIMIT plies, the longest a front end may send, plus a whole search line.
constexpr int GAME_PLY_LIMIT = 4000;
constexpr int MAX_FEN_PLY = 1000;
constexpr int HISTORY_SIZE = MAX_FEN_PLY + GAME_PLY_LIMIT + MAX_PLY + 8;

constexpr int colour_of(int code) { return code >> 3; }
constexpr int type_of(int code) { return code & 7; }
constexpr int make_piece(int colour, int type) { return colour * 8 + type; }
constexpr bool on_board(int sq) { return ((sq - 64) & 0x88) == 0; }
// A board square of the 256-cell array (cells outside 64..183 are border cells).
constexpr bool is_board_square(int sq) { return sq >= 64 && sq <= 183 && on_board(sq); }
constexpr int file_of(int sq) { return sq & 15; }
constexpr int rank_of(int sq) { return (sq >> 4) - 4; }
constexpr int make_square(int file, int rank) { return 64 + 16 * rank + file; }
// Rank counted 1..8 from the colour's own first rank.
constexpr int relative_rank(int sq, int colour) {
    return colour == WHITE ? (sq >> 4) - 3 : 12 - (sq >> 4);
}
// Index 0..63 (a1 = 0, h8 = 63) for tables that need no border.
constexpr int sq64(int sq) { return 8 * rank_of(sq) + file_of(sq); }
// True when the cell holds a piece of the given colour (not empty, not border).
constexpr bool is_colour(int code, int colour) {
    return static_cast<unsigned>(code - 1 - 8 * colour) < 6u;
}

constexpr int SQ_A1 = 64, SQ_B1 = 65, SQ_C1 = 66, SQ_D1 = 67, SQ_E1 = 68, SQ_F1 = 69, SQ_G1 = 70,
              SQ_H1 = 71;
constexpr int SQ_A8 = 176, SQ_B8 = 177, SQ_C8 = 178, SQ_D8 = 179, SQ_E8 = 180, SQ_F8 = 181,
              SQ_G8 = 182, SQ_H8 = 183;
