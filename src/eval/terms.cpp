#include "eval/terms.h"

#include <algorithm>

#include "eval/eval_cache.h"
#include "movegen/attacks.h"

namespace {

// Mobility values by count of safe squares, White's view. Every table reaches the largest
// count its piece can have (knight 8, bishop 13, rook 14, queen 27).
constexpr int32_t KNIGHT_MOBILITY[9] = {-6, -3, 1, 5, 9, 11, 14, 15, 16};
constexpr int32_t BISHOP_MOBILITY[15] = {-13, -6, 0, 6, 13, 19, 24, 28, 30, 33, 34, 36, 36, 37, 38};
constexpr int32_t ROOK_MOBILITY_MG[15] = {-8, -5, -3, 0, 3, 5, 7, 9, 10, 11, 12, 13, 13, 14, 14};
constexpr int32_t QUEEN_MOBILITY_MG[29] = {-6, -5, -4, -3, -1, 0,  1,  3,  4,  5,  6,  8,  8,  9, 9,
                                           10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10, 10};
// A rook with all 14 squares free is worth what 13 are: the curve has flattened out there.
constexpr int32_t ROOK_MOBILITY_EG[15] = {-13, -8, -3, 3,  8,  13, 18, 23,
                                          28,  31, 34, 35, 36, 36, 36};
constexpr int32_t QUEEN_MOBILITY_EG[29] = {-13, -9, -6, -3, 0,  3,  6,  9,  12, 14,
                                           17,  18, 19, 19, 19, 19, 19, 19, 19, 19,
                                           19,  19, 19, 19, 19, 19, 19, 19, 19};

// By the number of a colour's rooks on its seventh or eighth rank; promotions can bring
// that number to 10, which is valued as 9.
constexpr int32_t SEVENTH_RANK[10] = {0, 50, 100, 110, 120, 150, 150, 150, 150, 150};

// A pawn that cannot advance, by relative rank (pawns stand on ranks 2 to 7 only).
constexpr int32_t BLOCKED_PAWN[9] = {0, 0, -7, -9, -11, -13, -15, -17, 0};

constexpr int32_t ROOK_FILE_WITHOUT_OWN_PAWN = 10;
constexpr int32_t ROOK_FILE_WITHOUT_ANY_PAWN = 10;
constexpr int32_t ROOK_SEES_ROOK = 10;
constexpr int32_t ROOK_PAWN_FACTOR = 15;
constexpr int32_t CASTLED = 12;
constexpr int32_t BAD_BISHOP = -5;
constexpr int32_t BISHOP_PAIR = 20;
constexpr int32_t UNDEVELOPED_MINOR = -10;
constexpr int32_t BISHOP_BLOCKS_CENTRE_PAWN = -90;
constexpr int32_t TRAPPED_BISHOP = -50;
constexpr int32_t ROOK_BEHIND_PASSER = 10;
constexpr int32_t UNSTOPPABLE_PASSER = 505;
constexpr int KING_PRESSURE_MAX = 15;

struct PawnWeights {
    int32_t doubled;
    int32_t isolated;
    int32_t isolated_open;    // further, when no enemy pawn stands ahead on the file
    int32_t passed[9];        // by relative rank
    int32_t passed_supported; // further, for a passed pawn with a pawn on a neighbour file
    int32_t backward;
    int32_t backward_open;
};

constexpr PawnWeights PAWN_WEIGHTS[2] = {
    {-8, -8, -8, {0, 0, 20, 26, 32, 38, 44, 50, 0}, 10, -5, -4},
    {-15, -18, -5, {0, 0, 9, 18, 37, 66, 105, 154, 0}, 20, -10, -3},
};

template <int N> inline int32_t by_count(const int32_t (&table)[N], int count) {
    return table[std::min(count, N - 1)];
}

inline int32_t signed_for(int colour, int32_t value) { return colour == WHITE ? value : -value; }

// Officers (knights, bishops, rooks, queens) of one colour.
inline int officers_of(const Position& pos, int colour) {
    const uint8_t* n = pos.piece_count + colour * 8;
    return n[KNIGHT] + n[BISHOP] + n[ROOK] + n[QUEEN];
}

// Mask of a colour's pawns on a file; 0 outside the board's files.
inline unsigned file_mask(const Position& pos, int colour, int file) {
    return (file < 0 || file > 7) ? 0u : pos.pawn_files[colour][file];
}

inline bool enemy_ahead_on_file(const Position& pos, int colour, int file, int r) {
    const unsigned ahead = (1u << (8 - r)) - 1u; // enemy's relative ranks 1 .. 8 - r
    return (file_mask(pos, colour ^ 1, file) & ahead) != 0;
}

int32_t cached_pawn_structure(const Position& pos, TermSet set, uint64_t& passed) {
    int32_t score;
    if (!pawn_cache_probe(pos, score, passed)) {
        score = pawn_structure(pos, set, passed);
        pawn_cache_store(pos, score, passed);
    }
    return score;
}

int32_t bishop_pair(const Position& pos) {
    int32_t sum = 0;
    if (pos.piece_count[WHITE * 8 + BISHOP] >= 2) sum += BISHOP_PAIR;
    if (pos.piece_count[BLACK * 8 + BISHOP] >= 2) sum -= BISHOP_PAIR;
    return sum;
}

// Once the queen's home square has seen a move, minor-piece home squares that have seen
// none mean pieces still undeveloped.
int32_t development(const Position& pos, int colour) {
    const int home = colour == WHITE ? SQ_A1 : SQ_A8;
    if (pos.square_touches[home + 3] == 0) return 0;
    int32_t sum = 0;
    for (int file : {1, 2, 5, 6})
        if (pos.square_touches[home + file] == 0) sum += UNDEVELOPED_MINOR;
    return signed_for(colour, sum);
}

// Rook file terms and rooks seeing each other; the look goes up the file and toward the
// h-file for both colours, so each pair of rooks that see each other counts once.
int32_t rook_placement(const Position& pos, int colour, int sq) {
    int32_t sum = 0;
    const int file = file_of(sq);
    if (pos.pawn_files[colour][file] == 0) {
        sum += ROOK_FILE_WITHOUT_OWN_PAWN;
        if (pos.pawn_files[colour ^ 1][file] == 0) sum += ROOK_FILE_WITHOUT_ANY_PAWN;
    }
    const int own_rook = make_piece(colour, ROOK);
    if (pos.board[first_occupied(pos, sq + 16, 16)] == own_rook) sum += ROOK_SEES_ROOK;
    if (pos.board[first_occupied(pos, sq + 1, 1)] == own_rook) sum += ROOK_SEES_ROOK;
    return sum;
}

// safe_squares[c] has every cell 1 except, while a term set runs, the squares the pawns of
// c's enemy attack, which are 0. Marking costs two writes per pawn; a mobility walk then
// reads one cell per empty square instead of looking for the two pawns that could attack it.
struct SafeSquares {
    uint8_t cell[256];
    constexpr SafeSquares() : cell() {
        for (uint8_t& c : cell) c = 1;
    }
};
SafeSquares safe_squares[2];

// One walk over a colour's pawns: marks their attacks for the enemy's mobility and returns
// the own-positive sum of the colour's blocked-pawn values.
int32_t mark_pawns(const Position& pos, int colour) {
    int32_t blocked = 0;
    uint8_t* cell = safe_squares[colour ^ 1].cell;
    const int list = colour * 8 + PAWN, ahead = pawn_step[colour];
    for (int s = first_in(pos, list); s < LIST_END; s = next_in(pos, list, s)) {
        cell[s + ahead - 1] = 0;
        cell[s + ahead + 1] = 0;
        if (pos.board[s + ahead] != EMPTY) blocked += BLOCKED_PAWN[relative_rank(s, colour)];
    }
    return blocked;
}

void clear_pawn_marks(const Position& pos, int colour) {
    uint8_t* cell = safe_squares[colour ^ 1].cell;
    const int list = colour * 8 + PAWN, ahead = pawn_step[colour];
    for (int s = first_in(pos, list); s < LIST_END; s = next_in(pos, list, s)) {
        cell[s + ahead - 1] = 1;
        cell[s + ahead + 1] = 1;
    }
}

// Mobility: the empty squares a piece reaches that no enemy pawn attacks (safe is the
// piece's colour's marked table); captures never count. Sliding pieces walk each ray,
// knights look one step.
inline int ray_mobility(const Position& pos, const uint8_t* safe, int sq, int step) {
    int count = 0;
    for (int t = sq + step; pos.board[t] == EMPTY; t += step) count += safe[t];
    return count;
}

inline int knight_mobility(const Position& pos, const uint8_t* safe, int sq) {
    int count = 0;
    for (int step : {33, 18, -14, -31, -33, -18, 14, 31}) {
        const int t = sq + step;
        if (pos.board[t] == EMPTY) count += safe[t];
    }
    return count;
}

inline int bishop_mobility(const Position& pos, const uint8_t* safe, int sq) {
    return ray_mobility(pos, safe, sq, 15) + ray_mobility(pos, safe, sq, 17) +
           ray_mobility(pos, safe, sq, -17) + ray_mobility(pos, safe, sq, -15);
}

inline int rook_mobility(const Position& pos, const uint8_t* safe, int sq) {
    return ray_mobility(pos, safe, sq, 16) + ray_mobility(pos, safe, sq, 1) +
           ray_mobility(pos, safe, sq, -1) + ray_mobility(pos, safe, sq, -16);
}

inline int queen_mobility(const Position& pos, const uint8_t* safe, int sq) {
    return bishop_mobility(pos, safe, sq) + rook_mobility(pos, safe, sq);
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

bool no_enemy_pawn_ahead(const Position& pos, int colour, int sq) {
    return !enemy_ahead_on_file(pos, colour, file_of(sq), relative_rank(sq, colour));
}

bool is_passed(const Position& pos, int colour, int sq) {
    const int f = file_of(sq), r = relative_rank(sq, colour);
    return !enemy_ahead_on_file(pos, colour, f, r) && !enemy_ahead_on_file(pos, colour, f - 1, r) &&
           !enemy_ahead_on_file(pos, colour, f + 1, r);
}

namespace {

// For a piece at a difference from the king, walking one of its steps over an empty board:
// length[step][difference] is the number of steps after which the walk first comes within
// one square of the king (0: never), and steps[code][difference] has bit i set when the
// piece's i-th step gets there at all. On the real board such a walk passes next to the
// king exactly when that many squares are empty: an earlier occupied square, or the edge of
// the board, stops it before any square next to the king.
struct NearKingTable {
    uint8_t length[67][240];
    uint8_t steps[16][240];
    constexpr NearKingTable() : length(), steps() {
        for (int step = -33; step <= 33; ++step) {
            const int sr = (step + 8) >> 4 /* rank part, rounded */;
            const int sf = step - 16 * sr;
            if (sf < -8 || sf > 8) continue;
            for (int dr = -7; dr <= 7; ++dr)
                for (int df = -7; df <= 7; ++df) {
                    int hit = 0;
                    int f = df + sf, r = dr + sr;
                    for (int n = 0; n < 8 && step != 0; ++n, f += sf, r += sr) {
                        if (f < -8 || f > 8 || r < -8 || r > 8) break;
                        if (f >= -1 && f <= 1 && r >= -1 && r <= 1) {
                            hit = n + 1;
                            break;
                        }
                    }
                    length[step + 33][16 * dr + df + 120] = static_cast<uint8_t>(hit);
                }
        }
        for (int code = 0; code < 16; ++code)
            for (int difference = 0; difference < 240; ++difference)
                for (int i = 0; piece_steps[code][i]; ++i)
                    if (length[piece_steps[code][i] + 33][difference])
                        steps[code][difference] |= static_cast<uint8_t>(1u << i);
    }
};
constexpr NearKingTable near_king;

} // namespace

int32_t king_pressure(const Position& pos, int colour) {
    // Every enemy piece, knights and pawns too, walks each of its steps over empty squares;
    // a step counts once when it passes next to the king. The square that ends a walk is
    // not looked at. Only the steps that can get next to the king are walked, and only as
    // far as the first square next to it.
    const int k = king_square(pos, colour);
    const int list = (colour ^ 1) * 8 + 7;
    int count = 0;
    for (int p = first_in(pos, list); p < LIST_END && count < KING_PRESSURE_MAX;
         p = next_in(pos, list, p)) {
        const int difference = p - k + 120;
        const int code = pos.board[p];
        for (unsigned m = near_king.steps[code][difference]; m; m &= m - 1) {
            const int d = piece_steps[code][__builtin_ctz(m)];
            int left = near_king.length[d + 33][difference];
            int t = p + d;
            while (pos.board[t] == EMPTY && --left) t += d;
            if (left == 0) ++count;
        }
    }
    count = std::min(count, KING_PRESSURE_MAX);
    return colour == WHITE ? -2 * count : 2 * count;
}

int32_t bishop_trap(const Position& pos, int sq, int type, int colour) {
    if (type != BISHOP) return 0;
    const int enemy = colour ^ 1;
    // Squares named from the bishop owner's side: rank 0 is its own back rank.
    const auto at = [colour](int file, int rank) {
        return make_square(file, colour == WHITE ? rank : 7 - rank);
    };
    const auto blocks_pawn = [&](int file) {
        return pos.board[at(file, 1)] == make_piece(colour, PAWN)
                   ? signed_for(colour, BISHOP_BLOCKS_CENTRE_PAWN)
                   : 0;
    };
    // Shut in behind a defended enemy pawn, with the escape square covered too.
    const auto shut_in = [&](int pawn_file) {
        const int pawn = at(pawn_file, 5), corner = at(pawn_file, 7);
        if (pos.board[pawn] == make_piece(enemy, PAWN) && first_attacker(pos, pawn, enemy) &&
            first_attacker(pos, corner, enemy))
            return signed_for(colour, TRAPPED_BISHOP);
        return 0;
    };
    if (sq == at(3, 2)) return blocks_pawn(3);
    if (sq == at(4, 2)) return blocks_pawn(4);
    if (sq == at(0, 6)) return shut_in(1);
    if (sq == at(7, 6)) return shut_in(6);
    return 0;
}

int32_t pawn_structure(const Position& pos, TermSet set, uint64_t& passed) {
    const PawnWeights& w = PAWN_WEIGHTS[set];
    passed = 0;
    int32_t score = 0;
    for (int c = WHITE; c <= BLACK; ++c) {
        int32_t own = 0;
        const int list = c * 8 + PAWN;
        for (int s = first_in(pos, list); s < LIST_END; s = next_in(pos, list, s)) {
            const bool isolated = is_isolated(pos, c, s);
            if (own_pawn_behind(pos, c, s)) own += w.doubled;
            if (isolated) {
                own += w.isolated;
                if (no_enemy_pawn_ahead(pos, c, s)) own += w.isolated_open;
            }
            if (is_passed(pos, c, s)) {
                passed |= 1ull << (sq64(s) - PASSED_FIRST_SQ64);
                own += w.passed[relative_rank(s, c)];
                if (!isolated) own += w.passed_supported;
                continue;
            }
            if (isolated) continue;
            // Backward: no own pawn on a neighbour file level with it or behind it.
            const int a = s + pawn_step[c];
            if (!own_pawn_behind(pos, c, a - 1) && !own_pawn_behind(pos, c, a + 1)) {
                own += w.backward;
                if (no_enemy_pawn_ahead(pos, c, s)) own += w.backward_open;
            }
        }
        score += signed_for(c, own);
    }
    return score;
}

int32_t unstoppable_passer(const Position& pos, int colour, int sq) {
    const int queening = make_square(file_of(sq), colour == WHITE ? 7 : 0);
    const int lead = square_distance_of(sq, queening) -
                     square_distance_of(king_square(pos, colour ^ 1), queening);
    if (lead < -1 || (lead == -1 && static_cast<int>(pos.side) == colour))
        return signed_for(colour, UNSTOPPABLE_PASSER + relative_rank(sq, colour));
    return 0;
}

int32_t eval_middlegame(Position& pos) {
    int32_t total = 0;
    int on_seventh[2] = {0, 0};
    const int32_t blocked[2] = {mark_pawns(pos, WHITE), mark_pawns(pos, BLACK)};
    for (int c = WHITE; c <= BLACK; ++c) {
        const int e = c ^ 1, base = c * 8;
        const uint8_t* safe = safe_squares[c].cell;
        int32_t own = blocked[c];
        for (int s = first_in(pos, base + KNIGHT); s < LIST_END; s = next_in(pos, base + KNIGHT, s))
            own += by_count(KNIGHT_MOBILITY, knight_mobility(pos, safe, s));
        const int pawns = pos.piece_count[base + PAWN];
        for (int s = first_in(pos, base + BISHOP); s < LIST_END;
             s = next_in(pos, base + BISHOP, s)) {
            total += bishop_trap(pos, s, BISHOP, c);
            const int shade = square_colour[s];
            if (pawns > 4 && pos.pawn_sq_colour[c][shade] > pos.pawn_sq_colour[c][shade ^ 1])
                own += BAD_BISHOP;
            own += by_count(BISHOP_MOBILITY, bishop_mobility(pos, safe, s));
        }
        for (int s = first_in(pos, base + ROOK); s < LIST_END; s = next_in(pos, base + ROOK, s)) {
            own += rook_placement(pos, c, s);
            if (relative_rank(s, c) >= 7) ++on_seventh[c];
            own += (4 - pawns) * ROOK_PAWN_FACTOR;
            own += by_count(ROOK_MOBILITY_MG, rook_mobility(pos, safe, s));
        }
        for (int s = first_in(pos, base + QUEEN); s < LIST_END; s = next_in(pos, base + QUEEN, s))
            own += by_count(QUEEN_MOBILITY_MG, queen_mobility(pos, safe, s));
        if (pos.piece_count[e * 8 + QUEEN]) total += king_pressure(pos, c);
        if (pos.castled[c]) own += CASTLED;
        total += signed_for(c, own);
    }
    clear_pawn_marks(pos, WHITE);
    clear_pawn_marks(pos, BLACK);
    total += by_count(SEVENTH_RANK, on_seventh[WHITE]) - by_count(SEVENTH_RANK, on_seventh[BLACK]);
    total += bishop_pair(pos);
    total += development(pos, WHITE) + development(pos, BLACK);
    uint64_t passed;
    total += cached_pawn_structure(pos, MIDDLEGAME, passed);
    return pos.side == WHITE ? total : -total;
}

int32_t eval_endgame(Position& pos) {
    int32_t total = 0;
    int on_seventh[2] = {0, 0};
    const int32_t blocked[2] = {mark_pawns(pos, WHITE), mark_pawns(pos, BLACK)};
    for (int c = WHITE; c <= BLACK; ++c) {
        const int base = c * 8;
        const uint8_t* safe = safe_squares[c].cell;
        int32_t own = blocked[c];
        for (int s = first_in(pos, base + KNIGHT); s < LIST_END; s = next_in(pos, base + KNIGHT, s))
            own += by_count(KNIGHT_MOBILITY, knight_mobility(pos, safe, s));
        for (int s = first_in(pos, base + BISHOP); s < LIST_END; s = next_in(pos, base + BISHOP, s))
            own += by_count(BISHOP_MOBILITY, bishop_mobility(pos, safe, s));
        for (int s = first_in(pos, base + ROOK); s < LIST_END; s = next_in(pos, base + ROOK, s)) {
            if (relative_rank(s, c) >= 7) ++on_seventh[c];
            own += by_count(ROOK_MOBILITY_EG, rook_mobility(pos, safe, s));
        }
        for (int s = first_in(pos, base + QUEEN); s < LIST_END; s = next_in(pos, base + QUEEN, s))
            own += by_count(QUEEN_MOBILITY_EG, queen_mobility(pos, safe, s));
        total += signed_for(c, own);
    }
    clear_pawn_marks(pos, WHITE);
    clear_pawn_marks(pos, BLACK);
    total += by_count(SEVENTH_RANK, on_seventh[WHITE]) - by_count(SEVENTH_RANK, on_seventh[BLACK]);
    total += bishop_pair(pos);
    uint64_t passed;
    total += cached_pawn_structure(pos, ENDGAME, passed);
    // Each passed pawn's terms stand alone, so the order they are added in does not matter.
    for (; passed; passed &= passed - 1) {
        const int i = __builtin_ctzll(passed) + PASSED_FIRST_SQ64;
        const int s = make_square(i & 7, i >> 3);
        const int code = pos.board[s];
        // The list belongs to this pawn key; skip anything but a pawn all the same, so a
        // key collision cannot send the colour out of range.
        if (type_of(code) != PAWN) continue;
        const int c = colour_of(code);
        if (pos.board[first_occupied(pos, s - pawn_step[c], -pawn_step[c])] == make_piece(c, ROOK))
            total += signed_for(c, ROOK_BEHIND_PASSER);
        if (officers_of(pos, c ^ 1) == 0) total += unstoppable_passer(pos, c, s);
    }
    return pos.side == WHITE ? total : -total;
}
