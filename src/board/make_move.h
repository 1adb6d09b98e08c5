// Making and unmaking moves with every incremental field, and the null move.
#pragma once

#include "board/position.h"
#include "board/zobrist.h"

void make_move(Position& pos, Move move, Undo& undo);
void unmake_move(Position& pos, Move move, const Undo& undo);
// The castling right tied to a rook's corner square, 0 elsewhere: a right ends when its rook
// leaves the corner and also when anything arrives there.
struct CornerRights {
    uint8_t cell[256];
    constexpr CornerRights() : cell() {
        cell[SQ_H1] = 1;
        cell[SQ_A1] = 2;
        cell[SQ_H8] = 4;
        cell[SQ_A8] = 8;
    }
};
inline constexpr CornerRights corner_rights;

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
    uint32_t lost = pos.castling_lost | corner_rights.cell[from] | corner_rights.cell[to];
    if (type_of(piece) == KING) {
        lost |= us == WHITE ? 3u : 12u;
        if (move_is_castle(move)) {
            const int r1 = to < from ? from - 4 : from + 3, r2 = to < from ? from - 1 : from + 1;
            key ^= psk[pos.board[r1]][r1] ^ psk[pos.board[r1]][r2];
        }
    }
    const int ep =
        (type_of(piece) == PAWN && to - from == 2 * pawn_step[us]) ? from + pawn_step[us] : 0;
    return key ^ zobrist.castle[pos.castling_lost] ^ zobrist.castle[lost] ^
           zobrist.ep[pos.ep_square] ^ zobrist.ep[ep];
}
void make_null_move(Position& pos, Undo& undo);
void unmake_null_move(Position& pos, const Undo& undo);
