#include "search/quiesce.h"

#include "board/history.h"
#include "board/make_move.h"
#include "eval/eval_cache.h"
#include "eval/evaluate.h"
#include "movegen/movegen.h"
#include "search/node.h"
#include "search/ordering.h"

int quiesce(Position& pos, int alpha, int beta, ScoredMove* list, int ply, int follow_pv) {
    search_state.pv[ply][0] = MOVE_NONE;
    if (search_state.status == STATUS_STOP) return 0;
    if (alpha > SCORE_MATE - 1 - ply) return alpha;
    if (ply >= MAX_PLY) return evaluate(pos);
    if (is_repetition(pos, ply) || insufficient_material(pos)) return 0;

    const Move order_move = follow_pv ? search_state.pv[0][ply] : MOVE_NONE;
    enter_node(pos, ply);
    const int e = evaluate(pos);
    const bool in_check = pos.checkers != 0;
    ScoredMove* end;
    // The children probe the evaluation cache first thing: their slots are loaded while the
    // moves are scored.
    if (in_check) {
        end = gen_evasions(pos, list);
        if (end == list) return ply - SCORE_MATE;
        for (ScoredMove* m = list; m != end; ++m) eval_cache_prefetch(key_after(pos, m->move));
        score_moves(pos, end, static_cast<int>(end - list), ply, order_move);
    } else {
        if (e >= beta) return e;
        if (e > alpha) alpha = e;
        end = gen_captures(pos, list);
        for (ScoredMove* m = list; m != end; ++m) eval_cache_prefetch(key_after(pos, m->move));
        score_captures(pos, end, static_cast<int>(end - list), ply, order_move);
    }

    int searched = 0;
    for (ScoredMove* m = list; m != end; ++m) {
        if (searched < 4) pick_next_move(m, end);
        const Move move = m->move;
        // Losing captures of a more valuable piece are not worth a look.
        if (!in_check && move_captured(move) &&
            piece_value[pos.board[move_from(move)]] > piece_value[move_captured(move)] &&
            see(pos, move_from(move), move_to(move)) < 0)
            continue;
        Undo undo;
        make_move(pos, move, undo);
        const int score = -quiesce(pos, -beta, -alpha, end, ply + 1, searched == 0 ? follow_pv : 0);
        unmake_move(pos, move, undo);
        ++searched;
        if (search_state.status == STATUS_STOP) break;
        if (score > alpha) {
            alpha = score;
            update_pv(move, ply);
            if (alpha >= beta) break;
        }
    }
    return search_state.status == STATUS_STOP ? 0 : alpha;
}
