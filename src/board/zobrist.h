// Zobrist keys: the position's signature and the signature of its pawns.
#pragma once

#include <cstdint>

#include "board/position.h"

extern uint64_t piece_square_keys[16][256];
extern uint64_t side_keys[2];
extern uint64_t ep_keys[256];
extern uint64_t castle_keys[16];

// Fills the tables from the C library generator in its initial state, so the keys are
// the same in every run. Must run before anything else draws random numbers.
void init_zobrist_keys();
uint64_t random64();
uint64_t compute_key(const Position& pos);
uint64_t compute_pawn_key(const Position& pos);
