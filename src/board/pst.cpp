#include "board/pst.h"

#include "board/types.h"

namespace {

// White's view, rank 8 first, files a to h. Black reads the same table mirrored top to
// bottom.
constexpr int8_t PAWN_TABLE[64] = {
    0,  0,  0,  0,  0,  0,  0,  0,  //
    10, 10, 12, 14, 14, 12, 10, 10, //
    10, 18, 24, 36, 36, 24, 18, 10, //
    2,  9,  17, 36, 36, 17, 9,  2,  //
    2,  4,  12, 29, 29, 12, 4,  2,  //
    2,  4,  10, 18, 18, 10, 4,  2,  //
    4,  6,  10, 14, 14, 10, 6,  4,  //
    0,  0,  0,  0,  0,  0,  0,  0,
};
constexpr int8_t KNIGHT_TABLE[64] = {
    -36, -22, -16, -16, -16, -16, -22, -36, //
    -22, 0,   6,   10,  10,  6,   0,   -22, //
    -18, 8,   15,  18,  18,  15,  8,   -18, //
    -18, 8,   12,  21,  21,  12,  8,   -18, //
    -18, 4,   11,  16,  16,  11,  4,   -18, //
    -18, 2,   10,  12,  12,  10,  2,   -18, //
    -22, -10, 2,   6,   6,   2,   -10, -22, //
    -36, -22, -16, -16, -16, -16, -22, -36,
};
constexpr int8_t BISHOP_TABLE[64] = {
    30, 22, 22, 22, 22, 22, 22, 30, //
    24, 30, 26, 26, 26, 26, 30, 24, //
    26, 30, 32, 32, 32, 32, 30, 26, //
    26, 28, 32, 36, 36, 32, 28, 26, //
    24, 26, 28, 30, 30, 28, 26, 24, //
    22, 24, 26, 26, 26, 26, 24, 22, //
    18, 28, 18, 20, 20, 18, 28, 18, //
    22, 18, 12, 8,  8,  12, 18, 22,
};
constexpr int8_t ROOK_TABLE[64] = {
    22, 24, 26, 27, 27, 26, 24, 22, //
    24, 26, 28, 30, 30, 28, 26, 24, //
    12, 16, 20, 22, 22, 20, 16, 12, //
    0,  2,  4,  8,  8,  4,  2,  0,  //
    0,  2,  4,  8,  8,  4,  2,  0,  //
    0,  2,  4,  8,  8,  4,  2,  0,  //
    0,  2,  4,  8,  8,  4,  2,  0,  //
    0,  2,  4,  8,  8,  4,  2,  0,
};
constexpr int8_t QUEEN_TABLE[64] = {
    12, 12, 14, 14, 14, 14, 12, 12, //
    18, 20, 22, 24, 24, 22, 20, 18, //
    20, 24, 26, 28, 28, 26, 24, 20, //
    16, 18, 20, 22, 22, 20, 18, 16, //
    12, 16, 20, 22, 22, 20, 16, 12, //
    10, 14, 18, 20, 20, 18, 14, 10, //
    6,  10, 14, 16, 16, 14, 10, 6,  //
    0,  2,  4,  8,  8,  4,  2,  0,
};
constexpr int8_t KING_OPEN_TABLE[64] = {
    -40, -40, -40, -40, -40, -40, -40, -40, //
    -40, -40, -40, -40, -40, -40, -40, -40, //
    -40, -40, -40, -40, -40, -40, -40, -40, //
    -36, -40, -40, -40, -40, -40, -40, -36, //
    -24, -28, -32, -36, -36, -32, -28, -24, //
    -12, -14, -18, -24, -24, -18, -14, -12, //
    8,   8,   -4,  -8,  -8,  -4,  8,   8,   //
    12,  20,  10,  0,   0,   10,  20,  12,
};
constexpr int8_t KING_END_TABLE[64] = {
    0,  4,  8,  10, 10, 8,  4,  0,  //
    4,  10, 16, 24, 24, 16, 10, 4,  //
    8,  14, 28, 40, 40, 28, 14, 8,  //
    14, 24, 40, 56, 56, 40, 24, 14, //
    14, 24, 40, 56, 56, 40, 24, 14, //
    8,  14, 28, 40, 40, 28, 14, 8,  //
    4,  10, 16, 24, 24, 16, 10, 4,  //
    0,  4,  8,  10, 10, 8,  4,  0,
};

constexpr const int8_t* SOURCE[7] = {nullptr,    PAWN_TABLE,  KNIGHT_TABLE,   BISHOP_TABLE,
                                     ROOK_TABLE, QUEEN_TABLE, KING_OPEN_TABLE};

// Source index of a board square for a colour: row 0 of a source table is rank 8.
constexpr int source_index(int sq, int colour) {
    int rank = rank_of(sq);
    if (colour == BLACK) rank = 7 - rank;
    return (7 - rank) * 8 + file_of(sq);
}

// Both colours' tables on the 256-cell board; 0 on border cells and for non-piece codes.
constexpr PieceSquareTables make_tables() {
    PieceSquareTables tables{};
    for (int colour = 0; colour < 2; ++colour) {
        for (int type = PAWN; type <= KING; ++type) {
            int code = make_piece(colour, type);
            for (int sq = 64; sq <= 183; ++sq) {
                if (!on_board(sq)) continue;
                int i = source_index(sq, colour);
                tables.open[code][sq] = SOURCE[type][i];
                tables.end[code][sq] = type == KING ? KING_END_TABLE[i] : SOURCE[type][i];
            }
        }
    }
    return tables;
}

} // namespace

constexpr PieceSquareTables piece_square_tables = make_tables();
