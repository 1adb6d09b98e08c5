#include "board/setup.h"

#include <cstring>
#include <initializer_list>

#include "board/geometry.h"
#include "board/history.h"
#include "board/zobrist.h"

void setup_board(Position& pos, const char* fen, bool chess960) {
    parse_fen(pos, fen, chess960);
    build_piece_lists(pos);
    compute_sums(pos);
    count_pieces(pos);
    build_pawn_masks(pos);
    pos.officer_count = count_officers(pos);
    std::memset(pos.square_touches, 0, sizeof pos.square_touches);
    pos.castled[0] = pos.castled[1] = 0;
    pos.key = compute_key(pos);
    pos.pawn_key = compute_pawn_key(pos);
    clear_history(pos);
    find_checkers(pos);
}

bool pos_ok(const Position& pos) {
    // The board part is rebuilt from scratch in a copy; the history is not needed for that.
    static Position copy;
    std::memcpy(static_cast<void*>(&copy), &pos, POSITION_BOARD_BYTES);
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
    if (count_officers(pos) != pos.officer_count) return false;
    find_checkers(copy);
    if (copy.checkers != pos.checkers) return false;
    for (uint32_t i = 0; i < pos.checkers; ++i)
        if (pos.checker_sq[i] != copy.checker_sq[0] && pos.checker_sq[i] != copy.checker_sq[1])
            return false;
    return true;
}
