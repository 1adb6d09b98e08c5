// Attack tests of the generators and the search: is a square attacked, which pieces are
// pinned, will a move give check. All are built on the square-difference table of
// board/geometry.
#pragma once

#include <cstdint>

#include "board/geometry.h"
#include "board/position.h"

// Is sq attacked by a piece of colour? The walks look through ignore_sq (0 for none) as if it
// were empty: a king in check must not step away along the checking line. Pawns are looked
// up by the two squares they would stand on, the other pieces walked by type list.
inline bool attacked_by(const Position& pos, int sq, int colour, int ignore_sq = 0) {
    const int pawn = make_piece(colour, PAWN);
    const int behind = sq - pawn_step[colour];
    if (pos.board[behind - 1] == pawn || pos.board[behind + 1] == pawn) return true;
    for (int type = KNIGHT; type <= KING; ++type) {
        const int list = make_piece(colour, type);
        for (int p = first_in(pos, list); p < LIST_END; p = next_in(pos, list, p)) {
            const DeltaEntry& e = delta(p - sq);
            if (!(piece_kind_bit[list] & e.kinds)) continue;
            int t = p + e.step;
            while (t != sq && (pos.board[t] == EMPTY || t == ignore_sq)) t += e.step;
            if (t == sq) return true;
        }
    }
    return false;
}
int first_attacker(const Position& pos, int sq, int colour);

// The pieces of the side to move that are pinned to their king: the square of each and the
// step from it toward the king. They are found once per generation by looking from the enemy
// sliders that share a line with the king; most positions have none, so asking for a piece's
// pin line costs one well-predicted test.
struct Pins {
    int count;
    uint8_t square[8];
    int8_t step[8];
};

inline void find_pins(const Position& pos, int k, const DeltaEntry* view, Pins& pins) {
    const int us = static_cast<int>(pos.side), them = us ^ 1;
    pins.count = 0;
    for (int type = BISHOP; type <= QUEEN; ++type) {
        const int slider = make_piece(them, type); // also the number of its list
        const uint8_t kind = piece_kind_bit[slider];
        for (int s = first_in(pos, slider); s < LIST_END; s = next_in(pos, slider, s)) {
            const DeltaEntry& e = view[s];
            if (!(kind & e.kinds)) continue;
            int x = s + e.step;
            while (pos.board[x] == EMPTY) x += e.step;
            if (x == k || !is_colour(pos.board[x], us)) continue;
            int y = x + e.step;
            while (pos.board[y] == EMPTY) y += e.step;
            if (y != k) continue;
            pins.square[pins.count] = static_cast<uint8_t>(x);
            pins.step[pins.count] = static_cast<int8_t>(e.step);
            ++pins.count;
        }
    }
}

// The line along which the piece on sq is pinned: the step from it toward its king, 0 when
// the piece is free.
inline int pin_of(const Pins& pins, int sq) {
    for (int i = 0; i < pins.count; ++i)
        if (pins.square[i] == sq) return pins.step[i];
    return 0;
}

// Whether a move to `to` by a piece with that pin line keeps the king safe (for any square
// the piece can reach: a pinned piece cannot pass the king or its pinner).
inline bool pin_allows(int pin, int to, const DeltaEntry* view) {
    return pin == 0 || view[to].step == pin;
}

// Before a move is made: will it give check, directly or by discovery?
bool gives_check(const Position& pos, Move move);
