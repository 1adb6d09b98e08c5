// Quiescence search and the per-node bookkeeping shared with the alpha-beta search:
// node entry (with the input and clock poll), the principal-variation table and the
// insufficient-material draw.
#pragma once

#include <cstdint>

#include "board/position.h"
#include "search/search_state.h"

constexpr uint32_t POLL_INTERVAL = 16384;

// Row p: the best line from the node at ply p, ended by 0.
extern Move pv_table[MAX_PLY + 2][MAX_PLY + 2];

int quiesce(Position& pos, int alpha, int beta, ScoredMove* list, int ply, int follow_pv);
void enter_node(Position& pos, int ply);
void update_pv(Move move, int ply);
bool insufficient_material(const Position& pos);
