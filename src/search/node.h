// What every node of the search does, inside the tree and in quiescence alike: count
// itself and now and then look at the input and the clock (a stop is only ever requested
// here), keep the principal variation, and know the draws no search can avoid.
#pragma once

#include "board/position.h"

// Counts the node, polls when due, and forgets what the ply's slots held from an earlier
// line: its killers, its line and that of the ply below.
void enter_node(Position& pos, int ply);
// The line from ply is now move followed by the line found at ply + 1.
void update_pv(Move move, int ply);
// Neither side can mate whatever happens (lone kings, a single minor piece, ...).
bool insufficient_material(const Position& pos);
