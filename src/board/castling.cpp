#include "board/castling.h"

#include "board/zobrist.h"

namespace {

constexpr uint8_t STANDARD_ROOK[4] = {SQ_H1, SQ_A1, SQ_H8, SQ_A8};

// The square of the colour's king on its back rank, or 0.
int king_on_back_rank(const Position& pos, int colour) {
    const int first = colour == WHITE ? SQ_A1 : SQ_A8;
    for (int s = first; s < first + 8; ++s)
        if (pos.board[s] == make_piece(colour, KING)) return s;
    return 0;
}

// The outermost rook of the colour on the king's side given by step (+1 toward h, -1
// toward a), or 0.
int outermost_rook(const Position& pos, int colour, int king, int step) {
    const int rook = make_piece(colour, ROOK);
    int found = 0;
    for (int s = king + step; on_board(s); s += step)
        if (pos.board[s] == rook) found = s;
    return found;
}

// The rights' side tables, from the king and rook squares: which squares end which right,
// and the key of every combination of lost rights. A rook that stands where standard chess
// has it keys as in standard chess; any other castling rook adds its square's key, so that
// two positions differing only in which rook may castle never share a key.
void finish_rules(Position& pos) {
    CastlingRules& rules = pos.castling;
    for (auto& cell : rules.lost_on) cell = 0;
    for (int right = 0; right < 4; ++right)
        rules.lost_on[rules.rook_square[right]] |= static_cast<uint8_t>(1u << right);
    for (uint32_t lost = 0; lost < 16; ++lost) {
        uint64_t key = zobrist.castle[lost];
        for (int right = 0; right < 4; ++right)
            if (!(lost & (1u << right)) && rules.rook_square[right] != STANDARD_ROOK[right])
                key ^= zobrist.castle_rook[rules.rook_square[right]];
        rules.key[lost] = key;
    }
}

void set_standard_rules(Position& pos, bool chess960) {
    pos.castling.chess960 = chess960;
    pos.castling.king_square[WHITE] = SQ_E1;
    pos.castling.king_square[BLACK] = SQ_E8;
    for (int right = 0; right < 4; ++right) pos.castling.rook_square[right] = STANDARD_ROOK[right];
}

// One Chess960 right letter; false when it does not fit the board.
bool read_960_right(Position& pos, char letter) {
    const bool white = letter >= 'A' && letter <= 'Z';
    const int colour = white ? WHITE : BLACK;
    // A king in the corner has no rook on one side: it never stood between two.
    const int king = king_on_back_rank(pos, colour);
    if (!king || file_of(king) == 0 || file_of(king) == 7) return false;
    const char upper = static_cast<char>(white ? letter : letter - 'a' + 'A');
    int rook;
    if (upper == 'K') {
        rook = outermost_rook(pos, colour, king, 1);
    } else if (upper == 'Q') {
        rook = outermost_rook(pos, colour, king, -1);
    } else if (upper >= 'A' && upper <= 'H') {
        rook = (king & ~15) + (upper - 'A');
        if (pos.board[rook] != make_piece(colour, ROOK)) rook = 0;
    } else {
        return false;
    }
    if (!rook) return false;
    const int right = 2 * colour + (rook < king ? 1 : 0);
    if (!(pos.castling_lost & (1u << right))) return false;
    pos.castling_lost &= ~(1u << right);
    pos.castling.rook_square[right] = static_cast<uint8_t>(rook);
    pos.castling.king_square[colour] = static_cast<uint8_t>(king);
    return true;
}

} // namespace

bool read_castling_field(Position& pos, const char* field, size_t n, bool chess960) {
    set_standard_rules(pos, chess960);
    pos.castling_lost = 15;
    bool fits = true;
    for (size_t i = 0; i < n; ++i) {
        if (chess960) {
            if (field[i] != '-' && !read_960_right(pos, field[i])) fits = false;
            continue;
        }
        switch (field[i]) {
        case 'K': pos.castling_lost ^= 1; break;
        case 'Q': pos.castling_lost ^= 2; break;
        case 'k': pos.castling_lost ^= 4; break;
        case 'q': pos.castling_lost ^= 8; break;
        default: break;
        }
    }
    finish_rules(pos);
    return fits;
}
