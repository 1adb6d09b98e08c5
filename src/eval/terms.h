// Positional terms: the middle-game and endgame term sets and the pawn predicates.
#pragma once

#include <cstdint>

#include "board/position.h"

// The passed pawns of a pawn structure as a set of squares: bit sq64(s) - 8 for a pawn on s
// (pawns stand on the second to seventh ranks only, so 48 bits hold the set).
constexpr int PASSED_FIRST_SQ64 = 8;

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
// Doubled, isolated, passed and backward pawns of both colours, White-positive; sets passed
// to the set of passed pawns.
int32_t pawn_structure(const Position& pos, TermSet set, uint64_t& passed);
// Bonus, White-positive, for a passed pawn the enemy king cannot catch; 0 otherwise.
int32_t unstoppable_passer(const Position& pos, int colour, int sq);

// Pawn predicates; files outside a..h hold no pawns.
bool own_pawn_behind(const Position& pos, int colour, int sq);
bool is_isolated(const Position& pos, int colour, int sq);
bool no_enemy_pawn_ahead(const Position& pos, int colour, int sq);
bool is_passed(const Position& pos, int colour, int sq);
