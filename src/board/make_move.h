// Making and unmaking moves with every incremental field, and the null move.
#pragma once

#include "board/castling.h"
#include "board/position.h"
#include "board/zobrist.h"

void make_move(Position& pos, Move move, Undo& undo);
void unmake_move(Position& pos, Move move, const Undo& undo);

// The key the position will have once the move is made, without making it: the search uses
// it to have the child's table slots loaded early.
inline uint64_t key_after(const Position& pos, Move move) {
    const int us = static_cast<int>(pos.side);
    const int from = move_from(move), to = move_to(move);
    const int promo = move_promo(move);
    const int piece = pos.board[from];
    const auto& psk = zobrist.piece_square;
    uint64_t key = pos.key ^ zobrist.side[0] ^ zobrist.side[1] ^ psk[piece][from] ^
                   psk[promo ? make_piece(us, promo) : piece][to];
    if (move_captured(move)) {
        const int cap_sq = move_is_ep(move) ? to - pawn_step[us] : to;
        key ^= psk[pos.board[cap_sq]][cap_sq];
    }
    const CastlingRules& rules = pos.castling;
    uint32_t lost = pos.castling_lost | rules.lost_on[from] | rules.lost_on[to];
    if (type_of(piece) == KING) {
        lost |= us == WHITE ? 3u : 12u;
        if (move_is_castle(move)) {
            const int rook = make_piece(us, ROOK);
            const int r1 = rules.rook_square[castle_right(us, to)], r2 = castle_rook_to(to);
            key ^= psk[rook][r1] ^ psk[rook][r2];
        }
    }
    const int ep =
        (type_of(piece) == PAWN && to - from == 2 * pawn_step[us]) ? from + pawn_step[us] : 0;
    return key ^ rules.key[pos.castling_lost] ^ rules.key[lost] ^ zobrist.ep[pos.ep_square] ^
           zobrist.ep[ep];
}
void make_null_move(Position& pos, Undo& undo);
void unmake_null_move(Position& pos, const Undo& undo);
