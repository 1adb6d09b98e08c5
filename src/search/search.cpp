#include "search/search.h"

#include <algorithm>

#include "board/history.h"
#include "board/make_move.h"
#include "board/pst.h"
#include "eval/eval_cache.h"
#include "eval/evaluate.h"
#include "movegen/movegen.h"
#include "search/node.h"
#include "search/ordering.h"
#include "search/quiesce.h"
#include "search/search_state.h"
#include "search/tt.h"

int move_gain(const Position& pos, Move move) {
    const int us = static_cast<int>(pos.side);
    const int from = move_from(move), to = move_to(move);
    const int mover = pos.board[from];
    int gain = pst_open[mover][to] - pst_open[mover][from];
    if (const int cap = move_captured(move)) {
        const int victim = make_piece(us ^ 1, cap);
        gain += piece_value[victim] + pst_open[victim][to];
    }
    if (const int promo = move_promo(move)) gain += piece_value[make_piece(us, promo)] - 100;
    return gain;
}

int search(Position& pos, int alpha, int beta, int depth, int null_ok, ScoredMove* list, int ply,
           int follow_pv, int reduced_flag) {
    // 1-6. Early exits: abort, mate distance, ply limit, horizon, draws.
    const bool is_pv = beta - alpha > 1;
    search_state.pv[ply][0] = MOVE_NONE;
    if (search_state.status == STATUS_STOP) return 0;
    if (alpha > SCORE_MATE - 1 - ply) return alpha;
    if (ply >= MAX_PLY) return evaluate(pos);
    if (depth <= 0) return quiesce(pos, alpha, beta, list, ply, follow_pv);
    if (is_repetition(pos, ply) || insufficient_material(pos)) return 0;

    // 7-8. Ordering move: the previous principal variation, else the table's move.
    ScoredMove hash = empty_scored_move;
    tt_probe(pos, depth, hash);
    Move order_move = follow_pv ? search_state.pv[0][ply] : MOVE_NONE;
    if (!order_move) order_move = hash.move;

    // 9. Node entry and static evaluation.
    enter_node(pos, ply);
    const int e = evaluate(pos);
    const int us = static_cast<int>(pos.side);
    int mate_threat = 0;

    // 10. Null move, verified at high depth when little material is left.
    if (null_ok && !pos.checkers && e >= beta && pos.material[WHITE] > 0 &&
        pos.material[BLACK] > 0 && pos.officer_count > 0 &&
        (pos.piece_count[us * 8 + PAWN] > 0 || pos.material[us] > 505)) {
        Undo undo;
        make_null_move(pos, undo);
        const int d = pos.officer_count < 7 ? depth - 3 : depth - 4;
        const int v = -search(pos, -beta, -beta + 1, d, 0, list, ply + 1, 0, 0);
        unmake_null_move(pos, undo);
        if (v >= beta) {
            if (depth < 7 || pos.material[us] > 1325) return v;
            const int w = search(pos, alpha, beta, depth - 6, 0, list, ply, 0, 0);
            if (w >= beta) return v;
        } else {
            if (v <= ply - (SCORE_MATE - 2)) mate_threat = 1;
            // Fail the reduced search high so that the parent searches the move in full.
            if (reduced_flag && depth <= 5) return alpha;
        }
    }

    // 11. Internal iterative deepening when there is no move to try first.
    if (!order_move && ((is_pv && depth > 3) || (depth > 6 && e > alpha - 200))) {
        const int v = search(pos, alpha, beta, depth - 2, 0, list, ply, 0, 0);
        if (v >= std::max(beta, 999900)) return v;
        if (v < std::min(alpha, -999900)) return v;
        order_move = search_state.pv[ply][0];
    }

    // 12. Moves.
    ScoredMove* end;
    if (pos.checkers) {
        end = gen_evasions(pos, list);
        if (end == list) return ply - SCORE_MATE;
    } else {
        end = gen_moves(pos, list);
    }
    const int count = static_cast<int>(end - list);
    score_moves(pos, end, count, ply, order_move);

    // 13. Futility and history pruning near the leaves.
    const bool pruning = depth <= 3 && !is_pv && !pos.checkers && e > -2000 && mate_threat == 0;
    int margin1 = 300, margin2 = 600;
    if (pos.material[WHITE] + pos.material[BLACK] > 2650) {
        margin1 = 150;
        margin2 = 300;
    }

    // 14. Stalemate.
    if (count == 0) return 0;

    // 15. Move loop.
    const int entry_alpha = alpha;
    int best = -SCORE_INFINITE;
    Move tried[MAX_MOVES];
    int taken = 0;
    for (ScoredMove* m = list; m != end; ++m) {
        if (taken < 16) pick_next_move(m, end);
        const Move move = m->move;
        tried[taken++] = move;
        const int from = move_from(move), to = move_to(move);

        // gives_check is the dearest of the conditions, so it is asked last.
        if (pruning && !(type_of(pos.board[from]) == PAWN && relative_rank(to, us) >= 6)) {
            const int g = move_gain(pos, move) + e;
            if (((depth < 3 && g < alpha - margin2) || (depth < 2 && g < alpha - margin1) ||
                 (depth <= 3 && taken >= 2 && late_move_prunable(pos, move))) &&
                !gives_check(pos, move))
                continue;
        }

        // The child probes these slots first: have them loaded while the move is made.
        const uint64_t child_key = key_after(pos, move);
        tt_prefetch(child_key);
        eval_cache_prefetch(child_key);
        Undo undo;
        make_move(pos, move, undo);
        const int cap = move_captured(move);
        const int x = (pos.checkers || (cap && cap != PAWN && pos.officer_count == 0) ||
                       (pos.board[to] == make_piece(us, PAWN) && relative_rank(to, us) == 7))
                          ? 1
                          : 0;
        int v;
        if (taken == 1) {
            v = -search(pos, -beta, -alpha, depth - 1 + x, 1, end, ply + 1, follow_pv, 0);
        } else {
            if (x == 0 && taken >= 4 && depth >= 2 && !is_pv && late_move_reducible(pos, move))
                v = -search(pos, -alpha - 1, -alpha, depth - 2, 1, end, ply + 1, 0, 1);
            else
                v = alpha + 1;
            if (v > alpha) {
                v = -search(pos, -alpha - 1, -alpha, depth - 1 + x, 1, end, ply + 1, 0, 0);
                if (alpha < v && v < beta)
                    v = -search(pos, -beta, -alpha, depth - 1 + x, 1, end, ply + 1, 0, 0);
            }
        }
        unmake_move(pos, move, undo);
        if (search_state.status == STATUS_STOP) break;

        if (v > best) {
            best = v;
            if (v > alpha) {
                alpha = v;
                update_pv(move, ply);
                if (v >= beta && move_is_quiet(move)) {
                    search_state.history_scores[us][sq64(from)][sq64(to)] += depth;
                    update_killers(move, ply);
                }
            }
        }
        if (alpha >= beta) break;
    }

    // 16-17. Store the node's move for ordering (aborted nodes store nothing).
    if (taken == 0 || search_state.status == STATUS_STOP) return 0;
    Move stored = search_state.pv[ply][0];
    if (best >= beta)
        record_cutoff(pos, stored, tried, taken);
    else if (alpha == entry_alpha)
        stored = MOVE_NONE;
    tt_store(pos, depth, ScoredMove{stored, best});
    return alpha;
}
