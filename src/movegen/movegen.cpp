#include "movegen/movegen.h"

#include "board/castling.h"

#include <algorithm>
#include <cstdlib>
#include <type_traits>

namespace {

constexpr int PROMOTIONS[4] = {QUEEN, ROOK, BISHOP, KNIGHT};
constexpr Move EP_CAPTURE = (PAWN << 16) | MOVE_EP;

inline ScoredMove* emit(ScoredMove* list, Move m) {
    list->move = m;
    return list + 1;
}

inline ScoredMove* emit_promotions(ScoredMove* list, int from, int to, int captured) {
    for (int promo : PROMOTIONS) list = emit(list, make_move_word(from, to, captured, promo));
    return list;
}

// An en-passant capture is played only when an enemy pawn really stands behind an empty
// target square on the right rank, the square it came from is empty too, and only when, with both
// pawns gone from their squares, no enemy piece attacks the king (this also covers the captured
// pawn shielding the king on a diagonal and both pawns leaving the king's rank).
bool en_passant_is_legal(Position& pos, int from) {
    const int us = static_cast<int>(pos.side), them = us ^ 1;
    const int ep = pos.ep_square;
    const int captured = ep - pawn_step[us];
    if (relative_rank(from, us) != 5 || pos.board[ep] != EMPTY ||
        pos.board[captured] != make_piece(them, PAWN) || pos.board[ep + pawn_step[us]] != EMPTY)
        return false;
    const int k = king_square(pos, us);
    uint8_t* board = pos.board;
    board[from] = EMPTY;
    board[captured] = EMPTY;
    board[ep] = static_cast<uint8_t>(make_piece(us, PAWN));
    bool safe = true;
    for (int p = first_in(pos, them * 8); p < LIST_END && safe; p = next_in(pos, them * 8, p))
        if (piece_attacks(pos, p, k)) safe = false;
    board[ep] = EMPTY;
    board[captured] = static_cast<uint8_t>(make_piece(them, PAWN));
    board[from] = static_cast<uint8_t>(make_piece(us, PAWN));
    return safe;
}

// Where the generator's moves go: into a move list, or only into a count. Perft's last ply
// needs how many moves there are, not the moves, and not their order.
struct ListOut {
    ScoredMove* list;
    void add(Move m) { list = emit(list, m); }
    void add_if(Move m, bool ok) {
        if (ok) add(m);
    }
    void promotions(int from, int to, int captured) {
        list = emit_promotions(list, from, to, captured);
    }
};

struct CountOut {
    int count = 0;
    void add(Move) { ++count; }
    void add_if(Move, bool ok) { count += ok; }
    void promotions(int, int, int) { count += 4; }
};

// The generators below are written for one side, US, known when compiled, and for whether
// any piece is pinned (PINS); most positions have no pin, and then every pin test drops out.

template <int US, class Out>
inline void pawn_captures_and_ep(Position& pos, int p, Out& out, const DeltaEntry* view, int pin,
                                 bool promote) {
    constexpr int THEM = US ^ 1;
    const int8_t* steps = piece_steps[make_piece(US, PAWN)];
    for (int i = 0; i < 2; ++i) {
        const int t = p + steps[i];
        const int code = pos.board[t];
        const bool ok = is_colour(code, THEM) & pin_allows(pin, t, view);
        if (!promote)
            out.add_if(make_move_word(p, t, type_of(code)), ok);
        else if (ok)
            out.promotions(p, t, type_of(code));
    }
    // The en-passant square is one of this pawn's capture targets.
    if (!promote && std::abs(p + pawn_step[US] - pos.ep_square) == 1 && en_passant_is_legal(pos, p))
        out.add(make_move_word(p, pos.ep_square) | EP_CAPTURE);
}

template <int US, class Out>
inline void pawn_moves(Position& pos, int p, Out& out, const DeltaEntry* view, int pin) {
    constexpr int f = US == WHITE ? 16 : -16;
    const int r = relative_rank(p, US);
    if (r < 7) {
        if (pos.board[p + f] == EMPTY) {
            out.add_if(make_move_word(p, p + f), pin_allows(pin, p + f, view));
            if (r == 2 && pos.board[p + 2 * f] == EMPTY)
                out.add_if(make_move_word(p, p + 2 * f), pin_allows(pin, p + 2 * f, view));
        }
        pawn_captures_and_ep<US>(pos, p, out, view, pin, false);
        return;
    }
    if (pos.board[p + f] == EMPTY && pin_allows(pin, p + f, view)) out.promotions(p, p + f, 0);
    pawn_captures_and_ep<US>(pos, p, out, view, pin, true);
}

// The steps of a slider: the count is a constant for each type, so that the compiler can
// lay the rays out one after another.
template <int US, int STEPS, class Out>
inline void slider_moves(Position& pos, int p, Out& out, int pin, const int8_t* steps) {
    for (int i = 0; i < STEPS; ++i) {
        const int step = steps[i];
        // A pinned slider moves only along its pin line, toward its king or its pinner.
        if (pin && step != pin && step != -pin) continue;
        int t = p + step;
        while (pos.board[t] == EMPTY) {
            out.add(make_move_word(p, t));
            t += step;
        }
        const int code = pos.board[t];
        out.add_if(make_move_word(p, t, type_of(code)), is_colour(code, US ^ 1));
    }
}

template <int US, class Out> inline void knight_moves(Position& pos, int p, Out& out, int pin) {
    // A pinned knight has no move.
    if (pin) return;
    for (int i = 0; i < 8; ++i) {
        const int t = p + piece_steps[KNIGHT][i];
        const int code = pos.board[t];
        out.add_if(make_move_word(p, t, type_of(code)), (code == EMPTY) | is_colour(code, US ^ 1));
    }
}

// Castling with one right, the side to move not in check. Every square between the king and
// its destination and between the rook and its destination is empty but for those two, and
// no square the king crosses or lands on is attacked once the rook has left its square: in
// Chess960 the rook may have been shielding the king's destination, even a king that stays
// where it is.
template <int US> inline bool may_castle(Position& pos, int king, int right) {
    constexpr int THEM = US ^ 1;
    constexpr int rook = make_piece(US, ROOK);
    const int r = pos.castling.rook_square[right];
    if (pos.board[r] != rook) return false;
    const int king_to = (right & 1 ? SQ_C1 : SQ_G1) + 112 * US;
    const int rook_to = castle_rook_to(king_to);
    const int low = std::min(std::min(king, king_to), std::min(r, rook_to));
    const int high = std::max(std::max(king, king_to), std::max(r, rook_to));
    for (int s = low; s <= high; ++s)
        if (pos.board[s] != EMPTY && s != king && s != r) return false;
    const int step = king_to > king ? 1 : -1;
    pos.board[r] = EMPTY;
    bool safe = true;
    for (int s = king == king_to ? king : king + step; safe; s += step) {
        safe = !attacked_by(pos, s, THEM);
        if (s == king_to) break;
    }
    pos.board[r] = static_cast<uint8_t>(rook);
    return safe;
}

template <int US, class Out> inline void king_moves(Position& pos, int p, Out& out) {
    constexpr int THEM = US ^ 1;
    // The king's own square still blocks rays here; that is sound only because the side to
    // move is not in check. The squares beside the king are remembered for castling.
    bool safe_right = false, safe_left = false;
    for (const int8_t* d = piece_steps[KING]; *d; ++d) {
        const int t = p + *d;
        const int code = pos.board[t];
        if (code != EMPTY && !is_colour(code, THEM)) continue;
        const bool safe = !attacked_by(pos, t, THEM);
        if (*d == 1) safe_right = safe;
        if (*d == -1) safe_left = safe;
        if (safe) out.add(make_move_word(p, t, type_of(code)));
    }

    // Rights that do not fit the king's square give no castling.
    if ((pos.castling_lost & (3u << (2 * US))) == (3u << (2 * US)) ||
        p != pos.castling.king_square[US])
        return;
    if (pos.castling.chess960) {
        if (!(pos.castling_lost & (1u << (2 * US))) && may_castle<US>(pos, p, 2 * US))
            out.add(make_move_word(p, SQ_G1 + 112 * US) | MOVE_CASTLE);
        if (!(pos.castling_lost & (2u << (2 * US))) && may_castle<US>(pos, p, 2 * US + 1))
            out.add(make_move_word(p, SQ_C1 + 112 * US) | MOVE_CASTLE);
        return;
    }
    // Standard chess: the king on e1/e8 and the rooks in the corners, where lifting the rook
    // can open no line, and the squares beside the king were tested above.
    constexpr int rook = make_piece(US, ROOK);
    if (!(pos.castling_lost & (1u << (2 * US))) && pos.board[p + 1] == EMPTY && safe_right &&
        pos.board[p + 2] == EMPTY && !attacked_by(pos, p + 2, THEM) && pos.board[p + 3] == rook)
        out.add(make_move_word(p, p + 2) | MOVE_CASTLE);
    if (!(pos.castling_lost & (2u << (2 * US))) && pos.board[p - 1] == EMPTY && safe_left &&
        pos.board[p - 2] == EMPTY && !attacked_by(pos, p - 2, THEM) && pos.board[p - 3] == EMPTY &&
        pos.board[p - 4] == rook)
        out.add(make_move_word(p, p - 2) | MOVE_CASTLE);
}

template <int US>
inline void pawn_captures(Position& pos, int p, ListOut& out, const DeltaEntry* view, int pin) {
    constexpr int f = US == WHITE ? 16 : -16;
    const bool promote = relative_rank(p, US) == 7;
    if (promote && pos.board[p + f] == EMPTY && pin_allows(pin, p + f, view))
        out.promotions(p, p + f, 0);
    pawn_captures_and_ep<US>(pos, p, out, view, pin, promote);
}

template <int US>
inline void slider_captures(Position& pos, int p, ListOut& out, const DeltaEntry* view, int pin) {
    for (const int8_t* d = piece_steps[pos.board[p]]; *d; ++d) {
        int t = p + *d;
        while (pos.board[t] == EMPTY) t += *d;
        const int code = pos.board[t];
        out.add_if(make_move_word(p, t, type_of(code)),
                   is_colour(code, US ^ 1) & pin_allows(pin, t, view));
    }
}

template <int US> inline void leaper_captures(Position& pos, int p, ListOut& out, int pin) {
    const int piece = pos.board[p];
    const bool king = type_of(piece) == KING;
    if (pin) return; // a pinned knight has no move; the king is never pinned
    for (const int8_t* d = piece_steps[piece]; *d; ++d) {
        const int t = p + *d;
        const int code = pos.board[t];
        if (is_colour(code, US ^ 1) && (!king || !attacked_by(pos, t, US ^ 1)))
            out.add(make_move_word(p, t, type_of(code)));
    }
}

// The side to move's king square, its view of the board and the pieces pinned to it.
struct KingLines {
    int k;
    const DeltaEntry* view;
    Pins pins;
    explicit KingLines(const Position& pos)
        : k(king_square(pos, static_cast<int>(pos.side))), view(king_view(k)) {
        find_pins(pos, k, view, pins);
    }
    int pin(bool any, int sq) const { return any ? pin_of(pins, sq) : 0; }
};

template <int US, bool PINS>
inline ScoredMove* moves_of(Position& pos, const KingLines& lines, ScoredMove* list) {
    ListOut out{list};
    for (int p = first_in(pos, US * 8); p < LIST_END; p = next_in(pos, US * 8, p)) {
        const int code = pos.board[p];
        const int pin = lines.pin(PINS, p);
        if (type_of(code) == PAWN)
            pawn_moves<US>(pos, p, out, lines.view, pin);
        else if (type_of(code) == QUEEN)
            slider_moves<US, 8>(pos, p, out, pin, piece_steps[code]);
        else if (is_slider[code])
            slider_moves<US, 4>(pos, p, out, pin, piece_steps[code]);
        else if (type_of(code) == KNIGHT)
            knight_moves<US>(pos, p, out, pin);
        else
            king_moves<US>(pos, p, out);
    }
    return out.list;
}

// Type by type: the count does not depend on the order.
template <int US, bool PINS> inline int count_of(Position& pos, const KingLines& lines) {
    CountOut out;
    auto each = [&](int type, auto&& moves) {
        const int list = make_piece(US, type);
        for (int p = first_in(pos, list); p < LIST_END; p = next_in(pos, list, p))
            moves(p, lines.pin(PINS, p));
    };
    each(PAWN, [&](int p, int pin) { pawn_moves<US>(pos, p, out, lines.view, pin); });
    each(KNIGHT, [&](int p, int pin) { knight_moves<US>(pos, p, out, pin); });
    each(BISHOP,
         [&](int p, int pin) { slider_moves<US, 4>(pos, p, out, pin, piece_steps[BISHOP]); });
    each(ROOK, [&](int p, int pin) { slider_moves<US, 4>(pos, p, out, pin, piece_steps[ROOK]); });
    each(QUEEN, [&](int p, int pin) { slider_moves<US, 8>(pos, p, out, pin, piece_steps[QUEEN]); });
    king_moves<US>(pos, lines.k, out);
    return out.count;
}

template <int US, bool PINS>
inline ScoredMove* captures_of(Position& pos, const KingLines& lines, ScoredMove* list) {
    ListOut out{list};
    for (int p = first_in(pos, US * 8); p < LIST_END; p = next_in(pos, US * 8, p)) {
        const int code = pos.board[p];
        const int pin = lines.pin(PINS, p);
        if (type_of(code) == PAWN)
            pawn_captures<US>(pos, p, out, lines.view, pin);
        else if (is_slider[code])
            slider_captures<US>(pos, p, out, lines.view, pin);
        else
            leaper_captures<US>(pos, p, out, pin);
    }
    return out.list;
}

// Calls generate with the side to move and whether anything is pinned as compile-time
// constants (std::integral_constant values).
template <class Generate> inline auto for_side_and_pins(const Position& pos, Generate&& generate) {
    const KingLines lines(pos);
    using White = std::integral_constant<int, WHITE>;
    using Black = std::integral_constant<int, BLACK>;
    const bool pins = lines.pins.count != 0;
    if (pos.side == WHITE)
        return pins ? generate(White{}, std::true_type{}, lines)
                    : generate(White{}, std::false_type{}, lines);
    return pins ? generate(Black{}, std::true_type{}, lines)
                : generate(Black{}, std::false_type{}, lines);
}

} // namespace

ScoredMove* gen_moves(Position& pos, ScoredMove* list) {
    return for_side_and_pins(pos, [&](auto us, auto pins, const KingLines& lines) {
        return moves_of<us, pins>(pos, lines, list);
    });
}

int count_moves(Position& pos) {
    return for_side_and_pins(pos, [&](auto us, auto pins, const KingLines& lines) {
        return count_of<us, pins>(pos, lines);
    });
}

ScoredMove* gen_captures(Position& pos, ScoredMove* list) {
    return for_side_and_pins(pos, [&](auto us, auto pins, const KingLines& lines) {
        return captures_of<us, pins>(pos, lines, list);
    });
}

ScoredMove* gen_king_evasions(Position& pos, ScoredMove* list) {
    const int them = static_cast<int>(pos.side) ^ 1;
    const int k = king_square(pos, static_cast<int>(pos.side));
    for (const int8_t* d = piece_steps[KING]; *d; ++d) {
        const int t = k + *d;
        const int code = pos.board[t];
        if (code != EMPTY && !is_colour(code, them)) continue;
        // Ignoring the king's own square lets a checking slider's ray run through it.
        if (!attacked_by(pos, t, them, k))
            list = emit(list, make_move_word(k, t, code == EMPTY ? 0 : type_of(code)));
    }
    return list;
}

ScoredMove* gen_evasions_vs_leaper(Position& pos, int c, ScoredMove* list) {
    const int us = static_cast<int>(pos.side), them = us ^ 1;
    const KingLines lines(pos);
    const int captured = type_of(pos.board[c]);
    for (int p = first_in(pos, us * 8 + 7); p < LIST_END; p = next_in(pos, us * 8 + 7, p)) {
        const int code = pos.board[p];
        const DeltaEntry& e = delta(p - c);
        if (!(piece_kind_bit[code] & e.kinds) || pin_of(lines.pins, p)) continue;
        int t = p + e.step;
        while (pos.board[t] == EMPTY) t += e.step;
        if (t != c) continue;
        if (type_of(code) == PAWN && relative_rank(p, us) == 7)
            list = emit_promotions(list, p, c, captured);
        else
            list = emit(list, make_move_word(p, c, captured));
    }
    // The checker may be the pawn that has just advanced two squares.
    const int ep = pos.ep_square;
    if (ep && ep - pawn_step[us] == c && pos.board[c] == make_piece(them, PAWN)) {
        const int8_t* steps = piece_steps[make_piece(us, PAWN)];
        for (int p = first_in(pos, us * 8 + PAWN); p < LIST_END; p = next_in(pos, us * 8 + PAWN, p))
            for (int i = 0; i < 2; ++i)
                if (p + steps[i] == ep && en_passant_is_legal(pos, p))
                    list = emit(list, make_move_word(p, ep) | EP_CAPTURE);
    }
    return list;
}

ScoredMove* gen_evasions_vs_slider(Position& pos, int c, ScoredMove* list) {
    const int us = static_cast<int>(pos.side), them = us ^ 1;
    const KingLines lines(pos);
    const int k = lines.k;
    const DeltaEntry* v = lines.view;
    const int line = v[c].step;
    // A square answers the check when it is the checker's or lies strictly between the
    // king and the checker on the checking line.
    auto answers = [&](int t) { return t == c || (v[t].step == line && (t - k) * (t - c) < 0); };
    const int f = pawn_step[us];

    for (int p = first_in(pos, us * 8 + 7); p < LIST_END; p = next_in(pos, us * 8 + 7, p)) {
        // A pinned piece never answers a check: it must stay on its pin line, which neither
        // holds the checker nor crosses the checking line between the king and the checker.
        if (pin_of(lines.pins, p)) continue;
        const int code = pos.board[p];
        const int type = type_of(code);
        if (type == PAWN) {
            const bool promote = relative_rank(p, us) == 7;
            if (pos.board[p + f] == EMPTY) {
                if (answers(p + f))
                    list = promote ? emit_promotions(list, p, p + f, 0)
                                   : emit(list, make_move_word(p, p + f));
                if (!promote && relative_rank(p, us) == 2 && pos.board[p + 2 * f] == EMPTY &&
                    answers(p + 2 * f))
                    list = emit(list, make_move_word(p, p + 2 * f));
            }
            const int8_t* steps = piece_steps[code];
            for (int i = 0; i < 2; ++i) {
                const int t = p + steps[i];
                const int target = pos.board[t];
                if (!is_colour(target, them) || v[t].step != line || (t - k) * (t - c) > 0)
                    continue;
                list = promote ? emit_promotions(list, p, t, type_of(target))
                               : emit(list, make_move_word(p, t, type_of(target)));
            }
        } else if (is_slider[code]) {
            for (const int8_t* d = piece_steps[code]; *d; ++d) {
                for (int t = p + *d;; t += *d) {
                    const int target = pos.board[t];
                    if (target != EMPTY && !is_colour(target, them)) break;
                    if (answers(t))
                        list =
                            emit(list, make_move_word(p, t, target == EMPTY ? 0 : type_of(target)));
                    if (target != EMPTY) break;
                }
            }
        } else {
            for (const int8_t* d = piece_steps[code]; *d; ++d) {
                const int t = p + *d;
                const int target = pos.board[t];
                if (target != EMPTY && !is_colour(target, them)) continue;
                if (answers(t))
                    list = emit(list, make_move_word(p, t, target == EMPTY ? 0 : type_of(target)));
            }
        }
    }
    return list;
}

ScoredMove* gen_evasions(Position& pos, ScoredMove* list) {
    list = gen_king_evasions(pos, list);
    if (pos.checkers != 1) return list;
    const int c = pos.checker_sq[0];
    return is_slider[pos.board[c]] ? gen_evasions_vs_slider(pos, c, list)
                                   : gen_evasions_vs_leaper(pos, c, list);
}

bool no_legal_move(Position& pos) {
    ScoredMove list[MAX_MOVES];
    return gen_legal(pos, list) == list;
}

bool is_legal_move(Position& pos, Move move) {
    ScoredMove list[MAX_MOVES];
    ScoredMove* end = gen_legal(pos, list);
    for (ScoredMove* m = list; m != end; ++m)
        if (same_move(m->move, move)) return true;
    return false;
}
