#include "search/root.h"

#include <cstdint>
#include <cstdlib>

#include "board/make_move.h"
#include "io/platform.h"
#include "movegen/movegen.h"
#include "search/node.h"
#include "search/ordering.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/search.h"
#include "search/search_state.h"
#include "search/timeman.h"

namespace {

// The move lists of the whole line being searched, each node's list above its parent's.
// Scratch, not state: nothing in it means anything once the search returns, nothing resets
// it, and no one outside the search's own calls looks at it, so it stays out of the record
// (which a harness may copy or reset whole).
ScoredMove list_stack[LIST_STACK_SIZE];

void prescore_root_move(Position& pos, ScoredMove* list_end, Move move, int index) {
    Undo undo;
    make_move(pos, move, undo);
    search_state.root.moves[index] = {
        move, -quiesce(pos, -SCORE_INFINITE, SCORE_INFINITE, list_end, 1, 0)};
    unmake_move(pos, move, undo);
}

void sort_root_moves(RootMoves& root) {
    ScoredMove* moves = root.moves;
    for (int i = 0; i < root.count - 1; ++i)
        for (int j = i + 1; j < root.count; ++j)
            if (moves[j].score > moves[i].score) {
                const ScoredMove t = moves[i];
                moves[i] = moves[j];
                moves[j] = t;
            }
    search_state.pv[0][0] = moves[0].move;
    search_state.pv[0][1] = MOVE_NONE;
}

// The same extensions as inside the tree: check, the last piece captured, a pawn on the
// seventh rank.
int root_extension(const Position& pos, Move move, int mover) {
    const int cap = move_captured(move), to = move_to(move);
    if (pos.checkers) return 1;
    if (cap && cap != PAWN && pos.officer_count == 0) return 1;
    if (pos.board[to] == make_piece(mover, PAWN) && relative_rank(to, mover) == 7) return 1;
    return 0;
}

// Keeps the root moves that the front end listed, when any of them is legal.
ScoredMove* restrict_root_moves(ScoredMove* list, ScoredMove* end) {
    if (search_state.limits.root_count <= 0) return end;
    ScoredMove* kept = list;
    for (ScoredMove* m = list; m != end; ++m)
        for (int i = 0; i < search_state.limits.root_count; ++i)
            if (same_move(m->move, search_state.limits.root_only[i])) {
                *kept++ = *m;
                break;
            }
    return kept == list ? end : kept;
}

// Searches the root moves from first on at depth d as one line: the first of them with the
// full window, the others with a null window and, when one raises alpha, again with the
// full one. Line 0 is the game's line: its best move becomes the decision, and with
// report_each every new best is reported as it comes. Returns the line's score; the best
// move's score is kept with it in the root list, the others get the lowest score.
int search_line(Position& pos, int d, ScoredMove* end, int first, int us, bool report_each) {
    RootMoves& root = search_state.root;
    int alpha = -SCORE_INFINITE, best = -SCORE_INFINITE;
    for (int i = first; i < root.count; ++i) {
        const Move move = root.moves[i].move;
        Undo undo;
        make_move(pos, move, undo);
        const int x = root_extension(pos, move, us);
        int v;
        if (i == first) {
            v = -search(pos, -SCORE_INFINITE, SCORE_INFINITE, d - 1 + x, 1, end, 1, 1, 0);
        } else {
            v = -search(pos, -alpha - 1, -alpha, d - 1 + x, 1, end, 1, 0, 0);
            if (v > alpha && v < SCORE_INFINITE && search_state.status != STATUS_STOP)
                v = -search(pos, -SCORE_INFINITE, -alpha, d - 1 + x, 1, end, 1, 0, 0);
        }
        unmake_move(pos, move, undo);
        if (search_state.status == STATUS_STOP) return best;
        if (v > alpha) {
            alpha = best = v;
            update_pv(move, 0);
            if (first == 0) {
                search_state.ponder_move = search_state.pv[0][1];
                search_state.best_move = move;
                search_state.best_score = v;
                if (i > 1) ++root.changes[d];
            }
            if (report_each) report_progress(d, 1, v, search_state.pv[0]);
            root.moves[i].score = v;
        } else {
            root.moves[i].score = -SCORE_INFINITE;
        }
        if (!search_state.root_has_move) {
            // From here on a stop can be honoured: the decision has a searched move.
            search_state.root_has_move = true;
            if (search_state.stop_pending) search_state.status = STATUS_STOP;
        }
    }
    return best;
}

// Several lines, each searching the root moves that the lines before it did not take:
// after a line its best move moves to the line's place in the root list. The lines that
// were completed are reported together, best score first, and line 0's best move is the
// decision.
int search_lines(Position& pos, int d, ScoredMove* end, int lines, int us) {
    RootMoves& root = search_state.root;
    MultiPv& multi = search_state.multipv;
    int done = 0, best = -SCORE_INFINITE;
    for (int l = 0; l < lines; ++l) {
        if (l > 0) {
            // The previous iteration's line l leads the search of this one.
            for (int k = 0; k < MAX_PLY + 2 && multi.line[l][k]; ++k)
                search_state.pv[0][k] = multi.line[l][k];
            search_state.pv[0][0] = root.moves[l].move;
            search_state.pv[0][1] = MOVE_NONE;
        }
        const int v = search_line(pos, d, end, l, us, false);
        if (search_state.status == STATUS_STOP && l > 0) break;
        if (l == 0) best = v;
        if (search_state.status == STATUS_STOP) break;
        // The line's best move takes the line's place; the rest keep their order.
        int j = l;
        for (int i = l + 1; i < root.count; ++i)
            if (root.moves[i].score > root.moves[j].score) j = i;
        const ScoredMove chosen = root.moves[j];
        for (int i = j; i > l; --i) root.moves[i] = root.moves[i - 1];
        root.moves[l] = chosen;
        multi.score[l] = v;
        for (int k = 0; k < MAX_PLY + 2; ++k) multi.line[l][k] = search_state.pv[0][k];
        done = l + 1;
    }
    if (done == 0) return best;
    // Reported best first; the lines hold distinct first moves.
    int order[MAX_MULTIPV];
    for (int l = 0; l < done; ++l) order[l] = l;
    for (int a = 1; a < done; ++a)
        for (int b = a; b > 0 && multi.score[order[b]] > multi.score[order[b - 1]]; --b) {
            const int t = order[b];
            order[b] = order[b - 1];
            order[b - 1] = t;
        }
    // The first line reported is the decision and the principal variation that the next
    // iteration follows.
    const Move* top = multi.line[order[0]];
    for (int k = 0; k < MAX_PLY + 2; ++k) search_state.pv[0][k] = top[k];
    search_state.best_move = top[0];
    search_state.best_score = multi.score[order[0]];
    search_state.ponder_move = top[0] ? top[1] : MOVE_NONE;
    for (int l = 0; l < done; ++l)
        report_progress(d, l + 1, multi.score[order[l]], multi.line[order[l]]);
    return multi.score[order[0]];
}

RootResult result(int legal_moves) {
    const SearchState& s = search_state;
    return RootResult{s.best_move, s.best_score, s.ponder_move, legal_moves};
}

} // namespace

RootResult root_search(Position& pos) {
    RootMoves& root = search_state.root;
    clear_history_scores();
    root.mate_iterations = 0;
    search_state.root_has_move = false;
    search_state.stop_pending = false;

    ScoredMove* end = restrict_root_moves(list_stack, gen_legal(pos, list_stack));
    const int n = root.count = static_cast<int>(end - list_stack);
    for (int i = 0; i < n; ++i) prescore_root_move(pos, end, list_stack[i].move, i);
    if (n == 0) return RootResult{MOVE_NONE, -SCORE_MATE, MOVE_NONE, 0};

    // A mate in N moves ends at ply 2N - 1 at the latest.
    const int mate_depth =
        search_state.limits.mate_moves > 0 ? 2 * search_state.limits.mate_moves : 0;

    const int us = static_cast<int>(pos.side);
    const int lines = search_state.limits.multipv > 1
                          ? (search_state.limits.multipv < n ? search_state.limits.multipv : n)
                          : 1;
    // No line of an earlier search leads the first iteration.
    for (int l = 0; l < lines; ++l) search_state.multipv.line[l][0] = MOVE_NONE;
    for (int d = 1; d < MAX_PLY; ++d) {
        if (search_state.limits.depth > 0 && d > search_state.limits.depth) break;
        if (mate_depth > 0 && d > mate_depth) break;
        root.changes[d] = 0;
        enter_node(pos, 0);
        sort_root_moves(root);
        int best;
        if (lines == 1) {
            // The one line is reported as each new best move comes.
            best = search_line(pos, d, end, 0, us, true);
        } else {
            best = search_lines(pos, d, end, lines, us);
        }
        if (search_state.status == STATUS_STOP) return result(n);
        if (std::abs(best) >= 999800) ++root.mate_iterations;
        if (mate_depth > 0 && best >= SCORE_MATE - (mate_depth - 1)) break;

        if (!search_state.limits.no_early_stop) {
            const TimePlan& plan = search_state.time_plan;
            if (n == 1 && (search_state.limits.untimed || !plan.search_forced)) break;
            // A proven mate ends a search without a clock. On a clock the time is there to
            // be used: the search goes on to its allotment, looking for a shorter mate,
            // rather than bank time that the game may never need.
            if (d >= 3 && root.mate_iterations >= 2 &&
                (search_state.limits.untimed || !plan.hard_ms))
                break;
            const int32_t extra =
                iteration_stretch(plan.allotment_ms, d, root.changes[d - 1], root.changes[d]);
            const uint32_t elapsed = tick_ms() - search_state.clock_ms;
            if (!search_state.limits.untimed && !plan.fixed &&
                iteration_time_up(elapsed, plan.allotment_ms, extra))
                break;
        }
    }
    return result(n);
}
