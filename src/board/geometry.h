// Attack geometry on the 0x88 board: one table indexed by the difference of two squares
// tells which kinds of piece reach the second square from the first and with which step.
// Set-up and make_move find the checkers of a position with it; the generators build their
// pin and attack tests on it.
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
// any board square can be indexed with any other board square. Only differences of two
// board squares (-119..119) are ever filled.
struct DeltaTable {
    DeltaEntry entry[512];
};
extern const DeltaTable delta_table;

// King-move distance by square difference, centred at index 128; see square_distance_of.
struct DistanceTable {
    uint8_t cell[256];
};
extern const DistanceTable square_distance;
inline int square_distance_of(int a, int b) { return square_distance.cell[a - b + 128]; }

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

inline const DeltaEntry& delta(int difference) { return delta_table.entry[difference + 256]; }
// view[x] describes x relative to square k: whether it shares a line with k and the step
// that leads from x toward k.
inline const DeltaEntry* king_view(int k) { return delta_table.entry + 256 - k; }

// Does the piece on p attack sq (the walk stops at the first occupied square)?
inline bool piece_attacks(const Position& pos, int p, int sq) {
    const DeltaEntry& e = delta(p - sq);
    if (!(piece_kind_bit[pos.board[p]] & e.kinds)) return false;
    int t = p + e.step;
    while (t != sq && pos.board[t] == EMPTY) t += e.step;
    return t == sq;
}

// From x along step over empty squares: the first cell that is not empty (a piece or the
// border).
inline int first_occupied(const Position& pos, int x, int step) {
    while (pos.board[x] == EMPTY) x += step;
    return x;
}

// The checkers of the side to move from scratch (at most two are recorded).
void find_checkers(Position& pos);
// After a move has been made: count and record the pieces checking the side to move, looking
// only at the moved piece and the lines the move opened.
void compute_checkers(Position& pos, Move move);
