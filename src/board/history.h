// Game history: one entry per position from set-up to the current search node.
#pragma once

#include <cstdint>

#include "board/position.h"

struct HistoryEntry {
    Move move; // the move made from this position (0 for a null move or none yet)
    Undo undo; // the record of the move that led here (not kept for a null move)
    uint64_t key;
};

extern HistoryEntry game_history[HISTORY_SIZE];
// Ply of the set-up position: take-backs stop there.
extern uint32_t setup_ply;

void clear_history(const Position& pos);
// After make_move: irreversible is true for a capture or a pawn move.
void push_history(Position& pos, Move move, const Undo& undo, bool irreversible);
// After make_null_move.
void push_null_history(Position& pos);
// search_plies: moves made since the root of the current search (0 at game level).
// Inside the search one earlier occurrence counts; before it, two.
bool is_repetition(const Position& pos, int search_plies);
