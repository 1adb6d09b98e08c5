// Attack geometry on the 0x88 board: one table indexed by the difference of two squares
// tells which kinds of piece reach the second square from the first and with which step.
// The board layer includes this header for the checkers of a new position.
#pragma once

#include <cstdint>

#include "board/position.h"

// Attack kinds, one bit each so that a piece's kind and a difference's kinds meet in one AND.
constexpr uint8_t KIND_WHITE_PAWN = 0x01;
constexpr uint8_t KIND_BLACK_PAWN = 0x02;
constexpr uint8_t KIND_KNIGHT = 0x04;
constexpr uint8_t KIND_KING = 0x08;
constexpr uint8_t KIND_BISHOP = 0x10;
constexpr uint8_t KIND_ROOK = 0x20;
constexpr uint8_t KIND_QUEEN = 0x40; // also "the two squares share a line"

struct DeltaEntry {
    int32_t step;
    uint8_t kinds;
};

// Entries for differences -255..255, centred at index 256, so that a view re-based on
// any board square can be indexed with any other board square.
extern DeltaEntry delta_storage[512];

// Indexed by any board cell value (piece codes, EMPTY, OFFBOARD): zero where no piece.
extern const uint8_t piece_kind_bit[64];
extern const uint8_t is_slider[64];
// Each piece's steps, 0-terminated, in the order moves are generated.
inline constexpr int8_t piece_steps[16][9] = {
    {0},
    {15, 17, 0},
    {33, 18, -14, -31, -33, -18, 14, 31, 0},
    {15, 17, -17, -15, 0},
    {16, 1, -1, -16, 0},
    {16, 17, 1, -15, -16, -17, -1, 15, 0},
    {16, 17, 1, -15, -16, -17, -1, 15, 0},
    {0},
    {0},
    {-15, -17, 0},
    {33, 18, -14, -31, -33, -18, 14, 31, 0},
    {15, 17, -17, -15, 0},
    {16, 1, -1, -16, 0},
    {16, 17, 1, -15, -16, -17, -1, 15, 0},
    {16, 17, 1, -15, -16, -17, -1, 15, 0},
    {0},
};

inline const DeltaEntry& delta(int difference) { return delta_storage[difference + 256]; }
// view[x] describes x relative to square k: whether it shares a line with k and the step
// that leads from x toward k.
inline const DeltaEntry* king_view(int k) { return delta_storage + 256 - k; }

void build_delta_table(const uint8_t* board);

// Does the piece on p attack sq (the walk stops at the first occupied square)?
inline bool piece_attacks(const Position& pos, int p, int sq) {
    const DeltaEntry& e = delta(p - sq);
    if (!(piece_kind_bit[pos.board[p]] & e.kinds)) return false;
    int t = p + e.step;
    while (t != sq && pos.board[t] == EMPTY) t += e.step;
    return t == sq;
}

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

// After a move has been made: count and record the pieces checking the side to move.
void compute_checkers(Position& pos, Move move);
// Before a move is made: will it give check, directly or by discovery?
bool gives_check(const Position& pos, Move move);
