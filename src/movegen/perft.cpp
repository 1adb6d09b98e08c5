#include "movegen/perft.h"

#include "board/make_move.h"
#include "movegen/movegen.h"

bool (*perft_stop_hook)() = nullptr;
bool perft_aborted = false;

namespace {

// Interior nodes between two questions to the stop hook; a few milliseconds of counting.
constexpr uint32_t PERFT_POLL_INTERVAL = 1u << 14;
uint32_t perft_poll_counter = 0;

bool perft_should_stop() {
    if (perft_aborted) return true;
    if (++perft_poll_counter < PERFT_POLL_INTERVAL) return false;
    perft_poll_counter = 0;
    if (perft_stop_hook && perft_stop_hook()) perft_aborted = true;
    return perft_aborted;
}

// The moves made at every depth from 1 to depth.
uint64_t count_tree(Position& pos, int depth, ScoredMove* list) {
    if (depth == 1) return static_cast<uint64_t>(count_legal(pos, list));
    ScoredMove* end = gen_legal(pos, list);
    uint64_t count = static_cast<uint64_t>(end - list);
    if (perft_should_stop()) return count;
    Undo undo;
    for (ScoredMove* m = list; m != end; ++m) {
        make_move(pos, m->move, undo);
        count += count_tree(pos, depth - 1, end);
        unmake_move(pos, m->move, undo);
        if (perft_aborted) break;
    }
    return count;
}

} // namespace

uint64_t perft(Position& pos, int depth, ScoredMove* list) {
    perft_aborted = false;
    perft_poll_counter = 0;
    if (depth <= 0) return 0;
    return count_tree(pos, depth, list);
}

uint64_t perft_leaves(Position& pos, int depth, ScoredMove* list) {
    if (depth <= 0) return 1;
    if (depth == 1) return static_cast<uint64_t>(count_legal(pos, list));
    ScoredMove* end = gen_legal(pos, list);
    uint64_t count = 0;
    Undo undo;
    for (ScoredMove* m = list; m != end; ++m) {
        make_move(pos, m->move, undo);
        count += perft_leaves(pos, depth - 1, end);
        unmake_move(pos, m->move, undo);
    }
    return count;
}
