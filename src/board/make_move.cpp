#include "board/make_move.h"

#include <cassert>

#include "board/geometry.h"
#include "board/history.h"
#include "board/pst.h"
#include "board/setup.h"
#include "board/zobrist.h"

namespace {

inline uint8_t pawn_bit(int colour, int sq) {
    return static_cast<uint8_t>(1u << (relative_rank(sq, colour) - 1));
}

inline uint16_t pack(Link l) { return static_cast<uint16_t>(l.prev | (l.next << 8)); }
inline Link unpack(uint16_t v) {
    return Link{static_cast<uint8_t>(v & 0xFF), static_cast<uint8_t>(v >> 8)};
}

// The node on square a moves to square b and keeps its place in the list.
inline void relink(Link* list, int a, int b) {
    const Link cell = list[a];
    list[cell.prev].next = static_cast<uint8_t>(b);
    list[cell.next].prev = static_cast<uint8_t>(b);
    list[b] = cell;
}

// The cell itself keeps its links so that the node can be put back where it was.
inline void unlink(Link* list, int s) {
    const Link cell = list[s];
    list[cell.prev].next = cell.next;
    list[cell.next].prev = cell.prev;
}

inline void relink_back(Link* list, int s) {
    const Link cell = list[s];
    list[cell.prev].next = static_cast<uint8_t>(s);
    list[cell.next].prev = static_cast<uint8_t>(s);
}

// A border cell that never holds a piece: castling parks the king's node there while the
// rook's node moves, since in Chess960 either may land on the other's square. It is left
// cleared, so that a position after make and unmake is the same bytes as before.
constexpr int PARKING_CELL = 1;

inline void push_front(Link* list, int s) {
    const int first = list[LIST_HEAD].next;
    list[first].prev = static_cast<uint8_t>(s);
    list[s].next = static_cast<uint8_t>(first);
    list[LIST_HEAD].next = static_cast<uint8_t>(s);
    list[s].prev = LIST_HEAD;
}

} // namespace

void make_move(Position& pos, Move move, Undo& undo) {
    const int us = static_cast<int>(pos.side), them = us ^ 1;
    const int from = move_from(move), to = move_to(move);
    const int cap = move_captured(move), promo = move_promo(move);
    const bool ep = move_is_ep(move), castle = move_is_castle(move);
    const int piece = pos.board[from];
    const int type = type_of(piece);
    const auto& psk = zobrist.piece_square;

    // 1. What unmake cannot recompute.
    undo.checkers = pos.checkers;
    undo.checker_sq[0] = pos.checker_sq[0];
    undo.checker_sq[1] = pos.checker_sq[1];
    undo.ep_square = pos.ep_square;
    undo.castling_lost = pos.castling_lost;
    undo.key = pos.key;
    undo.pawn_key = pos.pawn_key;
    undo.fifty = pos.fifty;

    // 2-4. Touches, placement sums, half-move clock (castling counts as a king move).
    ++pos.square_touches[from];
    ++pos.square_touches[to];
    pos.psq_open[us] += pst_open[piece][to] - pst_open[piece][from];
    pos.psq_end[us] += pst_end[piece][to] - pst_end[piece][from];
    if (cap == 0 && type != PAWN)
        ++pos.fifty;
    else
        pos.fifty = 0;

    // 5-6. The mover leaves its square.
    uint64_t key = pos.key ^ zobrist.side[us] ^ psk[piece][from];
    if (type == PAWN) {
        pos.pawn_key ^= psk[piece][from];
        pos.pawn_files[us][file_of(from)] ^= pawn_bit(us, from);
        --pos.pawn_sq_colour[us][square_colour[from]];
        if (!promo) {
            pos.pawn_key ^= psk[piece][to];
            pos.pawn_files[us][file_of(to)] |= pawn_bit(us, to);
            ++pos.pawn_sq_colour[us][square_colour[to]];
        }
    }

    // 7. The captured piece leaves the board's sums.
    int cap_sq = to;
    if (cap) {
        if (ep) cap_sq = to + pawn_step[them];
        const int victim = pos.board[cap_sq];
        key ^= psk[victim][cap_sq];
        if (cap == PAWN) {
            pos.pawn_key ^= psk[victim][cap_sq];
            pos.pawn_files[them][file_of(cap_sq)] ^= pawn_bit(them, cap_sq);
            --pos.pawn_sq_colour[them][square_colour[cap_sq]];
        } else {
            --pos.officer_count;
        }
        pos.psq_open[them] -= pst_open[victim][cap_sq];
        pos.psq_end[them] -= pst_end[victim][cap_sq];
        pos.material[them] -= piece_value[victim];
        --pos.piece_count[victim];
    }

    // 8. Arrival.
    const int arriving = promo ? make_piece(us, promo) : piece;
    key ^= psk[arriving][to];
    if (promo) {
        ++pos.officer_count;
        pos.psq_open[us] += pst_open[arriving][to] - pst_open[piece][to];
        pos.psq_end[us] += pst_end[arriving][to] - pst_end[piece][to];
        pos.material[us] += piece_value[arriving] - piece_value[piece];
        --pos.piece_count[piece];
    }

    // 9. Castling rook.
    int r1 = 0, r2 = 0;
    if (castle) {
        r1 = pos.castling.rook_square[castle_right(us, to)];
        r2 = castle_rook_to(to);
        const int rook = make_piece(us, ROOK);
        key ^= psk[rook][r1] ^ psk[rook][r2];
    }

    // 10. Old flags out.
    key ^= pos.castling.key[pos.castling_lost] ^ zobrist.ep[pos.ep_square];

    // 11. Piece lists; every cell overwritten at a square that may hold a stale cell is saved.
    Link(*links)[256] = pos.piece_links;
    int k = 0;
    if (cap) {
        const int ct = them * 8 + cap, ca = them * 8, cn = them * 8 + 7;
        unlink(links[ct], cap_sq);
        unlink(links[ca], cap_sq);
        unlink(links[cn], cap_sq);
        undo.saved_type_cells[k] = pack(links[ct][cap_sq]);
        undo.saved_all_cells[k] = pack(links[ca][cap_sq]);
        undo.saved_nonking_cells[k] = pack(links[cn][cap_sq]);
        ++k;
    }
    const int tl = piece, al = us * 8, nl = us * 8 + 7;
    const int tl_to = promo ? arriving : tl;
    undo.saved_type_cells[k] = pack(links[tl_to][to]);
    undo.saved_all_cells[k] = pack(links[al][to]);
    undo.saved_nonking_cells[k] = pack(links[nl][to]);
    ++k;
    if (!castle) {
        if (!promo) {
            relink(links[tl], from, to);
        } else {
            push_front(links[arriving], to);
            unlink(links[tl], from);
            undo.saved_type_cells[k] = pack(links[tl][from]);
            ++k;
        }
        relink(links[al], from, to);
        if (type != KING) relink(links[nl], from, to);
    } else {
        const int rl = us * 8 + ROOK;
        undo.saved_type_cells[k] = pack(links[rl][r2]);
        undo.saved_all_cells[k] = pack(links[al][r2]);
        undo.saved_nonking_cells[k] = pack(links[nl][r2]);
        ++k;
        relink(links[rl], r1, r2);
        relink(links[nl], r1, r2);
        relink(links[tl], from, to);
        relink(links[al], from, PARKING_CELL);
        relink(links[al], r1, r2);
        relink(links[al], PARKING_CELL, to);
        links[al][PARKING_CELL] = Link{0, 0};
    }
    undo.saved_count = static_cast<uint8_t>(k);

    // 12. Board (king and rook both leave before either arrives: in Chess960 their squares
    // may overlap).
    if (!castle) {
        pos.board[to] = static_cast<uint8_t>(arriving);
        if (promo) ++pos.piece_count[arriving];
        pos.board[from] = EMPTY;
        if (ep) pos.board[cap_sq] = EMPTY;
    } else {
        const int rook = make_piece(us, ROOK);
        pos.board[from] = EMPTY;
        pos.board[r1] = EMPTY;
        pos.board[to] = static_cast<uint8_t>(piece);
        pos.board[r2] = static_cast<uint8_t>(rook);
        pos.psq_open[us] += pst_open[rook][r2] - pst_open[rook][r1];
        pos.psq_end[us] += pst_end[rook][r2] - pst_end[rook][r1];
        pos.castled[us] = 1;
    }

    // 13-14. Rights: a king move ends both of its colour. A right also ends when its rook
    // leaves its square and when anything arrives there: the rook that stood there was
    // captured, and another rook that later reaches the square must not castle with a king
    // that has never moved.
    if (type == KING) pos.castling_lost |= us == WHITE ? 3u : 12u;
    pos.castling_lost |= pos.castling.lost_on[from] | pos.castling.lost_on[to];

    // 15. En-passant square after any double step.
    pos.ep_square = (type == PAWN && to - from == 2 * pawn_step[us])
                        ? static_cast<uint8_t>(from + pawn_step[us])
                        : 0;

    // 16. New flags in.
    pos.side = static_cast<uint32_t>(them);
    key ^= zobrist.side[them] ^ zobrist.ep[pos.ep_square] ^ pos.castling.key[pos.castling_lost];
    pos.key = key;

    // 17-18. History and the checkers of the new side to move.
    push_history(pos, move, undo, cap != 0 || type == PAWN);
    compute_checkers(pos, move);
#ifdef KELVORANTE_CHECK_INVARIANTS
    assert(pos_ok(pos));
#endif
}

void unmake_move(Position& pos, Move move, const Undo& undo) {
    const int them = static_cast<int>(pos.side), us = them ^ 1;
    const int from = move_from(move), to = move_to(move);
    const int cap = move_captured(move), promo = move_promo(move);
    const bool ep = move_is_ep(move), castle = move_is_castle(move);

    // 1. Flags and keys.
    pos.side = static_cast<uint32_t>(us);
    pos.checkers = undo.checkers;
    pos.checker_sq[0] = undo.checker_sq[0];
    pos.checker_sq[1] = undo.checker_sq[1];
    pos.ep_square = undo.ep_square;
    pos.castling_lost = undo.castling_lost;
    pos.key = undo.key;
    pos.pawn_key = undo.pawn_key;
    pos.fifty = undo.fifty;

    // 2. Touches.
    --pos.square_touches[from];
    --pos.square_touches[to];

    // 3. The mover goes back.
    int mover;
    int r1 = 0, r2 = 0;
    if (castle) {
        // King and rook both leave before either arrives, as in make_move.
        mover = make_piece(us, KING);
        const int rook = make_piece(us, ROOK);
        r1 = pos.castling.rook_square[castle_right(us, to)];
        r2 = castle_rook_to(to);
        pos.board[to] = EMPTY;
        pos.board[r2] = EMPTY;
        pos.board[from] = static_cast<uint8_t>(mover);
        pos.board[r1] = static_cast<uint8_t>(rook);
        pos.psq_open[us] += pst_open[rook][r1] - pst_open[rook][r2];
        pos.psq_end[us] += pst_end[rook][r1] - pst_end[rook][r2];
    } else if (promo) {
        const int promoted = make_piece(us, promo);
        mover = make_piece(us, PAWN);
        --pos.piece_count[promoted];
        pos.board[from] = static_cast<uint8_t>(mover);
        pos.pawn_files[us][file_of(from)] |= pawn_bit(us, from);
        ++pos.pawn_sq_colour[us][square_colour[from]];
        ++pos.piece_count[mover];
        --pos.officer_count;
        pos.psq_open[us] += pst_open[mover][to] - pst_open[promoted][to];
        pos.psq_end[us] += pst_end[mover][to] - pst_end[promoted][to];
        pos.material[us] += piece_value[mover] - piece_value[promoted];
    } else {
        mover = pos.board[to];
        pos.board[from] = static_cast<uint8_t>(mover);
        if (type_of(mover) == PAWN) {
            pos.pawn_files[us][file_of(to)] ^= pawn_bit(us, to);
            pos.pawn_files[us][file_of(from)] |= pawn_bit(us, from);
            ++pos.pawn_sq_colour[us][square_colour[from]];
            --pos.pawn_sq_colour[us][square_colour[to]];
        }
    }

    // 4-5. The captured piece comes back.
    int cap_sq = to;
    if (cap) {
        int victim;
        if (ep) {
            cap_sq = to + pawn_step[them];
            victim = make_piece(them, PAWN);
            pos.board[to] = EMPTY;
        } else {
            victim = make_piece(them, cap);
        }
        pos.board[cap_sq] = static_cast<uint8_t>(victim);
        if (cap == PAWN) {
            pos.pawn_files[them][file_of(cap_sq)] |= pawn_bit(them, cap_sq);
            ++pos.pawn_sq_colour[them][square_colour[cap_sq]];
        } else {
            ++pos.officer_count;
        }
        ++pos.piece_count[victim];
        pos.material[them] += piece_value[victim];
        pos.psq_open[them] += pst_open[victim][cap_sq];
        pos.psq_end[them] += pst_end[victim][cap_sq];
    } else if (!castle) {
        pos.board[to] = EMPTY;
    }

    // 6. Piece lists, undoing make in reverse.
    Link(*links)[256] = pos.piece_links;
    int k = undo.saved_count;
    const int tl = mover, al = us * 8, nl = us * 8 + 7;
    if (castle) {
        const int rl = us * 8 + ROOK;
        relink(links[rl], r2, r1);
        relink(links[nl], r2, r1);
        relink(links[tl], to, from);
        relink(links[al], to, PARKING_CELL);
        relink(links[al], r2, r1);
        relink(links[al], PARKING_CELL, from);
        links[al][PARKING_CELL] = Link{0, 0};
        --k;
        links[rl][r2] = unpack(undo.saved_type_cells[k]);
        links[al][r2] = unpack(undo.saved_all_cells[k]);
        links[nl][r2] = unpack(undo.saved_nonking_cells[k]);
        pos.castled[us] = 0;
    } else if (promo) {
        Link* pl = links[make_piece(us, promo)];
        const int next = pl[to].next;
        pl[LIST_HEAD].next = static_cast<uint8_t>(next);
        pl[next].prev = LIST_HEAD;
        pl[to] = Link{0, 0};
        --k;
        links[tl][from] = unpack(undo.saved_type_cells[k]);
        relink_back(links[tl], from);
        relink(links[al], to, from);
        relink(links[nl], to, from);
    } else {
        relink(links[tl], to, from);
        relink(links[al], to, from);
        if (type_of(mover) != KING) relink(links[nl], to, from);
    }
    --k;
    links[promo ? make_piece(us, promo) : tl][to] = unpack(undo.saved_type_cells[k]);
    links[al][to] = unpack(undo.saved_all_cells[k]);
    links[nl][to] = unpack(undo.saved_nonking_cells[k]);
    if (cap) {
        --k;
        const int ct = them * 8 + cap, ca = them * 8, cn = them * 8 + 7;
        // Restore the saved cell first: a later move may have reused it.
        links[ct][cap_sq] = unpack(undo.saved_type_cells[k]);
        relink_back(links[ct], cap_sq);
        links[ca][cap_sq] = unpack(undo.saved_all_cells[k]);
        relink_back(links[ca], cap_sq);
        links[cn][cap_sq] = unpack(undo.saved_nonking_cells[k]);
        relink_back(links[cn], cap_sq);
    }

    // 7. Placement sums of the mover.
    pos.psq_open[us] += pst_open[mover][from] - pst_open[mover][to];
    pos.psq_end[us] += pst_end[mover][from] - pst_end[mover][to];

    // 8. History.
    pos.history.entry[pos.ply].key = 0;
    --pos.ply;
#ifdef KELVORANTE_CHECK_INVARIANTS
    assert(pos_ok(pos));
#endif
}

void make_null_move(Position& pos, Undo& undo) {
    undo.key = pos.key;
    undo.pawn_key = pos.pawn_key;
    undo.ep_square = pos.ep_square;
    pos.key ^= zobrist.side[pos.side] ^ zobrist.ep[pos.ep_square];
    pos.side ^= 1;
    pos.ep_square = 0;
    pos.key ^= zobrist.side[pos.side] ^ zobrist.ep[0];
    ++pos.fifty;
    push_null_history(pos);
}

void unmake_null_move(Position& pos, const Undo& undo) {
    pos.side ^= 1;
    --pos.fifty;
    pos.ep_square = undo.ep_square;
    pos.key = undo.key;
    pos.pawn_key = undo.pawn_key;
    pos.history.entry[pos.ply].key = 0;
    --pos.ply;
}
