#include "search/ordering.h"

#include <cstring>
#include <initializer_list>

#include "board/history.h"
#include "eval/terms.h"
#include "movegen/attacks.h"
#include "search/search_state.h"

namespace {
// Value of whatever occupies a cell; 0 for empty and border cells.
inline int value_at(int code) { return code < 16 ? piece_value[code] : 0; }
} // namespace

void clear_history_scores() {
    std::memset(search_state.history_scores, 0, sizeof search_state.history_scores);
}
void clear_cutoff_stats() {
    std::memset(search_state.cutoff_stats, 0, sizeof search_state.cutoff_stats);
}

void score_moves(const Position& pos, ScoredMove* list_end, int count, int ply, Move order_move) {
    const int us = static_cast<int>(pos.side);
    const int previous_to = ply > 0 ? move_to(pos.history.entry[pos.ply - 1].move) : -1;
    for (ScoredMove* m = list_end - count; m != list_end; ++m) {
        const Move move = m->move;
        const int from = move_from(move), to = move_to(move);
        if (order_move && same_move(move, order_move)) {
            m->score = 1000000000;
            continue;
        }
        if (move_promo(move) == QUEEN) {
            const int s = see(pos, from, to);
            if (s >= 0) {
                m->score = 100000000 + piece_value[move_captured(move)];
                continue;
            }
        }
        if (move_captured(move)) {
            const int s = see(pos, from, to);
            if (ply > 0 && s > 0 && to == previous_to)
                m->score = 100000000 + s;
            else if (s >= 0)
                m->score = 90000000 + s;
            else
                m->score = s;
            continue;
        }
        const Move* killers = search_state.killers[ply];
        if (move == killers[0])
            m->score = 90000000;
        else if (move == killers[1])
            m->score = 89999999;
        else if (ply >= 2 && move == search_state.killers[ply - 2][0])
            m->score = 89999998;
        else if (ply >= 2 && move == search_state.killers[ply - 2][1])
            m->score = 89999997;
        else
            m->score = search_state.history_scores[us][sq64(from)][sq64(to)];
    }
}

void score_captures(Position& pos, ScoredMove* list_end, int count, int ply, Move order_move) {
    const int previous_to = ply > 0 ? move_to(pos.history.entry[pos.ply - 1].move) : -1;
    for (ScoredMove* m = list_end - count; m != list_end; ++m) {
        const Move move = m->move;
        const int from = move_from(move), to = move_to(move);
        if (order_move && same_move(move, order_move))
            m->score = 100000000;
        else if (move_promo(move) == QUEEN && see(pos, from, to) >= 0)
            m->score = 10000000 + piece_value[move_captured(move)];
        else if (move_captured(move)) {
            if (ply > 0 && to == previous_to)
                m->score = 10000000 - piece_value[pos.board[from]];
            else
                m->score =
                    piece_value[move_captured(move)] - piece_value[pos.board[from]] + 9000000;
        } else
            m->score = 0;
    }
}

void pick_next_move(ScoredMove* cur, ScoredMove* end) {
    // The first of the highest scores; written with selects rather than branches, which
    // scores in no particular order would mispredict.
    ScoredMove* best = cur;
    int32_t best_score = cur->score;
    for (ScoredMove* m = cur + 1; m < end; ++m) {
        const bool better = m->score > best_score;
        best = better ? m : best;
        best_score = better ? m->score : best_score;
    }
    if (best != cur) {
        const ScoredMove t = *cur;
        *cur = *best;
        *best = t;
    }
}

namespace {

struct AttackerList {
    int squares[16];
    int count = 0;
    int next = 0;
};

// Insert keeping ascending piece values from index `from_index` on (stable for equals).
void insert_sorted(AttackerList& list, const Position& pos, int sq, int from_index) {
    if (list.count >= 16) return;
    int i = list.count++;
    const int v = value_at(pos.board[sq]);
    while (i > from_index && value_at(pos.board[list.squares[i - 1]]) > v) {
        list.squares[i] = list.squares[i - 1];
        --i;
    }
    list.squares[i] = sq;
}

// The slider that joins an exchange on `to` once the piece on a has taken part: the first
// piece behind a on a line through `to` that moves along that line. 0 when there is none.
inline int slider_behind(const Position& pos, int a, int to) {
    const DeltaEntry& line = delta(a - to);
    if (!(line.kinds & KIND_QUEEN)) return 0;
    int y = a - line.step;
    while (pos.board[y] == EMPTY) y -= line.step;
    const int code = pos.board[y];
    if ((piece_kind_bit[code] & (KIND_BISHOP | KIND_ROOK | KIND_QUEEN) & delta(y - to).kinds) &&
        (is_colour(code, WHITE) || is_colour(code, BLACK)))
        return y;
    return 0;
}

} // namespace

int see(const Position& pos, int from, int to) {
    const int us = static_cast<int>(pos.side);
    AttackerList lists[2];
    lists[us].squares[0] = from;
    lists[us].count = 1;

    // The direct attackers other than the first, found by looking outward from the target:
    // the knights' squares, then the first piece along each line.
    int found[2][16];
    int found_count[2] = {0, 0};
    unsigned types[2] = {0, 0};
    bool tie[2] = {false, false};
    const auto note = [&](int p) {
        if (p == from) return;
        const int code = pos.board[p], c = colour_of(code);
        const unsigned bit = 1u << type_of(code);
        if (types[c] & bit) tie[c] = true;
        types[c] |= bit;
        found[c][found_count[c]++] = p;
    };
    const auto knight = [&](int step) {
        if (type_of(pos.board[to + step]) == KNIGHT) note(to + step);
    };
    const auto line = [&](int step) {
        int p = to + step;
        while (pos.board[p] == EMPTY) p += step;
        if (piece_kind_bit[pos.board[p]] & delta(p - to).kinds) note(p);
    };
    // Written out step by step so that each walk has a constant step.
    knight(33);
    knight(18);
    knight(-14);
    knight(-31);
    knight(-33);
    knight(-18);
    knight(14);
    knight(31);
    line(16);
    line(17);
    line(1);
    line(-15);
    line(-16);
    line(-17);
    line(-1);
    line(15);

    // Each list ascends by value after the side to move's first entry; equal values keep
    // piece-list order. That order can matter (which of two rooks goes first decides when
    // the slider behind one of them joins), so a colour with two attackers of one type is
    // gathered again in list order; with all values distinct the order found is immaterial.
    for (int c = 0; c < 2; ++c) {
        const int first = c == us ? 1 : 0;
        if (!tie[c]) {
            for (int i = 0; i < found_count[c]; ++i)
                insert_sorted(lists[c], pos, found[c][i], first);
            continue;
        }
        for (int p = first_in(pos, c * 8); p < LIST_END; p = next_in(pos, c * 8, p))
            if (p != from && piece_attacks(pos, p, to)) insert_sorted(lists[c], pos, p, first);
    }

    int s = us;
    int v = value_at(pos.board[to]);
    int balance = 0;
    while (lists[s].next < lists[s].count) {
        const int a = lists[s].squares[lists[s].next++];
        balance += s == us ? v : -v;
        // A slider behind the capturer joins the exchange.
        if (const int y = slider_behind(pos, a, to)) {
            AttackerList& owner = lists[colour_of(pos.board[y])];
            insert_sorted(owner, pos, y, owner.next);
        }
        if (v == 1600) break;
        s ^= 1;
        v = value_at(pos.board[a]);
    }
    return balance;
}

void update_killers(Move move, int ply) {
    Move* killers = search_state.killers[ply];
    if (!move_is_quiet(move) || move == killers[0]) return;
    killers[1] = killers[0];
    killers[0] = move;
}

bool late_move_prunable(const Position& pos, Move move) {
    if (!move_is_quiet(move)) return false;
    const int from = move_from(move), to = move_to(move);
    const int piece = pos.board[from];
    if (type_of(piece) == PAWN && is_passed(pos, static_cast<int>(pos.side), to)) return false;
    const CutoffStat& st = search_state.cutoff_stats[sq64(from)][sq64(to)][piece];
    return 3 * st.cut_count < st.fail_count;
}

bool late_move_reducible(const Position& pos, Move move) {
    if (!move_is_quiet(move)) return false;
    const int from = move_from(move), to = move_to(move);
    const int piece = pos.board[to];
    if (type_of(piece) == PAWN && is_passed(pos, colour_of(piece), to)) return false;
    const CutoffStat& st = search_state.cutoff_stats[sq64(from)][sq64(to)][piece];
    return st.cut_count <= 3 * st.fail_count;
}

void record_cutoff(const Position& pos, Move cut_move, const Move* tried, int tried_count) {
    if (!move_is_quiet(cut_move)) return;
    auto stat = [&](Move m) -> CutoffStat& {
        return search_state
            .cutoff_stats[sq64(move_from(m))][sq64(move_to(m))][pos.board[move_from(m)]];
    };
    ++stat(cut_move).cut_count;
    for (int i = 0; i < tried_count && tried[i] != cut_move; ++i)
        if (move_is_quiet(tried[i])) ++stat(tried[i]).fail_count;
}
