#include "movegen/perft.h"

#include "board/make_move.h"
#include "movegen/movegen.h"

uint64_t perft(Position& pos, int depth, ScoredMove* list) {
    if (depth <= 0) return 0;
    ScoredMove* end = gen_legal(pos, list);
    uint64_t count = static_cast<uint64_t>(end - list);
    if (depth == 1) return count;
    Undo undo;
    for (ScoredMove* m = list; m != end; ++m) {
        make_move(pos, m->move, undo);
        count += perft(pos, depth - 1, end);
        unmake_move(pos, m->move, undo);
    }
    return count;
}

uint64_t perft_leaves(Position& pos, int depth, ScoredMove* list) {
    if (depth <= 0) return 1;
    ScoredMove* end = gen_legal(pos, list);
    if (depth == 1) return static_cast<uint64_t>(end - list);
    uint64_t count = 0;
    Undo undo;
    for (ScoredMove* m = list; m != end; ++m) {
        make_move(pos, m->move, undo);
        count += perft_leaves(pos, depth - 1, end);
        unmake_move(pos, m->move, undo);
    }
    return count;
}
