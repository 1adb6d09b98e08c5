// Move ordering: scores, the static exchange evaluation, killers, history and the
// cut-off statistics that also drive low-depth pruning and late-move reductions.
#pragma once

#include <cstdint>

#include "board/position.h"

void clear_history_scores();
void clear_cutoff_stats();

// Score the count entries that end at list_end.
void score_moves(const Position& pos, ScoredMove* list_end, int count, int ply, Move order_move);
void score_captures(Position& pos, ScoredMove* list_end, int count, int ply, Move order_move);
// Bring the best-scored entry of cur..end-1 to cur (the first of equal scores wins).
void pick_next_move(ScoredMove* cur, ScoredMove* end);
// Exchange value, for the side to move, of the piece on from starting a capture on to.
int see(const Position& pos, int from, int to);
// A quiet move that cut a node off at ply becomes its first killer.
void update_killers(Move move, int ply);
bool late_move_prunable(const Position& pos, Move move);
bool late_move_reducible(const Position& pos, Move move);
void record_cutoff(const Position& pos, Move cut_move, const Move* tried, int tried_count);
