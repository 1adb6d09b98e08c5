#include "search/root.h"

#include <cstdint>
#include <cstdlib>

#include "board/make_move.h"
#include "movegen/movegen.h"
#include "search/ordering.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/search.h"
#include "shell/platform.h"
#include "shell/settings.h"

ScoredMove root_moves[MAX_MOVES];
Move best_move;
int32_t best_score;
Move ponder_move;
int32_t search_status;

uint32_t search_start_ms;
int32_t time_for_move_ms;
int32_t engine_clock_cs;
uint8_t moves_per_control;
uint8_t time_control_kind;
bool clock_given;
SearchLimits search_limits;
bool root_has_move;
bool stop_pending;

namespace {

ScoredMove list_stack[LIST_STACK_SIZE];
int changes[MAX_PLY + 1];
int mate_iterations;

void prescore_root_move(Position& pos, ScoredMove* list_end, Move move, int index) {
    Undo undo;
    make_move(pos, move, undo);
    root_moves[index] = {move, -quiesce(pos, -SCORE_INFINITE, SCORE_INFINITE, list_end, 1, 0)};
    unmake_move(pos, move, undo);
}

void sort_root_moves(int n) {
    for (int i = 0; i < n - 1; ++i)
        for (int j = i + 1; j < n; ++j)
            if (root_moves[j].score > root_moves[i].score) {
                const ScoredMove t = root_moves[i];
                root_moves[i] = root_moves[j];
                root_moves[j] = t;
            }
    pv_table[0][0] = root_moves[0].move;
    pv_table[0][1] = MOVE_NONE;
}

// The same extensions as inside the tree: check, the last piece captured, a pawn on the
// seventh rank.
int root_extension(const Position& pos, Move move, int mover) {
    const int cap = move_captured(move), to = move_to(move);
    if (pos.checkers) return 1;
    if (cap && cap != PAWN && officer_count == 0) return 1;
    if (pos.board[to] == make_piece(mover, PAWN) && relative_rank(to, mover) == 7) return 1;
    return 0;
}

// Keeps the root moves that the front end listed, when any of them is legal.
ScoredMove* restrict_root_moves(ScoredMove* list, ScoredMove* end) {
    if (search_limits.root_count <= 0) return end;
    ScoredMove* kept = list;
    for (ScoredMove* m = list; m != end; ++m)
        for (int i = 0; i < search_limits.root_count; ++i)
            if (same_move(m->move, search_limits.root_only[i])) {
                *kept++ = *m;
                break;
            }
    return kept == list ? end : kept;
}

} // namespace

int root_search(Position& pos) {
    clear_history_scores();
    mate_iterations = 0;
    root_has_move = false;
    stop_pending = false;

    ScoredMove* end = restrict_root_moves(list_stack, gen_legal(pos, list_stack));
    const int n = static_cast<int>(end - list_stack);
    for (int i = 0; i < n; ++i) prescore_root_move(pos, end, list_stack[i].move, i);
    if (n == 0) return 0;

    // A mate in N moves ends at ply 2N - 1 at the latest.
    const int mate_depth = search_limits.mate_moves > 0 ? 2 * search_limits.mate_moves : 0;

    const int us = static_cast<int>(pos.side);
    for (int d = 1; d < MAX_PLY; ++d) {
        if (search_limits.depth > 0 && d > search_limits.depth) break;
        if (mate_depth > 0 && d > mate_depth) break;
        changes[d] = 0;
        int alpha = -SCORE_INFINITE, best = -SCORE_INFINITE;
        enter_node(pos, 0);
        sort_root_moves(n);
        for (int i = 0; i < n; ++i) {
            const Move move = root_moves[i].move;
            Undo undo;
            make_move(pos, move, undo);
            const int x = root_extension(pos, move, us);
            int v;
            if (i == 0) {
                v = -search(pos, -SCORE_INFINITE, SCORE_INFINITE, d - 1 + x, 1, end, 1, 1, 0);
            } else {
                v = -search(pos, -alpha - 1, -alpha, d - 1 + x, 1, end, 1, 0, 0);
                if (v > alpha && v < SCORE_INFINITE && search_status != STATUS_STOP)
                    v = -search(pos, -SCORE_INFINITE, -alpha, d - 1 + x, 1, end, 1, 0, 0);
            }
            unmake_move(pos, move, undo);
            if (search_status == STATUS_STOP) return n;
            if (v > alpha) {
                alpha = best = v;
                update_pv(move, 0);
                ponder_move = pv_table[0][1];
                best_move = move;
                best_score = v;
                if (i > 1) ++changes[d];
                report_progress(d, v);
                root_moves[i].score = v;
            } else {
                root_moves[i].score = -SCORE_INFINITE;
            }
            if (!root_has_move) {
                // From here on a stop can be honoured: the decision has a searched move.
                root_has_move = true;
                if (stop_pending) search_status = STATUS_STOP;
            }
        }
        if (search_status == STATUS_STOP) return n;
        if (std::abs(best) >= 999800) ++mate_iterations;
        if (mate_depth > 0 && best >= SCORE_MATE - (mate_depth - 1)) break;

        if (!search_limits.no_early_stop) {
            if (n == 1) break;
            if (d >= 3 && mate_iterations >= 2) break;
            const int32_t extra = iteration_stretch(d, changes[d - 1], changes[d]);
            if (!search_limits.untimed && iteration_time_up(extra)) break;
        }
    }
    return n;
}

int32_t allot_time(const Position& pos) {
    if (protocol_mode == MODE_CONSOLE) return 2000;
    // A level of 256 moves keeps 0 in eight bits; plan as for the whole game then.
    const int64_t n = moves_per_control ? moves_per_control : 30;
    // 64-bit arithmetic: a front end may report a clock too large for ten times it to fit.
    const int64_t clock_ms = static_cast<int64_t>(engine_clock_cs) * 10;
    int64_t allotment;
    if (time_control_kind == 0) {
        if (engine_clock_cs < 100) return 1;
        allotment = clock_ms / n;
    } else {
        const int64_t g = pos.ply;
        const int64_t h = pos.side == WHITE ? g / 2 : (g - 1) / 2;
        // Periods are counted in full width: an eight-bit count would wrap after 255
        // periods and leave a negative number of moves to go (a 1 ms allotment then).
        const int64_t k = h / n + 1;
        const int64_t moves_left = k * n - h; // 1..n
        allotment = clock_ms / moves_left;
        if (g % n == (pos.side == WHITE ? n - 2 : n - 1)) allotment -= 2000;
    }
    if (allotment < 0) return 1;
    return allotment > INT32_MAX ? INT32_MAX : static_cast<int32_t>(allotment);
}

int32_t iteration_stretch(int depth, int changes_before, int changes_now) {
    if (depth <= 5) return 0;
    const int64_t extra = static_cast<int64_t>(changes_before) * (time_for_move_ms / 6) +
                          static_cast<int64_t>(changes_now) * (time_for_move_ms / 3);
    return extra > INT32_MAX ? INT32_MAX : static_cast<int32_t>(extra);
}

bool iteration_time_up(int32_t extra) {
    const int64_t elapsed = static_cast<int32_t>(tick_ms() - search_start_ms);
    return elapsed > ((static_cast<int64_t>(time_for_move_ms) + extra) * 5) / 8;
}

bool clock_panic() {
    const int64_t elapsed = static_cast<int32_t>(tick_ms() - search_start_ms);
    return elapsed > static_cast<int64_t>(engine_clock_cs) * 10 - 1000;
}
