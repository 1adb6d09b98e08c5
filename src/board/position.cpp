#include "board/position.h"

#include <cctype>
#include <cstring>
#include <initializer_list>

#include "board/history.h"
#include "board/pst.h"
#include "board/zobrist.h"
#include "movegen/attacks.h"

Position game_position;
int32_t officer_count;
uint8_t square_touches[256];
uint8_t square_distance[256];

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

void build_square_distance() {
    for (int a = 64; a <= 183; ++a) {
        if (!on_board(a)) continue;
        for (int b = 64; b <= 183; ++b) {
            if (!on_board(b)) continue;
            int df = file_of(a) - file_of(b), dr = (a >> 4) - (b >> 4);
            if (df < 0) df = -df;
            if (dr < 0) dr = -dr;
            square_distance[a - b + 128] = static_cast<uint8_t>(df > dr ? df : dr);
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

namespace {

Position scratch;

} // namespace

bool fen_is_playable(const char* fen) {
    uint8_t flag = 0;
    parse_fen(scratch, fen, &flag);
    build_piece_lists(scratch);
    count_pieces(scratch);
    for (int c = 0; c < 2; ++c) {
        if (scratch.piece_count[c * 8 + KING] != 1) return false;
        if (scratch.piece_count[c * 8 + PAWN] > 8) return false;
        int total = 0;
        for (int t = PAWN; t <= KING; ++t) total += scratch.piece_count[c * 8 + t];
        if (total > 16) return false;
        for (int s = first_in(scratch, c * 8 + PAWN); s < LIST_END;
             s = next_in(scratch, c * 8 + PAWN, s)) {
            int r = rank_of(s);
            if (r == 0 || r == 7) return false;
        }
    }
    // The side that has just moved must not have left its king in check. The attack table
    // depends only on the board's border, so it can be built from the scratch board.
    build_delta_table(scratch.board);
    int mover = static_cast<int>(scratch.side);
    int k = king_square(scratch, mover ^ 1);
    for (int p = first_in(scratch, mover * 8); p < LIST_END; p = next_in(scratch, mover * 8, p))
        if (piece_attacks(scratch, p, k)) return false;
    return true;
}

void setup_board(Position& pos, const char* fen, uint8_t* book_flag) {
    build_piece_square_tables();
    std::memset(square_touches, 0, sizeof square_touches);
    parse_fen(pos, fen, book_flag);
    build_piece_lists(pos);
    compute_sums(pos);
    count_pieces(pos);
    build_pawn_masks(pos);
    build_delta_table(pos.board);
    build_square_distance();
    officer_count = 0;
    for (int c = 0; c < 2; ++c)
        for (int t = KNIGHT; t <= QUEEN; ++t) officer_count += pos.piece_count[c * 8 + t];
    pos.castled[0] = pos.castled[1] = 0;
    pos.key = compute_key(pos);
    pos.pawn_key = compute_pawn_key(pos);
    clear_history(pos);
    find_checkers(pos);
}

bool pos_ok(const Position& pos) {
    static Position copy;
    copy = pos;
    // Lists must agree with the board: every piece once in each of its lists.
    int seen[256] = {};
    for (int list = 0; list < 16; ++list) {
        if (list == 7 || list == 15) continue;
        int count = 0, prev = LIST_HEAD;
        for (int s = first_in(pos, list); s < LIST_END; s = next_in(pos, list, s)) {
            if (s < 64 || !on_board(s) || pos.piece_links[list][s].prev != prev) return false;
            int code = pos.board[s];
            int colour = list >> 3, type = list & 7;
            if (!is_colour(code, colour)) return false;
            if (type != 0 && type_of(code) != type) return false;
            if (type != 0) ++seen[s];
            prev = s;
            if (++count > 16) return false;
        }
        if (pos.piece_links[list][LIST_END].prev != prev) return false;
    }
    for (int s = 64; s <= 183; ++s) {
        if (!on_board(s)) continue;
        bool piece = is_colour(pos.board[s], WHITE) || is_colour(pos.board[s], BLACK);
        if (seen[s] != (piece ? 1 : 0)) return false;
        if (!piece && pos.board[s] != EMPTY) return false;
    }
    build_piece_lists(copy);
    // Same membership in all-pieces and non-king lists (order is checked by the type lists).
    for (int c = 0; c < 2; ++c) {
        for (int list : {c * 8, c * 8 + 7}) {
            int n1 = 0, n2 = 0;
            for (int s = first_in(pos, list); s < LIST_END; s = next_in(pos, list, s)) ++n1;
            for (int s = first_in(copy, list); s < LIST_END; s = next_in(copy, list, s)) ++n2;
            if (n1 != n2) return false;
        }
    }
    compute_sums(copy);
    count_pieces(copy);
    build_pawn_masks(copy);
    if (std::memcmp(copy.material, pos.material, sizeof pos.material) ||
        std::memcmp(copy.psq_open, pos.psq_open, sizeof pos.psq_open) ||
        std::memcmp(copy.psq_end, pos.psq_end, sizeof pos.psq_end) ||
        std::memcmp(copy.piece_count, pos.piece_count, sizeof pos.piece_count) ||
        std::memcmp(copy.pawn_files, pos.pawn_files, sizeof pos.pawn_files) ||
        std::memcmp(copy.pawn_sq_colour, pos.pawn_sq_colour, sizeof pos.pawn_sq_colour))
        return false;
    if (compute_key(copy) != pos.key || compute_pawn_key(copy) != pos.pawn_key) return false;
    int officers = 0;
    for (int c = 0; c < 2; ++c)
        for (int t = KNIGHT; t <= QUEEN; ++t) officers += pos.piece_count[c * 8 + t];
    if (officers != officer_count) return false;
    find_checkers(copy);
    if (copy.checkers != pos.checkers) return false;
    for (uint32_t i = 0; i < pos.checkers; ++i)
        if (pos.checker_sq[i] != copy.checker_sq[0] && pos.checker_sq[i] != copy.checker_sq[1])
            return false;
    return true;
}
