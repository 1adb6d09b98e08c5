#include "search/quiesce.h"

#include "board/history.h"
#include "board/make_move.h"
#include "eval/eval_cache.h"
#include "eval/evaluate.h"
#include "movegen/movegen.h"
#include "search/ordering.h"
#include "search/front_end.h"
#include "search/root.h"
#include "search/timeman.h"
#include "io/platform.h"

Move pv_table[MAX_PLY + 2][MAX_PLY + 2];

namespace {

// A stop that arrives before the root has scored its first move waits for it, so every
// decision the driver takes has a searched move.
void request_stop() {
    if (search_state.root_has_move)
        search_state.status = STATUS_STOP;
    else
        search_state.stop_pending = true;
}

void poll() {
    const SearchState& s = search_state;
    bool stop = front_end.should_stop && front_end.should_stop();
    if (!s.limits.untimed &&
        time_stop_due(tick_ms() - s.clock_ms, s.allotment_ms, s.limits.movetime_ms))
        stop = true;
    if (stop) request_stop();
}

} // namespace

void enter_node(Position& pos, int ply) {
    ++search_state.nodes;
    if (++search_state.poll_counter >= POLL_INTERVAL) {
        poll();
        search_state.poll_counter = 0;
    }
    if (search_state.limits.nodes && search_state.nodes >= search_state.limits.nodes)
        request_stop();
    game_history[pos.ply].move = MOVE_NONE;
    killer1[ply] = killer2[ply] = MOVE_NONE;
    pv_table[ply][0] = pv_table[ply + 1][0] = MOVE_NONE;
}

void update_pv(Move move, int ply) {
    Move* row = pv_table[ply];
    const Move* child = pv_table[ply + 1];
    row[0] = move;
    int i = 0;
    while (i < MAX_PLY && child[i]) {
        row[i + 1] = child[i];
        ++i;
    }
    row[i + 1] = MOVE_NONE;
}

bool insufficient_material(const Position& pos) {
    if (pos.piece_count[WHITE * 8 + PAWN] || pos.piece_count[BLACK * 8 + PAWN]) return false;
    if (pos.officer_count >= 3) return false;
    const int heavy =
        pos.piece_count[make_piece(WHITE, ROOK)] + pos.piece_count[make_piece(WHITE, QUEEN)] +
        pos.piece_count[make_piece(BLACK, ROOK)] + pos.piece_count[make_piece(BLACK, QUEEN)];
    if (pos.officer_count == 0) return true;
    if (heavy) return false;
    if (pos.officer_count == 1) return true;
    const int white_minors =
        pos.piece_count[make_piece(WHITE, KNIGHT)] + pos.piece_count[make_piece(WHITE, BISHOP)];
    const int black_minors =
        pos.piece_count[make_piece(BLACK, KNIGHT)] + pos.piece_count[make_piece(BLACK, BISHOP)];
    return white_minors != 2 && black_minors != 2;
}

int quiesce(Position& pos, int alpha, int beta, ScoredMove* list, int ply, int follow_pv) {
    pv_table[ply][0] = MOVE_NONE;
    if (search_state.status == STATUS_STOP) return 0;
    if (alpha > SCORE_MATE - 1 - ply) return alpha;
    if (ply >= MAX_PLY) return evaluate(pos);
    if (is_repetition(pos, ply) || insufficient_material(pos)) return 0;

    const Move order_move = follow_pv ? pv_table[0][ply] : MOVE_NONE;
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
