#include "board/position.h"

#include <cstring>

#include "board/pst.h"

const int32_t piece_value[16] = {0, 100, 325, 326, 505, 1000, 1600, 0,
                                 0, 100, 325, 326, 505, 1000, 1600, 0};
const int32_t pawn_step[2] = {16, -16};
const char start_fen[] = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 0";

namespace {

struct ColourTable {
    uint8_t cell[256];
    constexpr ColourTable() : cell() {
        for (int s = 0; s < 256; ++s)
            cell[s] =
                (s >= 64 && s <= 183 && on_board(s)) ? ((rank_of(s) + file_of(s)) % 2 == 0) : 2;
    }
};
constexpr ColourTable colour_table;

void append_to_list(Position& pos, int list, int sq) {
    Link* links = pos.piece_links[list];
    int last = links[LIST_END].prev;
    links[last].next = static_cast<uint8_t>(sq);
    links[sq].prev = static_cast<uint8_t>(last);
    links[sq].next = LIST_END;
    links[LIST_END].prev = static_cast<uint8_t>(sq);
}

} // namespace

const uint8_t square_colour[256] = {
#define C(s) colour_table.cell[s]
#define R16(b)                                                                                     \
    C(b), C(b + 1), C(b + 2), C(b + 3), C(b + 4), C(b + 5), C(b + 6), C(b + 7), C(b + 8),          \
        C(b + 9), C(b + 10), C(b + 11), C(b + 12), C(b + 13), C(b + 14), C(b + 15)
    R16(0),   R16(16),  R16(32),  R16(48),  R16(64),  R16(80),  R16(96), R16(112), R16(128),
    R16(144), R16(160), R16(176), R16(192), R16(208), R16(224), R16(240)
#undef R16
#undef C
};

void clear_board(uint8_t* board) {
    for (int s = 0; s < 256; ++s) board[s] = is_board_square(s) ? EMPTY : OFFBOARD;
}

void build_piece_lists(Position& pos) {
    std::memset(pos.piece_links, 0, sizeof pos.piece_links);
    for (int list = 0; list < 16; ++list) {
        pos.piece_links[list][LIST_HEAD].next = LIST_END;
        pos.piece_links[list][LIST_END].prev = LIST_HEAD;
    }
    for (int s = 64; s <= 183; ++s) {
        int code = pos.board[s];
        if (!is_colour(code, WHITE) && !is_colour(code, BLACK)) continue;
        int colour = colour_of(code);
        append_to_list(pos, code, s);
        append_to_list(pos, colour * 8, s);
        if (type_of(code) != KING) append_to_list(pos, colour * 8 + 7, s);
    }
}

void count_pieces(Position& pos) {
    std::memset(pos.piece_count, 0, sizeof pos.piece_count);
    for (int c = 0; c < 2; ++c)
        for (int s = first_in(pos, c * 8); s < LIST_END; s = next_in(pos, c * 8, s))
            ++pos.piece_count[pos.board[s]];
}

void build_pawn_masks(Position& pos) {
    std::memset(pos.pawn_files, 0, sizeof pos.pawn_files);
    std::memset(pos.pawn_sq_colour, 0, sizeof pos.pawn_sq_colour);
    for (int c = 0; c < 2; ++c) {
        int list = c * 8 + PAWN;
        for (int s = first_in(pos, list); s < LIST_END; s = next_in(pos, list, s)) {
            int r = relative_rank(s, c);
            // A pawn on the first or last rank (a position the engine refuses to play)
            // would sit outside the 8 mask bits; such FENs never get here.
            if (r >= 1 && r <= 8)
                pos.pawn_files[c][file_of(s)] |= static_cast<uint8_t>(1u << (r - 1));
            ++pos.pawn_sq_colour[c][square_colour[s]];
        }
    }
}

void compute_sums(Position& pos) {
    for (int c = 0; c < 2; ++c) {
        int32_t material = 0, open = 0, end = 0;
        for (int s = first_in(pos, c * 8 + 7); s < LIST_END; s = next_in(pos, c * 8 + 7, s))
            material += piece_value[pos.board[s]];
        for (int s = first_in(pos, c * 8); s < LIST_END; s = next_in(pos, c * 8, s)) {
            open += pst_open[pos.board[s]][s];
            end += pst_end[pos.board[s]][s];
        }
        pos.material[c] = material;
        pos.psq_open[c] = open;
        pos.psq_end[c] = end;
    }
}

int32_t count_officers(const Position& pos) {
    int32_t officers = 0;
    for (int c = 0; c < 2; ++c)
        for (int t = KNIGHT; t <= QUEEN; ++t) officers += pos.piece_count[c * 8 + t];
    return officers;
}
