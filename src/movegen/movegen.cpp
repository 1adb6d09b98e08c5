#include "movegen/movegen.h"

#include <cstdlib>

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

// Writes the move and keeps it only when ok: targets that are empty or hold an enemy piece
// are told apart without a branch. The slot after the last kept move may be written, which
// every move list allows (no position has more than 218 legal moves).
inline ScoredMove* emit_if(ScoredMove* list, Move m, bool ok) {
    if (ok) list++->move = m;
    return list;
}

inline ScoredMove* pawn_captures_and_ep(Position& pos, int p, ScoredMove* list,
                                        const DeltaEntry* view, int pin, bool promote) {
    const int us = static_cast<int>(pos.side), them = us ^ 1;
    const int8_t* steps = piece_steps[make_piece(us, PAWN)];
    for (int i = 0; i < 2; ++i) {
        const int t = p + steps[i];
        const int code = pos.board[t];
        const bool ok = is_colour(code, them) & pin_allows(pin, t, view);
        if (!promote)
            list = emit_if(list, make_move_word(p, t, type_of(code)), ok);
        else if (ok)
            list = emit_promotions(list, p, t, type_of(code));
    }
    // The en-passant square is one of this pawn's capture targets.
    if (!promote && std::abs(p + pawn_step[us] - pos.ep_square) == 1 && en_passant_is_legal(pos, p))
        list = emit(list, make_move_word(p, pos.ep_square) | EP_CAPTURE);
    return list;
}

inline ScoredMove* pawn_moves(Position& pos, int p, ScoredMove* list, const DeltaEntry* view,
                              int pin) {
    const int us = static_cast<int>(pos.side);
    const int f = pawn_step[us];
    const int r = relative_rank(p, us);
    if (r < 7) {
        if (pos.board[p + f] == EMPTY) {
            list = emit_if(list, make_move_word(p, p + f), pin_allows(pin, p + f, view));
            if (r == 2 && pos.board[p + 2 * f] == EMPTY)
                list =
                    emit_if(list, make_move_word(p, p + 2 * f), pin_allows(pin, p + 2 * f, view));
        }
        return pawn_captures_and_ep(pos, p, list, view, pin, false);
    }
    if (pos.board[p + f] == EMPTY && pin_allows(pin, p + f, view))
        list = emit_promotions(list, p, p + f, 0);
    return pawn_captures_and_ep(pos, p, list, view, pin, true);
}

// The steps of a slider: the count is a constant for each type, so that the compiler can
// lay the rays out one after another.
template <int STEPS>
inline ScoredMove* slider_moves(Position& pos, int p, ScoredMove* list, int pin,
                                const int8_t* steps) {
    const int them = static_cast<int>(pos.side) ^ 1;
    for (int i = 0; i < STEPS; ++i) {
        const int step = steps[i];
        // A pinned slider moves only along its pin line, toward its king or its pinner.
        if (pin && step != pin && step != -pin) continue;
        int t = p + step;
        while (pos.board[t] == EMPTY) {
            list = emit(list, make_move_word(p, t));
            t += step;
        }
        const int code = pos.board[t];
        list = emit_if(list, make_move_word(p, t, type_of(code)), is_colour(code, them));
    }
    return list;
}

inline ScoredMove* slider_moves(Position& pos, int p, ScoredMove* list, int pin) {
    const int code = pos.board[p];
    const int8_t* steps = piece_steps[code];
    return type_of(code) == QUEEN ? slider_moves<8>(pos, p, list, pin, steps)
                                  : slider_moves<4>(pos, p, list, pin, steps);
}

// Is sq attacked by a piece of colour? Pawns are looked up by square, the other pieces
// walked by type list.
inline bool attacked_by(const Position& pos, int sq, int colour) {
    const int pawn = make_piece(colour, PAWN);
    const int behind = sq - pawn_step[colour];
    if (pos.board[behind - 1] == pawn || pos.board[behind + 1] == pawn) return true;
    for (int type = KNIGHT; type <= KING; ++type) {
        const int list = colour * 8 + type;
        for (int p = first_in(pos, list); p < LIST_END; p = next_in(pos, list, p))
            if (piece_attacks(pos, p, sq)) return true;
    }
    return false;
}

inline ScoredMove* knight_moves(Position& pos, int p, ScoredMove* list, int pin) {
    const int them = static_cast<int>(pos.side) ^ 1;
    // A pinned knight has no move.
    if (pin) return list;
    for (int i = 0; i < 8; ++i) {
        const int t = p + piece_steps[KNIGHT][i];
        const int code = pos.board[t];
        list = emit_if(list, make_move_word(p, t, type_of(code)),
                       (code == EMPTY) | is_colour(code, them));
    }
    return list;
}

inline ScoredMove* king_moves(Position& pos, int p, ScoredMove* list) {
    const int us = static_cast<int>(pos.side), them = us ^ 1;
    // The king's own square still blocks rays here; that is sound only because the side to
    // move is not in check. The squares beside the king are remembered for castling.
    bool safe_right = false, safe_left = false;
    for (const int8_t* d = piece_steps[KING]; *d; ++d) {
        const int t = p + *d;
        const int code = pos.board[t];
        if (code != EMPTY && !is_colour(code, them)) continue;
        const bool safe = !attacked_by(pos, t, them);
        if (*d == 1) safe_right = safe;
        if (*d == -1) safe_left = safe;
        if (safe) list = emit(list, make_move_word(p, t, code == EMPTY ? 0 : type_of(code)));
    }

    const int e = SQ_E1 + 112 * us;
    if (p != e) return list; // rights that do not fit the king's square give no castling
    const int rook = make_piece(us, ROOK);
    if (!(pos.castling_lost & (1u << (2 * us))) && pos.board[e + 1] == EMPTY && safe_right &&
        pos.board[e + 2] == EMPTY && !attacked_by(pos, e + 2, them) && pos.board[e + 3] == rook)
        list = emit(list, make_move_word(p, p + 2) | MOVE_CASTLE);
    if (!(pos.castling_lost & (1u << (2 * us + 1))) && pos.board[e - 1] == EMPTY && safe_left &&
        pos.board[e - 2] == EMPTY && !attacked_by(pos, e - 2, them) && pos.board[e - 3] == EMPTY &&
        pos.board[e - 4] == rook)
        list = emit(list, make_move_word(p, p - 2) | MOVE_CASTLE);
    return list;
}

inline ScoredMove* pawn_captures(Position& pos, int p, ScoredMove* list, const DeltaEntry* view,
                                 int pin) {
    const int us = static_cast<int>(pos.side);
    const int f = pawn_step[us];
    if (relative_rank(p, us) < 7) return pawn_captures_and_ep(pos, p, list, view, pin, false);
    if (pos.board[p + f] == EMPTY && pin_allows(pin, p + f, view))
        list = emit_promotions(list, p, p + f, 0);
    return pawn_captures_and_ep(pos, p, list, view, pin, true);
}

inline ScoredMove* slider_captures(Position& pos, int p, ScoredMove* list, const DeltaEntry* view,
                                   int pin) {
    const int them = static_cast<int>(pos.side) ^ 1;
    for (const int8_t* d = piece_steps[pos.board[p]]; *d; ++d) {
        int t = p + *d;
        while (pos.board[t] == EMPTY) t += *d;
        const int code = pos.board[t];
        list = emit_if(list, make_move_word(p, t, type_of(code)),
                       is_colour(code, them) & pin_allows(pin, t, view));
    }
    return list;
}

inline ScoredMove* leaper_captures(Position& pos, int p, ScoredMove* list, int pin) {
    const int them = static_cast<int>(pos.side) ^ 1;
    const int piece = pos.board[p];
    if (type_of(piece) == KING) {
        for (const int8_t* d = piece_steps[piece]; *d; ++d) {
            const int t = p + *d;
            const int code = pos.board[t];
            if (is_colour(code, them) && !attacked_by(pos, t, them))
                list = emit(list, make_move_word(p, t, type_of(code)));
        }
        return list;
    }
    if (pin) return list;
    for (const int8_t* d = piece_steps[piece]; *d; ++d) {
        const int t = p + *d;
        const int code = pos.board[t];
        list = emit_if(list, make_move_word(p, t, type_of(code)), is_colour(code, them));
    }
    return list;
}

} // namespace

ScoredMove* gen_moves(Position& pos, ScoredMove* list) {
    const int us = static_cast<int>(pos.side);
    const int k = king_square(pos, us);
    const DeltaEntry* view = king_view(k);
    Pins pins;
    find_pins(pos, k, view, pins);
    for (int p = first_in(pos, us * 8); p < LIST_END; p = next_in(pos, us * 8, p)) {
        const int code = pos.board[p];
        const int pin = pin_of(pins, p);
        if (type_of(code) == PAWN)
            list = pawn_moves(pos, p, list, view, pin);
        else if (is_slider[code])
            list = slider_moves(pos, p, list, pin);
        else if (type_of(code) == KNIGHT)
            list = knight_moves(pos, p, list, pin);
        else
            list = king_moves(pos, p, list);
    }
    return list;
}

ScoredMove* gen_captures(Position& pos, ScoredMove* list) {
    const int us = static_cast<int>(pos.side);
    const int k = king_square(pos, us);
    const DeltaEntry* view = king_view(k);
    Pins pins;
    find_pins(pos, k, view, pins);
    for (int p = first_in(pos, us * 8); p < LIST_END; p = next_in(pos, us * 8, p)) {
        const int code = pos.board[p];
        const int pin = pin_of(pins, p);
        if (type_of(code) == PAWN)
            list = pawn_captures(pos, p, list, view, pin);
        else if (is_slider[code])
            list = slider_captures(pos, p, list, view, pin);
        else
            list = leaper_captures(pos, p, list, pin);
    }
    return list;
}

ScoredMove* gen_king_evasions(Position& pos, ScoredMove* list) {
    const int them = static_cast<int>(pos.side) ^ 1;
    const int k = king_square(pos, static_cast<int>(pos.side));
    for (const int8_t* d = piece_steps[KING]; *d; ++d) {
        const int t = k + *d;
        const int code = pos.board[t];
        if (code != EMPTY && !is_colour(code, them)) continue;
        // Ignoring the king's own square lets a checking slider's ray run through it.
        if (!attacked_by_enemy(pos, t, k))
            list = emit(list, make_move_word(k, t, code == EMPTY ? 0 : type_of(code)));
    }
    return list;
}

ScoredMove* gen_evasions_vs_leaper(Position& pos, int c, ScoredMove* list) {
    const int us = static_cast<int>(pos.side), them = us ^ 1;
    const DeltaEntry* view = king_view(king_square(pos, us));
    const int captured = type_of(pos.board[c]);
    for (int p = first_in(pos, us * 8 + 7); p < LIST_END; p = next_in(pos, us * 8 + 7, p)) {
        const int code = pos.board[p];
        const DeltaEntry& e = delta(p - c);
        if (!(piece_kind_bit[code] & e.kinds)) continue;
        int t = p + e.step;
        while (pos.board[t] == EMPTY) t += e.step;
        if (t != c || !keeps_king_safe(pos, p, c, view)) continue;
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
    const int k = king_square(pos, us);
    const DeltaEntry* v = king_view(k);
    const int line = v[c].step;
    // A square answers the check when it is the checker's or lies strictly between the
    // king and the checker on the checking line.
    auto answers = [&](int t) { return t == c || (v[t].step == line && (t - k) * (t - c) < 0); };
    const int f = pawn_step[us];

    for (int p = first_in(pos, us * 8 + 7); p < LIST_END; p = next_in(pos, us * 8 + 7, p)) {
        const int code = pos.board[p];
        const int type = type_of(code);
        if (type == PAWN) {
            const bool promote = relative_rank(p, us) == 7;
            if (pos.board[p + f] == EMPTY) {
                if (answers(p + f) && keeps_king_safe(pos, p, p + f, v))
                    list = promote ? emit_promotions(list, p, p + f, 0)
                                   : emit(list, make_move_word(p, p + f));
                if (!promote && relative_rank(p, us) == 2 && pos.board[p + 2 * f] == EMPTY &&
                    answers(p + 2 * f) && keeps_king_safe(pos, p, p + 2 * f, v))
                    list = emit(list, make_move_word(p, p + 2 * f));
            }
            const int8_t* steps = piece_steps[code];
            for (int i = 0; i < 2; ++i) {
                const int t = p + steps[i];
                const int target = pos.board[t];
                if (!is_colour(target, them) || v[t].step != line || (t - k) * (t - c) > 0)
                    continue;
                if (!keeps_king_safe(pos, p, t, v)) continue;
                list = promote ? emit_promotions(list, p, t, type_of(target))
                               : emit(list, make_move_word(p, t, type_of(target)));
            }
        } else if (is_slider[code]) {
            for (const int8_t* d = piece_steps[code]; *d; ++d) {
                for (int t = p + *d;; t += *d) {
                    const int target = pos.board[t];
                    if (target != EMPTY && !is_colour(target, them)) break;
                    if (answers(t) && keeps_king_safe(pos, p, t, v))
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
                if (answers(t) && keeps_king_safe(pos, p, t, v))
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

bool no_legal_move(Position& pos, int32_t* result) {
    ScoredMove list[MAX_MOVES];
    if (gen_legal(pos, list) != list) return false;
    if (result) *result = pos.checkers ? 5 : 4;
    return true;
}

bool is_legal_move(Position& pos, Move move) {
    ScoredMove list[MAX_MOVES];
    ScoredMove* end = gen_legal(pos, list);
    for (ScoredMove* m = list; m != end; ++m)
        if (same_move(m->move, move)) return true;
    return false;
}
