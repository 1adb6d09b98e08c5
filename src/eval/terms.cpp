#include "eval/terms.h"

namespace {
// Mask of a colour's pawns on a file; 0 outside the board's files.
inline unsigned file_mask(const Position& pos, int colour, int file) {
    return (file < 0 || file > 7) ? 0u : pos.pawn_files[colour][file];
}
} // namespace

bool own_pawn_behind(const Position& pos, int colour, int sq) {
    const int r = relative_rank(sq, colour);
    return (file_mask(pos, colour, file_of(sq)) & ((1u << (r - 1)) - 1u)) != 0;
}

bool is_isolated(const Position& pos, int colour, int sq) {
    const int f = file_of(sq);
    return file_mask(pos, colour, f - 1) == 0 && file_mask(pos, colour, f + 1) == 0;
}

namespace {
inline bool enemy_ahead_on_file(const Position& pos, int colour, int file, int r) {
    const unsigned ahead = (1u << (8 - r)) - 1u; // enemy's relative ranks 1 .. 8 - r
    return (file_mask(pos, colour ^ 1, file) & ahead) != 0;
}
} // namespace

bool no_enemy_pawn_ahead(const Position& pos, int colour, int sq) {
    return !enemy_ahead_on_file(pos, colour, file_of(sq), relative_rank(sq, colour));
}

bool is_passed(const Position& pos, int colour, int sq) {
    const int f = file_of(sq), r = relative_rank(sq, colour);
    return !enemy_ahead_on_file(pos, colour, f, r) && !enemy_ahead_on_file(pos, colour, f - 1, r) &&
           !enemy_ahead_on_file(pos, colour, f + 1, r);
}

// Placeholder term sets until the positional terms are in.
int32_t eval_middlegame(Position&) { return 0; }
int32_t eval_endgame(Position&) { return 0; }
