#include "movegen/attacks.h"

int first_attacker(const Position& pos, int sq, int colour) {
    const int list = colour * 8;
    for (int p = first_in(pos, list); p < LIST_END; p = next_in(pos, list, p))
        if (piece_attacks(pos, p, sq)) return p;
    return 0;
}

bool gives_check(const Position& pos, Move move) {
    const int us = static_cast<int>(pos.side);
    const int k = king_square(pos, us ^ 1);
    if (k >= LIST_END) return false;
    const DeltaEntry* v = king_view(k);
    const int from = move_from(move), to = move_to(move);
    const int piece = pos.board[from];
    if (piece_kind_bit[piece] & v[to].kinds) {
        if (!is_slider[piece]) return true;
        int t = to + v[to].step;
        while (t != k && pos.board[t] == EMPTY) t += v[to].step;
        if (t == k) return true;
    }
    if (!(v[from].kinds & KIND_QUEEN)) return false;
    if (v[from].step == v[to].step) return false;
    const int s = v[from].step;
    if (first_occupied(pos, from + s, s) != k) return false;
    int y = first_occupied(pos, from - s, -s);
    int code = pos.board[y];
    return is_colour(code, us) && (piece_kind_bit[code] & v[y].kinds);
}
