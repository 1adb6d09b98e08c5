// Keeping the history of a position as moves are made, and the repetition test on it.
#pragma once

#include <cstdint>

#include "board/position.h"

// Plies played since the position was set up: a game's length counts from there.
inline uint32_t plies_since_setup(const Position& pos) { return pos.ply - pos.history.setup_ply; }
// The history holds GAME_PLY_LIMIT plies beyond the set-up: no move is taken past them.
inline bool at_ply_limit(const Position& pos) {
    return plies_since_setup(pos) >= static_cast<uint32_t>(GAME_PLY_LIMIT);
}

// Starts the history afresh at the position as it stands (after set-up).
void clear_history(Position& pos);
// After make_move: irreversible is true for a capture or a pawn move.
void push_history(Position& pos, Move move, const Undo& undo, bool irreversible);
// After make_null_move.
void push_null_history(Position& pos);
// search_plies: moves made since the root of the current search (0 at game level).
// Inside the search one earlier occurrence counts; before it, two.
bool is_repetition(const Position& pos, int search_plies);
