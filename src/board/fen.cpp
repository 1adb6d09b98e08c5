#include "board/fen.h"

#include <cstring>

#include "board/castling.h"
#include "board/geometry.h"

namespace {

bool is_fen_space(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

const char* skip_space(const char* p) {
    while (*p && is_fen_space(*p)) ++p;
    return p;
}

int piece_from_letter(char c) {
    switch (c) {
    case 'P': return make_piece(WHITE, PAWN);
    case 'N': return make_piece(WHITE, KNIGHT);
    case 'B': return make_piece(WHITE, BISHOP);
    case 'R': return make_piece(WHITE, ROOK);
    case 'Q': return make_piece(WHITE, QUEEN);
    case 'K': return make_piece(WHITE, KING);
    case 'p': return make_piece(BLACK, PAWN);
    case 'n': return make_piece(BLACK, KNIGHT);
    case 'b': return make_piece(BLACK, BISHOP);
    case 'r': return make_piece(BLACK, ROOK);
    case 'q': return make_piece(BLACK, QUEEN);
    case 'k': return make_piece(BLACK, KING);
    default: return 0;
    }
}

bool placement_is_well_formed(const char* f, size_t n) {
    int rank = 0, file = 0;
    for (size_t i = 0; i < n; ++i) {
        const char c = f[i];
        if (c == '/') {
            if (file != 8) return false;
            ++rank;
            file = 0;
        } else if (c >= '1' && c <= '8') {
            file += c - '0';
        } else if (std::strchr("pnbrqkPNBRQK", c)) {
            ++file;
        } else {
            return false;
        }
        if (file > 8 || rank > 7) return false;
    }
    return rank == 7 && file == 8;
}

// Chess960 also names castling rooks by their files (Shredder-FEN and X-FEN).
bool castling_is_well_formed(const char* f, size_t n, bool chess960) {
    if (n == 1 && f[0] == '-') return true;
    if (n > 4) return false;
    const char* letters = chess960 ? "KQkqABCDEFGHabcdefgh" : "KQkq";
    for (size_t i = 0; i < n; ++i)
        if (!std::strchr(letters, f[i]) || std::memchr(f + i + 1, f[i], n - i - 1)) return false;
    return true;
}

bool en_passant_is_well_formed(const char* f, size_t n) {
    if (n == 1 && f[0] == '-') return true;
    return n == 2 && f[0] >= 'a' && f[0] <= 'h' && f[1] >= '1' && f[1] <= '8';
}

// Counters of up to six digits: larger numbers are no real game.
bool counter_is_well_formed(const char* f, size_t n) {
    if (n == 0 || n > 6) return false;
    for (size_t i = 0; i < n; ++i)
        if (f[i] < '0' || f[i] > '9') return false;
    return true;
}

} // namespace

bool fen_is_well_formed(const char* fen, bool chess960) {
    int field = 0;
    for (const char* p = fen;;) {
        while (*p == ' ') ++p;
        if (!*p) break;
        const char* start = p;
        while (*p && *p != ' ') ++p;
        const size_t n = static_cast<size_t>(p - start);
        bool ok = false;
        switch (field) {
        case 0: ok = placement_is_well_formed(start, n); break;
        case 1: ok = n == 1 && (*start == 'w' || *start == 'b'); break;
        case 2: ok = castling_is_well_formed(start, n, chess960); break;
        case 3: ok = en_passant_is_well_formed(start, n); break;
        case 4:
        case 5: ok = counter_is_well_formed(start, n); break;
        default: break;
        }
        if (!ok) return false;
        ++field;
    }
    return field >= 2;
}

bool parse_fen(Position& pos, const char* fen, bool chess960) {
    clear_board(pos.board);
    const char* p = fen;

    // Piece placement, from a8 rank by rank.
    int cursor = SQ_A8;
    while (cursor >= 64 && *p) {
        char c = *p++;
        if (c >= '0' && c <= '9') {
            cursor += c - '0';
        } else if (int code = piece_from_letter(c)) {
            if (is_board_square(cursor)) pos.board[cursor] = static_cast<uint8_t>(code);
            ++cursor;
        } else if (c == '/') {
            cursor = cursor - 16 - (cursor & 15);
        } else if (c == ' ') {
            break;
        } else {
            ++cursor;
        }
    }

    // Side to move: "w" is White, anything else (even nothing) is Black.
    p = skip_space(p);
    pos.side = (*p == 'w') ? WHITE : BLACK;
    if (*p) ++p;

    // Castling.
    p = skip_space(p);
    const char* castling = p;
    while (*p && !is_fen_space(*p)) ++p;
    const bool rights_fit =
        read_castling_field(pos, castling, static_cast<size_t>(p - castling), chess960);

    p = skip_space(p);
    if (!*p) {
        pos.ep_square = 0;
        pos.fifty = 0;
        pos.ply = 0;
        pos.checkers = 0;
        return rights_fit;
    }

    // En passant: "-", a square name, or 255 for anything unreadable.
    if (*p == '-') {
        pos.ep_square = 0;
    } else if (p[0] >= 'a' && p[0] <= 'h' && p[1] >= '1' && p[1] <= '8') {
        pos.ep_square = static_cast<uint8_t>(64 + 16 * (p[1] - '1') + (p[0] - 'a'));
    } else {
        pos.ep_square = 255;
    }
    while (*p && !is_fen_space(*p)) ++p;

    // Half-move clock, kept modulo 256.
    p = skip_space(p);
    unsigned fifty = 0;
    while (*p >= '0' && *p <= '9') fifty = (fifty * 10 + static_cast<unsigned>(*p++ - '0')) % 256;
    pos.fifty = static_cast<uint8_t>(fifty);
    while (*p && !is_fen_space(*p)) ++p;
    p = skip_space(p);

    // Full-move field: used directly as the history index, clamped so that a game of
    // GAME_PLY_LIMIT plies still fits behind it (see HISTORY_SIZE).
    if (std::strcmp(fen, start_fen) == 0) {
        pos.ply = 0;
    } else {
        if (*p >= '0' && *p <= '9') {
            unsigned ply = 0;
            while (*p >= '0' && *p <= '9') {
                ply = ply * 10 + static_cast<unsigned>(*p++ - '0');
                if (ply > MAX_FEN_PLY) ply = MAX_FEN_PLY;
            }
            pos.ply = ply;
        } else {
            pos.ply = 2;
        }
    }
    pos.checkers = 0;
    return rights_fit;
}

bool fen_is_playable(const char* fen, bool chess960) {
    static Position scratch;
    if (!parse_fen(scratch, fen, chess960)) return false;
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
    // The side that has just moved must not have left its king in check.
    int mover = static_cast<int>(scratch.side);
    int k = king_square(scratch, mover ^ 1);
    for (int p = first_in(scratch, mover * 8); p < LIST_END; p = next_in(scratch, mover * 8, p))
        if (piece_attacks(scratch, p, k)) return false;
    return true;
}
