#include "board/geometry.h"

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
constexpr bool slides(int code) {
    return (kind_of_code(code) & (KIND_BISHOP | KIND_ROOK | KIND_QUEEN)) != 0;
}
} // namespace

#define K(c) kind_of_code(c)
#define S(c) slides(c)
#define ROW8(b, M) M(b), M(b + 1), M(b + 2), M(b + 3), M(b + 4), M(b + 5), M(b + 6), M(b + 7)
const uint8_t piece_kind_bit[64] = {ROW8(0, K),  ROW8(8, K),  ROW8(16, K), ROW8(24, K),
                                    ROW8(32, K), ROW8(40, K), ROW8(48, K), ROW8(56, K)};
const uint8_t is_slider[64] = {ROW8(0, S),  ROW8(8, S),  ROW8(16, S), ROW8(24, S),
                               ROW8(32, S), ROW8(40, S), ROW8(48, S), ROW8(56, S)};
#undef ROW8
#undef S
#undef K

namespace {
// Every piece's steps from every board square, as far as each reaches on an empty board.
constexpr DeltaTable make_delta_table() {
    DeltaTable table{};
    for (int s = 64; s <= 183; ++s) {
        if (!on_board(s)) continue;
        for (int code = 1; code <= 14; ++code) {
            for (const int8_t* d = piece_steps[code]; *d; ++d) {
                for (int t = s + *d; is_board_square(t); t += *d) {
                    DeltaEntry& e = table.entry[s - t + 256];
                    e.kinds |= kind_of_code(code);
                    e.step = *d;
                    if (!slides(code)) break;
                }
            }
        }
    }
    return table;
}

constexpr DistanceTable make_distance_table() {
    DistanceTable table{};
    for (int a = 64; a <= 183; ++a) {
        if (!on_board(a)) continue;
        for (int b = 64; b <= 183; ++b) {
            if (!on_board(b)) continue;
            int df = file_of(a) - file_of(b), dr = rank_of(a) - rank_of(b);
            if (df < 0) df = -df;
            if (dr < 0) dr = -dr;
            table.cell[a - b + 128] = static_cast<uint8_t>(df > dr ? df : dr);
        }
    }
    return table;
}
} // namespace

constexpr DeltaTable delta_table = make_delta_table();
constexpr DistanceTable square_distance = make_distance_table();

void find_checkers(Position& pos) {
    pos.checkers = 0;
    int k = king_square(pos, static_cast<int>(pos.side));
    if (k >= LIST_END) return;
    int enemy = static_cast<int>(pos.side) ^ 1;
    for (int p = first_in(pos, enemy * 8); p < LIST_END; p = next_in(pos, enemy * 8, p)) {
        if (!piece_attacks(pos, p, k)) continue;
        pos.checker_sq[pos.checkers] = static_cast<uint8_t>(p);
        // Two recorded checkers already mean "king moves only"; a third changes nothing.
        if (++pos.checkers == 2) break;
    }
}

void compute_checkers(Position& pos, Move move) {
    pos.checkers = 0;
    if (move == MOVE_NONE) return;
    const int us = static_cast<int>(pos.side); // the side that may be in check
    const int mover = us ^ 1;
    const int k = king_square(pos, us);
    if (k >= LIST_END) return;
    const DeltaEntry* v = king_view(k);
    const int from = move_from(move), to = move_to(move);

    // Castling moves two pieces, and in Chess960 may open a line from either square they
    // leave: it is rare enough to look at from scratch.
    if (move_is_castle(move)) {
        find_checkers(pos);
        return;
    }

    uint32_t count = 0;
    const int piece = pos.board[to];
    if (piece_kind_bit[piece] & v[to].kinds) {
        if (!is_slider[piece] || first_occupied(pos, to + v[to].step, v[to].step) == k) {
            pos.checker_sq[0] = static_cast<uint8_t>(to);
            count = 1;
        }
    }

    int discovered_line = 0;
    if (v[from].kinds & KIND_QUEEN) {
        const int s = v[from].step;
        if (first_occupied(pos, from + s, s) == k) {
            int y = first_occupied(pos, from - s, -s);
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
            if (first_occupied(pos, c + s, s) == k) {
                int y = first_occupied(pos, c - s, -s);
                int code = pos.board[y];
                if (y != to && is_colour(code, mover) && (piece_kind_bit[code] & v[y].kinds) &&
                    count < 2)
                    pos.checker_sq[count++] = static_cast<uint8_t>(y);
            }
        }
    }
    pos.checkers = count;
}
