// Positional terms: the middle-game and endgame term sets and the pawn predicates.
#pragma once

#include <cstdint>

#include "board/position.h"

// The passed-pawn list of a pawn structure: White's passed pawns first, the rest 0.
constexpr int PASSED_LIST_SIZE = 16;

// Which constants a pawn-structure walk uses.
enum TermSet { MIDDLEGAME = 0, ENDGAME = 1 };

// Both term sets return the total from the side to move's point of view.
int32_t eval_middlegame(Position& pos);
int32_t eval_endgame(Position& pos);

// Pressure of the enemy pieces on the colour's king, White-positive (never above 15 steps).
int32_t king_pressure(const Position& pos, int colour);
// Penalty for a bishop that blocks its centre pawn or is shut in on a7/h7 (mirrored for
// Black), White-positive; 0 for any other piece type.
int32_t bishop_trap(const Position& pos, int sq, int type, int colour);
// Doubled, isolated, passed and backward pawns of both colours, White-positive; fills the
// passed-pawn list (PASSED_LIST_SIZE entries).
int32_t pawn_structure(const Position& pos, TermSet set, uint8_t* passed);
// Bonus, White-positive, for a passed pawn the enemy king cannot catch; 0 otherwise.
int32_t unstoppable_passer(const Position& pos, int colour, int sq);

// Pawn predicates; files outside a..h hold no pawns.
bool own_pawn_behind(const Position& pos, int colour, int sq);
bool is_isolated(const Position& pos, int colour, int sq);
bool no_enemy_pawn_ahead(const Position& pos, int colour, int sq);
bool is_passed(const Position& pos, int colour, int sq);
