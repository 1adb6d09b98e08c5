#include "movegen/notation.h"

#include <cstring>

#include "board/castling.h"
#include "movegen/movegen.h"

int text_to_square(const char* text) {
    if (text[0] < 'a' || text[0] > 'h') return -1;
    if (text[1] < '1' || text[1] > '8') return -1;
    return 64 + 16 * (text[1] - '1') + (text[0] - 'a');
}

void square_to_text(char rank_digit, char file_digit, char* out) {
    out[0] = static_cast<char>(file_digit + 49);
    out[1] = static_cast<char>(rank_digit + 1);
}

void move_to_text(Move move, char* out) {
    const int squares[2] = {move_from(move), move_to(move)};
    for (int i = 0; i < 2; ++i) {
        out[2 * i] = static_cast<char>('a' + (squares[i] % 16));
        out[2 * i + 1] = static_cast<char>('1' + ((squares[i] - 64) >> 4));
    }
    out[4] = '\0';
}

Move text_to_move(const Position& pos, const char* text) {
    const int from = text_to_square(text);
    if (from < 0) return 0;
    int to = text_to_square(text + 2);
    if (to < 0) return 0;
    const int mover = pos.board[from], target = pos.board[to];
    int captured = type_of(target);
    if (target == EMPTY) captured = 0;
    int promo = 0;
    Move flags = 0;
    if (type_of(mover) == PAWN && mover != EMPTY) {
        const int r = pos.side == BLACK ? 12 - from / 16 : from / 16 - 3;
        if (r == 7) {
            switch (text[4]) {
            case 'q': promo = QUEEN; break;
            case 'r': promo = ROOK; break;
            case 'b': promo = BISHOP; break;
            case 'n': promo = KNIGHT; break;
            default: break;
            }
        }
        if (((to ^ from) & 15) != 0 && target == EMPTY) {
            flags |= MOVE_EP;
            captured = PAWN;
        }
    } else if (type_of(mover) == KING && pos.castling.chess960) {
        // Chess960 castling is the king taking its own rook; a king that travels two files
        // or more along its rank (as a GUI may write the standard-looking castlings) castles
        // too, since no other king move goes that far.
        const bool along_rank = rank_of(from) == rank_of(to);
        if (along_rank && target == make_piece(colour_of(mover), ROOK)) {
            flags |= MOVE_CASTLE;
            to = to > from ? to - file_of(to) + 6 : to - file_of(to) + 2;
            captured = 0;
        } else if (along_rank && (to - from >= 2 || from - to >= 2)) {
            flags |= MOVE_CASTLE;
        }
    } else if (type_of(mover) == KING && (to - from == 2 || from - to == 2)) {
        flags |= MOVE_CASTLE;
    }
    return make_move_word(from, to, captured, promo) | flags;
}

void text_to_book_digits(const char* text, char* out) {
    out[0] = static_cast<char>(text[1] - 1);
    out[1] = static_cast<char>(text[0] - 49);
    out[2] = static_cast<char>(text[3] - 1);
    out[3] = static_cast<char>(text[2] - 49);
}

char promotion_letter(Move move) {
    switch (move_promo(move)) {
    case QUEEN: return 'q';
    case ROOK: return 'r';
    case BISHOP: return 'b';
    case KNIGHT: return 'n';
    default: return 0;
    }
}

void move_to_full_text(Move move, char* out) {
    move_to_text(move, out);
    if (char c = promotion_letter(move)) {
        out[4] = c;
        out[5] = '\0';
    }
}

int castling_letters(const char* text) {
    if (!std::strcmp(text, "O-O") || !std::strcmp(text, "0-0")) return 1;
    if (!std::strcmp(text, "O-O-O") || !std::strcmp(text, "0-0-0")) return 2;
    return 0;
}

void move_to_game_text(const Position& pos, Move move, CastlingStyle style, char* out) {
    if (!move_is_castle(move) || !pos.castling.chess960) {
        move_to_full_text(move, out);
        return;
    }
    const int to = move_to(move);
    const bool long_side = file_of(to) == 2;
    if (style == CastlingStyle::LETTERS) {
        std::strcpy(out, long_side ? "O-O-O" : "O-O");
        return;
    }
    const int colour = move_from(move) >= SQ_A8 ? BLACK : WHITE;
    const Move as_capture =
        make_move_word(move_from(move), pos.castling.rook_square[castle_right(colour, to)]);
    move_to_text(as_capture, out);
}

Move parse_move(Position& pos, const char* text) {
    if (const int letters = castling_letters(text)) {
        ScoredMove list[MAX_MOVES];
        ScoredMove* end = gen_legal(pos, list);
        for (ScoredMove* m = list; m != end; ++m)
            if (move_is_castle(m->move) && (file_of(move_to(m->move)) == 2) == (letters == 2))
                return m->move;
        return MOVE_NONE;
    }
    if (text_to_square(text) < 0 || text_to_square(text + 2) < 0) return MOVE_NONE;
    if (text[4] && (!std::strchr("qrbn", text[4]) || text[5])) return MOVE_NONE;
    const Move named = text_to_move(pos, text);
    ScoredMove list[MAX_MOVES];
    ScoredMove* end = gen_legal(pos, list);
    // The generator's own move word, with every flag as make_move expects it.
    for (ScoredMove* m = list; m != end; ++m)
        if (same_move(m->move, named) && promotion_letter(m->move) == text[4]) return m->move;
    return MOVE_NONE;
}
