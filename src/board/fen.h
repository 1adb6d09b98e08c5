// FEN text: the syntax check every dialect applies, the test that a position is one the
// engine can play, and the tolerant reader.
#pragma once

#include "board/position.h"

// True when the text has the form of a FEN: eight ranks of eight squares, a side of "w" or
// "b", then optionally castling ("-" or the letters KQkq, each at most once; in Chess960
// also the file letters A-H and a-h), en passant ("-" or a square) and the two counters
// (digits). Fields are separated by spaces.
bool fen_is_well_formed(const char* fen, bool chess960 = false);

// True when the FEN describes a position the engine can play: one king per side, at most
// 16 pieces and 8 pawns per side, no pawn on the first or last rank, the side not to move
// not in check, and in Chess960 every castling right fitting the board.
bool fen_is_playable(const char* fen, bool chess960 = false);

// Reads a FEN text into board, side, castling rights and rules, en-passant square,
// half-move clock and ply; never reads past its end. Every text gives a position; false
// says that a Chess960 castling right did not fit the board and was left out.
bool parse_fen(Position& pos, const char* fen, bool chess960 = false);
