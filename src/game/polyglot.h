// The Polyglot book format's view of a position and a move, which every GUI, bot and book
// tool shares: a 64-bit key of its own (not the engine's table key) and a 16-bit move code.
//
// Key: the exclusive or of one POLYGLOT_RANDOM number per
//   piece       64 * kind + 8 * rank + file, kind 0..11 = black pawn, white pawn, black
//               knight, white knight ... black king, white king
//   castling    768 + right (White O-O, White O-O-O, Black O-O, Black O-O-O) while it is kept
//   en passant  772 + file of the pawn just pushed two squares, only when a pawn of the side
//               to move stands beside it (whether or not that capture would be legal)
//   side        780 when White is to move
//
// Move code, from the least significant bit:
//   bits 0-2 to-file, 3-5 to-rank, 6-8 from-file, 9-11 from-rank,
//   bits 12-14 promotion (0 none, 1 knight, 2 bishop, 3 rook, 4 queen).
// Castling is written as the king taking its own rook: e1h1, e1a1, e8h8, e8a8.
#pragma once

#include <cstdint>

#include "board/position.h"

constexpr int POLYGLOT_RANDOM_COUNT = 781;
extern const uint64_t POLYGLOT_RANDOM[POLYGLOT_RANDOM_COUNT];

// The position's key in a Polyglot book (standard chess).
uint64_t polyglot_key(const Position& pos);
// A legal move of the position as a book stores it.
uint16_t polyglot_move_code(const Position& pos, Move move);
// The coordinate text of a stored move in this position (castling as the king's two-square
// move, a promotion with its letter), for parse_move to judge; false when the code names
// no move at all (a1a1, a promotion code past the queen). Six characters at most.
bool polyglot_move_text(const Position& pos, uint16_t code, char* out);
