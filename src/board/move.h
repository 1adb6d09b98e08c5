// The move word, the scored move of move lists and the record that unmake needs.
#pragma once

#include <cstdint>

#include "board/types.h"

// Move word (32 bits), from the least significant bit:
//
//   bits  0-7   from square (64..183)
//   bits  8-15  to square (the king's destination for castling, which in Chess960 may be
//               its own square)
//   bits 16-18  captured type (1 pawn .. 5 queen; 1 for en passant; 0 none)
//   bit  19     en passant
//   bits 20-22  promotion type (2 knight .. 5 queen; 0 none)
//   bit  23     castling
//   bits 24-31  zero
//
// The moving piece is not stored: it is whatever stands on the from square.
// Move 0 means "no move".
using Move = uint32_t;

constexpr Move MOVE_NONE = 0;
constexpr uint32_t MOVE_EP = 0x80000;
constexpr uint32_t MOVE_CASTLE = 0x800000;
constexpr uint32_t MOVE_CAPTURE_OR_PROMO = 0x770000;
// Same from, to, promotion and castling: what tells one move from another. Castling counts,
// since in Chess960 it can share its squares with a plain king move (king b1 to c1).
constexpr uint32_t MOVE_IDENTITY = 0xF0FFFF;

constexpr int move_from(Move m) { return m & 0xFF; }
constexpr int move_to(Move m) { return (m >> 8) & 0xFF; }
constexpr int move_captured(Move m) { return (m >> 16) & 7; }
constexpr bool move_is_ep(Move m) { return (m & MOVE_EP) != 0; }
constexpr int move_promo(Move m) { return (m >> 20) & 7; }
constexpr bool move_is_castle(Move m) { return (m & MOVE_CASTLE) != 0; }
constexpr bool move_is_quiet(Move m) { return (m & MOVE_CAPTURE_OR_PROMO) == 0; }
constexpr bool same_move(Move a, Move b) { return ((a ^ b) & MOVE_IDENTITY) == 0; }
constexpr Move make_move_word(int from, int to, int captured = 0, int promo = 0) {
    return static_cast<Move>(from | (to << 8) | (captured << 16) | (promo << 20));
}

struct ScoredMove {
    Move move;
    int32_t score;
};

// What make_move destroys and unmake_move restores. The saved cells are piece-list
// links {prev, next} packed as prev | next << 8.
struct Undo {
    uint32_t checkers;
    uint8_t checker_sq[2];
    uint8_t ep_square;
    uint32_t castling_lost;
    uint64_t key;
    uint64_t pawn_key;
    uint8_t fifty;
    uint8_t saved_count;
    uint16_t saved_type_cells[3];
    uint16_t saved_all_cells[3];
    uint16_t saved_nonking_cells[3];
};
