// Positional terms checked on small positions whose other terms are known; each expected
// figure is worked out by hand in the comment beside it.
#include <gtest/gtest.h>

#include <string>

#include "board/position.h"
#include "eval/terms.h"
#include "helpers.h"

namespace {

Position& pos = game.position;

struct Case {
    const char* fen;
    TermSet set;
    int32_t value;
};

void expect_values(std::initializer_list<Case> cases) {
    for (const Case& c : cases) {
        ASSERT_TRUE(setup(c.fen)) << c.fen;
        EXPECT_EQ(c.set == MIDDLEGAME ? eval_middlegame(pos) : eval_endgame(pos), c.value) << c.fen;
    }
}

int sq(const char* name) { return make_square(name[0] - 'a', name[1] - '1'); }

} // namespace

TEST(EvalTerms, PiecesAndTheirBoundedTables) {
    expect_values({
        {"4k3/8/8/8/8/8/8/N3K3 w - - 0 1", ENDGAME, 1}, // knight a1: b3, c2
        {"k7/8/8/8/3R4/8/8/7K w - - 0 1", ENDGAME, 36}, // 14 rook squares score as 13
        // Corner knights cancel. Rook d4: open file 20, (4 - 0 pawns) * 15, 14 squares 14.
        {"n3k2n/8/8/8/3R4/8/8/N3K2N w - - 0 1", MIDDLEGAME, 20 + 60 + 14},
        // Black d7 halves the file bonus, leaves 12 squares (13); the pawn: 20 - 8 - 8.
        {"n3k2n/3p4/8/8/3R4/8/8/N3K2N w - - 0 1", MIDDLEGAME, 10 + 60 + 13 - 4},
        // Rooks seeing each other: 10, once, on a file (10 squares, 12) or a rank (11, 13).
        {"n3k2n/8/8/3R4/3R4/8/8/N3K2N w - - 0 1", MIDDLEGAME, 2 * (20 + 60 + 12) + 10},
        {"n3k2n/8/8/8/2R2R2/8/8/N3K2N w - - 0 1", MIDDLEGAME, 2 * (20 + 60 + 13) + 10},
        // Sixteen pawns: (4 - 8) * 15 and 9 rook squares (11); the rest cancels.
        {"n3k2n/pppppppp/8/8/3R4/8/PPPPPPPP/N3K2N w - - 0 1", MIDDLEGAME, 11 - 60},
        // Ten rooks on ranks 7-8 count as nine (150). Mobility: a8-d8 -13 each, e8 3,
        // a7 13, b7-d7 18 each, e7 31.
        {"RRRRR3/RRRRR3/8/7k/8/8/8/K7 w - - 0 1", ENDGAME, 150 - 4 * 13 + 3 + 13 + 3 * 18 + 31},
        {"4k3/RR6/8/8/8/8/8/4K3 b - - 0 1", ENDGAME, -(100 + 23 + 36)}, // two: a7 23, b7 36
    });
    // Queens on the eight knight squares around e4 each reach two king squares: 16 steps,
    // capped at 15; seven of them make 14.
    ASSERT_TRUE(setup("k7/8/3q1q2/2q3q1/4K3/2q3q1/3q1q2/8 w - - 0 1"));
    EXPECT_EQ(king_pressure(pos, WHITE), -30);
    ASSERT_TRUE(setup("k7/8/3q1q2/2q3q1/4K3/2q3q1/3q4/8 w - - 0 1"));
    EXPECT_EQ(king_pressure(pos, WHITE), -28);
}

TEST(EvalTerms, PawnStructure) {
    const struct {
        const char* fen;
        int32_t middlegame, endgame;
    } cases[] = {
        // b/c pawns face enemy pawns and support each other: only doubling/tripling costs.
        {"4k3/1pp5/8/8/8/2P5/1PP5/4K3 w - - 0 1", -8, -15},
        {"4k3/1pp5/8/8/2P5/2P5/1PP5/4K3 w - - 0 1", -16, -30},
        {"4k3/pp6/8/8/8/8/P7/4K3 w - - 0 1", -8, -18},     // isolated a2, a7 ahead
        {"4k3/6pp/8/8/8/8/7P/4K3 w - - 0 1", -8, -18},     // the h-file's edge
        {"4k3/1pp5/8/8/8/8/P2P4/4K3 w - - 0 1", -32, -46}, // isolated on open files
        // d3 lags behind c4 with d5 ahead; Black's d5 is isolated (+8, +18).
        {"4k3/8/8/3p4/2P5/3P4/8/4K3 w - - 0 1", -5 + 8, -10 + 18},
        // Backward on a file without enemy pawns; b5 and e5 isolated on open files.
        {"4k3/8/8/1p2p3/2P5/3P4/8/4K3 w - - 0 1", -9 + 32, -13 + 46},
        {"4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", 50 - 16, 154 - 23},      // lone isolated passer
        {"4k3/PP6/8/8/8/8/8/4K3 w - - 0 1", 2 * 60, 2 * (154 + 20)}, // passers with neighbour
    };
    uint64_t passed;
    for (const auto& c : cases) {
        ASSERT_TRUE(setup(c.fen)) << c.fen;
        EXPECT_EQ(pawn_structure(pos, MIDDLEGAME, passed), c.middlegame) << c.fen;
        EXPECT_EQ(pawn_structure(pos, ENDGAME, passed), c.endgame) << c.fen;
    }
}

TEST(EvalTerms, UnstoppablePasser) {
    // Pawn a4 needs 4 moves, the king on f5 is 5 from a8: it matters who moves; from g5
    // it does not. Black's pawn counts from its own side.
    const struct {
        const char* fen;
        int colour;
        const char* square;
        int32_t bonus;
    } cases[] = {{"8/8/8/5k2/P7/8/8/4K3 w - - 0 1", WHITE, "a4", 509},
                 {"8/8/8/5k2/P7/8/8/4K3 b - - 0 1", WHITE, "a4", 0},
                 {"8/8/8/6k1/P7/8/8/4K3 b - - 0 1", WHITE, "a4", 509},
                 {"4k3/8/8/8/8/p7/8/5K2 b - - 0 1", BLACK, "a3", -511}};
    for (const auto& c : cases) {
        ASSERT_TRUE(setup(c.fen)) << c.fen;
        EXPECT_EQ(unstoppable_passer(pos, c.colour, sq(c.square)), c.bonus) << c.fen;
    }
    // In the sum; any enemy piece but pawns and king switches it off (knight h1: -1).
    expect_values({{"8/8/8/5k2/P7/8/8/4K3 w - - 0 1", ENDGAME, 509 + 14},
                   {"8/8/8/5k2/P7/8/8/4K2n w - - 0 1", ENDGAME, 14 - 1}});
}

TEST(EvalTerms, CastlingAndDevelopment) {
    // The same squares reached by castling score better than by walking king and rook.
    ASSERT_TRUE(setup("r3k2r/pppq1ppp/2n2n2/2bpp3/2BPP3/2N2N2/PPPQ1PPP/R3K2R w KQkq - 0 1"));
    ASSERT_TRUE(play("e1g1"));
    const int32_t castled = -eval_middlegame(pos);
    ASSERT_TRUE(setup("r3k2r/pppq1ppp/2n2n2/2bpp3/2BPP3/2N2N2/PPPQ1PPP/R4RK1 b kq - 0 1"));
    EXPECT_GT(castled, -eval_middlegame(pos));
    // Moving the queen out first leaves the minor pieces' home squares untouched, which
    // costs once the queen's square has seen a move; the other side is not affected.
    ASSERT_TRUE(setup(start_fen));
    for (const char* m : {"e2e4", "e7e5", "d1h5", "b8c6"}) ASSERT_TRUE(play(m));
    const int32_t early_queen = eval_middlegame(pos);
    ASSERT_TRUE(setup(start_fen));
    for (const char* m : {"e2e4", "e7e5", "f1c4", "b8c6"}) ASSERT_TRUE(play(m));
    const int32_t early_bishop = eval_middlegame(pos);
    ASSERT_TRUE(setup("r1bqkbnr/pppp1ppp/2n5/4p2Q/4P3/8/PPPP1PPP/RNB1KBNR w KQkq - 2 3"));
    EXPECT_LT(early_queen, eval_middlegame(pos)) << "a set-up position has no touched squares";
    EXPECT_NE(early_queen, early_bishop);
}
