#include "search/node.h"

#include "board/history.h"
#include "io/platform.h"
#include "search/front_end.h"
#include "search/search_state.h"
#include "search/timeman.h"

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
    if (!s.limits.untimed && time_stop_due(tick_ms() - s.clock_ms, s.time_plan)) stop = true;
    if (stop) request_stop();
}

} // namespace

void enter_node(Position& pos, int ply) {
    SearchState& s = search_state;
    ++s.nodes;
    if (ply > s.seldepth) s.seldepth = ply;
    if (++s.poll_counter >= POLL_INTERVAL) {
        poll();
        s.poll_counter = 0;
    }
    if (s.limits.nodes && s.nodes >= s.limits.nodes) request_stop();
    pos.history.entry[pos.ply].move = MOVE_NONE;
    s.killers[ply][0] = s.killers[ply][1] = MOVE_NONE;
    s.pv[ply][0] = s.pv[ply + 1][0] = MOVE_NONE;
}

void update_pv(Move move, int ply) {
    Move* row = search_state.pv[ply];
    const Move* child = search_state.pv[ply + 1];
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
