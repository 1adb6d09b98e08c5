#include "movegen/attacks.h"

#include <cstring>

DeltaEntry delta_storage[512];

namespace {
constexpr uint8_t kind_of_code(int code) {
    switch (code) {
    case 1: return KIND_WHITE_PAWN;
    case 9: return KIND_BLACK_PAWN;
    case 2:
    case 10: return KIND_KNIGHT;
    case 3:
    case 11: return KIND_BISHOP;
    case 4:
    case 12: return KIND_ROOK;
    case 5:
    case 13: return KIND_QUEEN;
    case 6:
    case 14: return KIND_KING;
    default: return 0;
    }
}
struct KindTables {
    uint8_t kind[64];
    uint8_t slider[64];
    constexpr KindTables() : kind(), slider() {
        for (int c = 0; c < 64; ++c) {
            kind[c] = kind_of_code(c);
            slider[c] = (kind[c] & (KIND_BISHOP | KIND_ROOK | KIND_QUEEN)) ? 1 : 0;
        }
    }
};
constexpr KindTables kind_tables;
} // namespace

#define K(c) kind_tables.kind[c]
#define S(c) kind_tables.slider[c]
#define ROW8(b, M) M(b), M(b + 1), M(b + 2), M(b + 3), M(b + 4), M(b + 5), M(b + 6), M(b + 7)
const uint8_t piece_kind_bit[64] = {ROW8(0, K),  ROW8(8, K),  ROW8(16, K), ROW8(24, K),
                                    ROW8(32, K), ROW8(40, K), ROW8(48, K), ROW8(56, K)};
const uint8_t is_slider[64] = {ROW8(0, S),  ROW8(8, S),  ROW8(16, S), ROW8(24, S),
                               ROW8(32, S), ROW8(40, S), ROW8(48, S), ROW8(56, S)};
#undef ROW8
#undef S
#undef K

void build_delta_table(const uint8_t* board) {
    std::memset(delta_storage, 0, sizeof delta_storage);
    for (int s = 64; s <= 183; ++s) {
        if (!on_board(s)) continue;
        for (int code = 1; code <= 14; ++code) {
            for (const int8_t* d = piece_steps[code]; *d; ++d) {
                int t = s + *d;
                while (board[t] != OFFBOARD) {
                    DeltaEntry& e = delta_storage[s - t + 256];
                    e.kinds |= piece_kind_bit[code];
                    e.step = *d;
                    if (!is_slider[code]) break;
                    t += *d;
                }
            }
        }
    }
}

int first_attacker(const Position& pos, int sq, int colour) {
    const int list = colour * 8;
    for (int p = first_in(pos, list); p < LIST_END; p = next_in(pos, list, p))
        if (piece_attacks(pos, p, sq)) return p;
    return 0;
}

namespace {
// Walk from x along step over empty squares; the first occupied cell reached.
inline int walk(const Position& pos, int x, int step) {
    while (pos.board[x] == EMPTY) x += step;
    return x;
}
} // namespace

void compute_checkers(Position& pos, Move move) {
    pos.checkers = 0;
    if (move == MOVE_NONE) return;
    const int us = static_cast<int>(pos.side); // the side that may be in check
    const int mover = us ^ 1;
    const int k = king_square(pos, us);
    if (k >= LIST_END) return;
    const DeltaEntry* v = king_view(k);
    const int from = move_from(move), to = move_to(move);

    if (move_is_castle(move)) {
        int rook = from < to ? to - 1 : to + 1;
        if ((piece_kind_bit[pos.board[rook]] & v[rook].kinds) &&
            walk(pos, rook + v[rook].step, v[rook].step) == k) {
            pos.checker_sq[0] = static_cast<uint8_t>(rook);
            pos.checkers = 1;
        }
        return;
    }

    uint32_t count = 0;
    const int piece = pos.board[to];
    if (piece_kind_bit[piece] & v[to].kinds) {
        if (!is_slider[piece] || walk(pos, to + v[to].step, v[to].step) == k) {
            pos.checker_sq[0] = static_cast<uint8_t>(to);
            count = 1;
        }
    }

    int discovered_line = 0;
    if (v[from].kinds & KIND_QUEEN) {
        const int s = v[from].step;
        if (walk(pos, from + s, s) == k) {
            int y = walk(pos, from - s, -s);
            int code = pos.board[y];
            if (y != to && is_colour(code, mover) && (piece_kind_bit[code] & v[y].kinds)) {
                pos.checker_sq[count++] = static_cast<uint8_t>(y);
                discovered_line = s;
            }
        }
    }

    if (move_is_ep(move)) {
        const int c = to + pawn_step[us];
        if ((v[c].kinds & KIND_QUEEN) && v[c].step != discovered_line) {
            const int s = v[c].step;
            if (walk(pos, c + s, s) == k) {
                int y = walk(pos, c - s, -s);
                int code = pos.board[y];
                if (y != to && is_colour(code, mover) && (piece_kind_bit[code] & v[y].kinds) &&
                    count < 2)
                    pos.checker_sq[count++] = static_cast<uint8_t>(y);
            }
        }
    }
    pos.checkers = count;
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
    if (walk(pos, from + s, s) != k) return false;
    int y = walk(pos, from - s, -s);
    int code = pos.board[y];
    return is_colour(code, us) && (piece_kind_bit[code] & v[y].kinds);
}
