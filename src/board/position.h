// The position record with its history, and the steps that build a record's derived
// fields from its board.
#pragma once

#include <cstddef>
#include <cstdint>

#include "board/move.h"
#include "board/types.h"

// Castling rights are numbered 0 White short, 1 White long, 2 Black short, 3 Black long; bit
// 1 << right of castling_lost says that right is gone.
constexpr int CASTLE_WHITE_SHORT = 0;
constexpr int CASTLE_WHITE_LONG = 1;

// Where each castling right's king and rook start. The set-up fixes them for the game:
// standard chess has its kings on the e-file and its rooks in the corners, Chess960 puts
// them anywhere on the back rank with the king between its rooks. Castling itself ends the
// same way in both: the king on the g- or c-file, the rook beside it on the f- or d-file.
struct CastlingRules {
    uint64_t key[16];       // the castling part of the position key, by castling_lost
    uint8_t lost_on[256];   // the rights a move ends by leaving or reaching the square
    uint8_t king_square[2]; // where each colour's king stands while it may castle
    uint8_t rook_square[4]; // the rook each right castles with
    bool chess960;          // the game is Chess960: its moves and FEN are written that way
};

struct Link {
    uint8_t prev;
    uint8_t next;
};

// One entry per position from the set-up to the current search node, indexed by ply.
struct HistoryEntry {
    Move move; // the move made from this position (0 for a null move or none yet)
    Undo undo; // the record of the move that led here (not kept for a null move)
    uint64_t key;
};

// The way the position was reached, kept with it: take-backs and the repetition test read
// it, make and unmake write it.
struct History {
    HistoryEntry entry[HISTORY_SIZE];
    // The repetition test reads these rather than the entries: the keys again, eight bytes
    // apart, and for each ply the earliest ply whose position could recur there, the ply of
    // the last capture or pawn move (no position before it can come back).
    uint64_t recurrence_key[HISTORY_SIZE];
    uint16_t recurrence_floor[HISTORY_SIZE];
    uint32_t setup_ply; // ply of the set-up position: take-backs stop there
};

// Sixteen doubly linked piece lists are threaded through square numbers:
//   colour * 8 + type (1..6)  that colour's pieces of one type
//   colour * 8 + 0            all pieces of the colour, king included
//   colour * 8 + 7            all pieces of the colour except the king
// [L][63].next is the first square, a next of 184 ends a list. After set-up every
// list runs in ascending square order; moves keep each piece's place (see make_move).
struct Position {
    uint8_t board[256];
    Link piece_links[16][256];
    uint8_t castled[2];
    uint32_t side;
    uint32_t castling_lost; // 1 White O-O, 2 White O-O-O, 4 Black O-O, 8 Black O-O-O lost
    uint64_t key;
    uint64_t pawn_key;
    uint8_t ep_square;
    int32_t material[2];
    int32_t psq_open[2];
    int32_t psq_end[2];
    uint8_t fifty;
    uint32_t ply;
    uint32_t checkers;
    uint8_t checker_sq[2];
    uint8_t pawn_files[2][16];
    uint8_t pawn_sq_colour[2][2];
    uint8_t piece_count[16];
    // Knights, bishops, rooks and queens of both colours: the evaluation's phase switch.
    int32_t officer_count;
    // How many of the moves now on the board started or ended on each square.
    uint8_t square_touches[256];
    CastlingRules castling;
    // Last, so that the board part above can be copied and compared on its own.
    History history;
};

// The bytes of a position before its history: what a copy of the board needs.
constexpr size_t POSITION_BOARD_BYTES = offsetof(Position, history);

extern const int32_t piece_value[16];
extern const uint8_t square_colour[256]; // 1 dark, 0 light, 2 border
extern const int32_t pawn_step[2];
extern const char start_fen[];

// Walks a piece list: for (int s = first_in(pos, L); s < LIST_END; s = next_in(pos, L, s))
inline int first_in(const Position& pos, int list) { return pos.piece_links[list][LIST_HEAD].next; }
inline int next_in(const Position& pos, int list, int sq) { return pos.piece_links[list][sq].next; }
inline int king_square(const Position& pos, int colour) { return first_in(pos, colour * 8 + KING); }

// Set-up steps, each from the board (and the lists built before it); board/setup runs them
// all.
void clear_board(uint8_t* board);
void build_piece_lists(Position& pos);
void count_pieces(Position& pos);
void build_pawn_masks(Position& pos);
// Material and piece-square sums from scratch, stored in the record.
void compute_sums(Position& pos);
// Knights, bishops, rooks and queens by the piece counts.
int32_t count_officers(const Position& pos);
