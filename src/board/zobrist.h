// Zobrist keys: the position's signature and the signature of its pawns.
#pragma once

#include <cstdint>

#include "board/position.h"

// Drawn when the engine is compiled from the C library generator in its initial state, each
// key from five draws, member by member in this order: every build has the same keys, and
// the transposition table, the repetition test and the opening book's start key rely on
// nothing else.
struct ZobristKeys {
    uint64_t piece_square[16][256]; // by piece code and square
    uint64_t side[2];               // by side to move
    uint64_t ep[256];               // by en-passant square (0: none)
    uint64_t castle[16];            // by castling_lost
    uint64_t castle_rook[256];      // by the square of a Chess960 castling rook off its corner
};
extern const ZobristKeys zobrist;

uint64_t compute_key(const Position& pos);
uint64_t compute_pawn_key(const Position& pos);
