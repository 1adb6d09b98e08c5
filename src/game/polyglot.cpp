#include "game/polyglot.h"

namespace {

constexpr int CASTLING_OFFSET = 768;
constexpr int EN_PASSANT_OFFSET = 772;
constexpr int TURN_OFFSET = 780;
constexpr char PROMOTION_LETTERS[] = " nbrq";

// A pawn of the side to move stands beside the pawn that has just moved two squares.
bool en_passant_capture_possible(const Position& pos) {
    const int target = pos.ep_square;
    if (!target) return false;
    const int side = static_cast<int>(pos.side);
    // The capturing pawns stand on the rank the pushed pawn landed on.
    const int landed = target - pawn_step[side];
    const int pawn = make_piece(side, PAWN);
    return (is_board_square(landed - 1) && pos.board[landed - 1] == pawn) ||
           (is_board_square(landed + 1) && pos.board[landed + 1] == pawn);
}

} // namespace

uint64_t polyglot_key(const Position& pos) {
    uint64_t key = 0;
    for (int rank = 0; rank < 8; ++rank) {
        for (int file = 0; file < 8; ++file) {
            const int code = pos.board[make_square(file, rank)];
            if (code == EMPTY) continue;
            const int kind = 2 * (type_of(code) - PAWN) + (colour_of(code) == WHITE ? 1 : 0);
            key ^= POLYGLOT_RANDOM[64 * kind + 8 * rank + file];
        }
    }
    for (int right = 0; right < 4; ++right)
        if (!(pos.castling_lost & (1u << right))) key ^= POLYGLOT_RANDOM[CASTLING_OFFSET + right];
    if (en_passant_capture_possible(pos))
        key ^= POLYGLOT_RANDOM[EN_PASSANT_OFFSET + file_of(pos.ep_square)];
    if (pos.side == WHITE) key ^= POLYGLOT_RANDOM[TURN_OFFSET];
    return key;
}

uint16_t polyglot_move_code(const Position& pos, Move move) {
    const int from = move_from(move);
    int to = move_to(move);
    // The king's destination becomes the square of the rook it castles with.
    if (move_is_castle(move)) {
        const int colour = colour_of(pos.board[from]);
        to = pos.castling.rook_square[2 * colour + (file_of(to) == 6 ? 0 : 1)];
    }
    static constexpr int PROMOTION_CODE[8] = {0, 0, 1, 2, 3, 4, 0, 0}; // by piece type
    return static_cast<uint16_t>(file_of(to) | rank_of(to) << 3 | file_of(from) << 6 |
                                 rank_of(from) << 9 | PROMOTION_CODE[move_promo(move)] << 12);
}

bool polyglot_move_text(const Position& pos, uint16_t code, char* out) {
    const int to_file = code & 7, to_rank = code >> 3 & 7;
    const int from_file = code >> 6 & 7, from_rank = code >> 9 & 7;
    const int promotion = code >> 12 & 7;
    if (code == 0 || promotion > 4 || (code >> 15)) return false;
    int to = to_file;
    // The king on its own square taking its own corner rook is castling.
    const int from = make_square(from_file, from_rank);
    const int side = static_cast<int>(pos.side);
    const int home_rank = side == WHITE ? 0 : 7;
    if (pos.board[from] == make_piece(side, KING) && from_file == 4 && from_rank == home_rank &&
        to_rank == home_rank && pos.board[make_square(to_file, to_rank)] == make_piece(side, ROOK))
        to = to_file == 7 ? 6 : to_file == 0 ? 2 : to_file;
    out[0] = static_cast<char>('a' + from_file);
    out[1] = static_cast<char>('1' + from_rank);
    out[2] = static_cast<char>('a' + to);
    out[3] = static_cast<char>('1' + to_rank);
    out[4] = promotion ? PROMOTION_LETTERS[promotion] : '\0';
    out[5] = '\0';
    return true;
}
