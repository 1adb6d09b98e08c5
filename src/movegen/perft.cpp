#include "movegen/perft.h"

#include "board/make_move.h"
#include "movegen/movegen.h"

namespace {

// Interior nodes between two questions to the stop test; a few milliseconds of counting.
constexpr uint32_t PERFT_POLL_INTERVAL = 1u << 14;

struct PerftStop {
    bool (*asked)();
    uint32_t counter;
    bool aborted;

    bool due() {
        if (aborted) return true;
        if (++counter < PERFT_POLL_INTERVAL) return false;
        counter = 0;
        if (asked && asked()) aborted = true;
        return aborted;
    }
};

// The moves made at every depth from 1 to depth.
uint64_t count_tree(Position& pos, int depth, ScoredMove* list, PerftStop& stop) {
    if (depth == 1) return static_cast<uint64_t>(count_legal(pos, list));
    ScoredMove* end = gen_legal(pos, list);
    uint64_t count = static_cast<uint64_t>(end - list);
    if (stop.due()) return count;
    Undo undo;
    for (ScoredMove* m = list; m != end; ++m) {
        make_move(pos, m->move, undo);
        count += count_tree(pos, depth - 1, end, stop);
        unmake_move(pos, m->move, undo);
        if (stop.aborted) break;
    }
    return count;
}

} // namespace

uint64_t perft(Position& pos, int depth, ScoredMove* list, bool (*should_stop)(), bool* aborted) {
    PerftStop stop{should_stop, 0, false};
    const uint64_t count = depth <= 0 ? 0 : count_tree(pos, depth, list, stop);
    if (aborted) *aborted = stop.aborted;
    return count;
}

int perft_divide(Position& pos, int depth, ScoredMove* list, DivideEntry* out) {
    ScoredMove* end = gen_legal(pos, list);
    int n = 0;
    Undo undo;
    for (ScoredMove* m = list; m != end; ++m) {
        make_move(pos, m->move, undo);
        out[n++] = DivideEntry{m->move, perft_leaves(pos, depth - 1, end)};
        unmake_move(pos, m->move, undo);
    }
    return n;
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
