// Positional terms checked on small positions whose other terms are known; each expected
// figure is worked out by hand in the comment beside it.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/position.h"
#include "eval/terms.h"
#include "test_position.h"

namespace {

Position& pos = game_position;

int32_t middlegame(const std::string& fen) {
    EXPECT_TRUE(setup(fen)) << fen;
    return eval_middlegame(pos);
}

int32_t endgame(const std::string& fen) {
    EXPECT_TRUE(setup(fen)) << fen;
    return eval_endgame(pos);
}

// Pawn-structure score with the middle-game and the endgame weights.
void expect_structure(const std::string& fen, int32_t middlegame, int32_t endgame) {
    uint8_t passed[PASSED_LIST_SIZE];
    ASSERT_TRUE(setup(fen)) << fen;
    EXPECT_EQ(pawn_structure(pos, MIDDLEGAME, passed), middlegame) << fen;
    EXPECT_EQ(pawn_structure(pos, ENDGAME, passed), endgame) << fen;
}

int sq(const char* name) {
    return make_square(name[0] - 'a', name[1] - '1');
}

} // namespace

TEST(EvalMobility, CountsEmptySquaresThatNoEnemyPawnAttacks) {
    ASSERT_TRUE(setup("4k3/8/8/8/8/8/8/N3K3 w - - 0 1"));
    EXPECT_EQ(mobility_count(pos, WHITE, sq("a1"), false), 2); // b3, c2
    EXPECT_EQ(eval_endgame(pos), 1);                           // the knight's value for 2

    // A black pawn on a4 guards b3; an own piece on c2 takes that square away too.
    ASSERT_TRUE(setup("4k3/8/8/8/p7/8/2P5/N3K3 w - - 0 1"));
    EXPECT_EQ(mobility_count(pos, WHITE, sq("a1"), false), 0);

    // A rook walks until blocked; the capture on a5 and the squares beyond do not count.
    ASSERT_TRUE(setup("4k3/8/8/n7/8/8/8/R3K3 w - - 0 1"));
    EXPECT_EQ(mobility_count(pos, WHITE, sq("a1"), true), 6); // a2-a4, b1-d1

    // For Black the guarding pawn stands below: a white pawn on e3 guards d4.
    ASSERT_TRUE(setup("4k3/8/2n5/8/8/4P3/8/4K3 w - - 0 1"));
    EXPECT_EQ(mobility_count(pos, BLACK, sq("c6"), false), 7);
}

TEST(EvalMobility, TablesReachTheLargestCounts) {
    // A free rook has 14 squares: the endgame value is 36, as for 13.
    EXPECT_EQ(endgame("k7/8/8/8/3R4/8/8/7K w - - 0 1"), 36);
    // A free queen on d4 has 27 squares: 19 in the endgame, 10 in the middle game, where
    // it also presses on the black king once (c5-b6-a7) for 2 more.
    EXPECT_EQ(endgame("k7/8/8/8/3Q4/8/8/7K w - - 0 1"), 19);
    EXPECT_EQ(middlegame("k7/8/8/8/3Q4/8/8/7K w - - 0 1"), 12);
}

TEST(EvalRooks, FileTermsAndRooksSeeingEachOther) {
    // The corner knights cancel (each has two squares). Rook d4: open file 20, no pawns
    // (4 - 0) * 15 = 60, 14 squares 14.
    EXPECT_EQ(middlegame("n3k2n/8/8/8/3R4/8/8/N3K2N w - - 0 1"), 94);
    // A black pawn on d7 halves the file bonus; the rook keeps 12 squares (13); the pawn
    // itself scores 20 passed - 8 - 8 isolated for Black.
    EXPECT_EQ(middlegame("n3k2n/3p4/8/8/3R4/8/8/N3K2N w - - 0 1"), 10 + 60 + 13 - 4);
    // Two rooks on the open d-file: 20 + 60 + 12 (10 squares) each, and 10 once because
    // only the lower rook looks up the file.
    EXPECT_EQ(middlegame("n3k2n/8/8/3R4/3R4/8/8/N3K2N w - - 0 1"), 2 * (20 + 60 + 12) + 10);
    // Two rooks on one rank: only the left one looks toward the h-file. Each has 11
    // squares (13).
    EXPECT_EQ(middlegame("n3k2n/8/8/8/2R2R2/8/8/N3K2N w - - 0 1"), 2 * (20 + 60 + 13) + 10);
}

TEST(EvalRooks, PawnCountFactor) {
    // All sixteen pawns on their home squares: the rook on d4 has d5, d3 and the rank
    // (9 squares, 11) and (4 - 8) * 15 = -60; everything else cancels.
    EXPECT_EQ(middlegame("n3k2n/pppppppp/8/8/3R4/8/PPPPPPPP/N3K2N w - - 0 1"), 11 - 60);
}

TEST(EvalRooks, SeventhRankTableIsBounded) {
    // Ten rooks on the seventh and eighth ranks count as nine (150). Mobility:
    // a8-d8 -13 each, e8 3 squares (3), a7 5 (13), b7-d7 6 (18 each), e7 9 (31).
    EXPECT_EQ(endgame("RRRRR3/RRRRR3/8/7k/8/8/8/K7 w - - 0 1"),
              150 - 4 * 13 + 3 + 13 + 3 * 18 + 31);
    // Two rooks on the seventh: 100; a7 has 7 squares (23), b7 13 (36).
    EXPECT_EQ(endgame("4k3/RR6/8/8/8/8/8/4K3 b - - 0 1"), -(100 + 23 + 36));
}

TEST(EvalBishops, TrapsAndBlockedCentrePawns) {
    ASSERT_TRUE(setup("4k3/8/8/8/8/3B4/3P4/4K3 w - - 0 1"));
    EXPECT_EQ(bishop_trap(pos, sq("d3"), BISHOP, WHITE), -90);
    ASSERT_TRUE(setup("4k3/4p3/4b3/8/8/8/8/4K3 w - - 0 1"));
    EXPECT_EQ(bishop_trap(pos, sq("e6"), BISHOP, BLACK), 90);

    // a7 behind b6, the pawn guarded by c7 and b8 by the king: trapped.
    ASSERT_TRUE(setup("2k5/B1p5/1p6/8/8/8/8/4K3 w - - 0 1"));
    EXPECT_EQ(bishop_trap(pos, sq("a7"), BISHOP, WHITE), -50);
    // Without the guard on b6 the bishop can take its way out.
    ASSERT_TRUE(setup("2k5/B7/1p6/8/8/8/8/4K3 w - - 0 1"));
    EXPECT_EQ(bishop_trap(pos, sq("a7"), BISHOP, WHITE), 0);
    ASSERT_TRUE(setup("5k2/5p1B/6p1/8/8/8/8/4K3 w - - 0 1"));
    EXPECT_EQ(bishop_trap(pos, sq("h7"), BISHOP, WHITE), -50);
    ASSERT_TRUE(setup("4k3/8/8/8/8/6P1/5P1b/5K2 b - - 0 1"));
    EXPECT_EQ(bishop_trap(pos, sq("h2"), BISHOP, BLACK), 50);
}

TEST(EvalBishops, BadBishopAndPair) {
    // Five pawns, four on light squares: the bishop on h1 (light) is bad, the one on a1
    // is not; both have no square to go to, and nothing else differs.
    const int32_t dark = middlegame("nn2k1nn/8/8/8/8/5P2/1PP1P1P1/B3K3 w - - 0 1");
    const int32_t light = middlegame("nn2k1nn/8/8/8/8/5P2/1PP1P1P1/4K2B w - - 0 1");
    EXPECT_EQ(dark - light, 5);
    // Two shut-in bishops (-13 each) form a pair (+20); the pawns b2 and g2 are isolated
    // passers (-18 - 5 + 9 each).
    EXPECT_EQ(endgame("4k3/8/8/8/8/8/1P4P1/B3K2B w - - 0 1"), -26 + 20 - 28);
}

TEST(EvalKing, PressureWalksEveryPieceOverEmptySquares) {
    // Knights walk their jump again and again: a1-c2-e3 comes next to e4.
    ASSERT_TRUE(setup("k7/8/8/8/4K3/8/8/n7 w - - 0 1"));
    EXPECT_EQ(king_pressure(pos, WHITE), -2);
    // Pawns walk their capture steps: h7-g6-f5.
    ASSERT_TRUE(setup("k7/7p/8/8/4K3/8/8/8 w - - 0 1"));
    EXPECT_EQ(king_pressure(pos, WHITE), -2);
    // One count per step however many squares next to the king it passes (d5, e5, f5).
    ASSERT_TRUE(setup("k7/8/8/r7/4K3/8/8/8 w - - 0 1"));
    EXPECT_EQ(king_pressure(pos, WHITE), -2);
    // The square that stops a walk is not looked at: the knight on d3 ends a3-b3-c3.
    ASSERT_TRUE(setup("k7/8/8/8/4K3/r2N4/8/8 w - - 0 1"));
    EXPECT_EQ(king_pressure(pos, WHITE), 0);
    // Against Black's king the sign turns: the queen's c5-b6-a7 walk.
    ASSERT_TRUE(setup("k7/8/8/8/3Q4/8/8/7K w - - 0 1"));
    EXPECT_EQ(king_pressure(pos, BLACK), 2);
}

TEST(EvalKing, PressureIsCappedAtFifteen) {
    // Queens on the eight knight squares around e4 reach two squares next to the king
    // each (and give no check): 16 steps count, capped at 15.
    ASSERT_TRUE(setup("k7/8/3q1q2/2q3q1/4K3/2q3q1/3q1q2/8 w - - 0 1"));
    EXPECT_EQ(king_pressure(pos, WHITE), -30);
    // Seven of them: 14.
    ASSERT_TRUE(setup("k7/8/3q1q2/2q3q1/4K3/2q3q1/3q4/8 w - - 0 1"));
    EXPECT_EQ(king_pressure(pos, WHITE), -28);
}

TEST(EvalKing, CastlingAndDevelopment) {
    ASSERT_TRUE(setup(start_fen));
    EXPECT_EQ(eval_middlegame(pos), 0);
    pos.castled[WHITE] = 1;
    EXPECT_EQ(eval_middlegame(pos), 12);
    pos.castled[BLACK] = 1;
    EXPECT_EQ(eval_middlegame(pos), 0);

    // Once d1 has seen a move, each untouched b1, c1, f1, g1 costs 10.
    ASSERT_TRUE(setup(start_fen));
    square_touches[SQ_D1] = 1;
    EXPECT_EQ(eval_middlegame(pos), -40);
    square_touches[SQ_G1] = 1;
    EXPECT_EQ(eval_middlegame(pos), -30);
    square_touches[SQ_D8] = 1;
    EXPECT_EQ(eval_middlegame(pos), 10);
    std::memset(square_touches, 0, sizeof square_touches);
}

TEST(EvalPawns, BlockedPawns) {
    // e2 stands before its own king: -7; the pawn is an isolated passer.
    EXPECT_EQ(endgame("4k3/8/8/8/8/4K3/4P3/8 w - - 0 1"), -7 + (-18 - 5 + 9));
    EXPECT_EQ(middlegame("4k3/8/8/8/8/4K3/4P3/8 w - - 0 1"), -7 + (-8 - 8 + 20));
}

TEST(EvalPawns, DoubledAndTripled) {
    // The b- and c-pawns face each other's pawns and support each other: only the
    // doubling costs.
    expect_structure("4k3/1pp5/8/8/8/2P5/1PP5/4K3 w - - 0 1", -8, -15);
    expect_structure("4k3/1pp5/8/8/2P5/2P5/1PP5/4K3 w - - 0 1", -16, -30);
}

TEST(EvalPawns, Isolated) {
    // a2 is isolated with a7 ahead; Black's a7 and b7 are sound.
    expect_structure("4k3/pp6/8/8/8/8/P7/4K3 w - - 0 1", -8, -18);
    // a2 and d2 isolated on files without enemy pawns, held back by b7 and c7.
    expect_structure("4k3/1pp5/8/8/8/8/P2P4/4K3 w - - 0 1", -32, -46);
    // The h-file pawn's right-hand neighbour is off the board.
    expect_structure("4k3/6pp/8/8/8/8/7P/4K3 w - - 0 1", -8, -18);
}

TEST(EvalPawns, Backward) {
    // d3 lags behind c4 with d5 ahead (-5); Black's d5 is isolated (+8 for White).
    expect_structure("4k3/8/8/3p4/2P5/3P4/8/4K3 w - - 0 1", -5 + 8, -10 + 18);
    // On a file without enemy pawns d3 costs a further 4 (3). b5 and e5 are isolated on
    // open files (+16 each, +23 each in the endgame).
    expect_structure("4k3/8/8/1p2p3/2P5/3P4/8/4K3 w - - 0 1", -9 + 32, -13 + 46);
}

TEST(EvalPawns, PassedPawnsAndTheirList) {
    // A lone passer on b7 is isolated: 50 - 8 - 8, endgame 154 - 18 - 5.
    expect_structure("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1", 34, 131);
    // With a neighbour each earns 50 + 10, endgame 154 + 20.
    expect_structure("4k3/PP6/8/8/8/8/8/4K3 w - - 0 1", 120, 348);

    ASSERT_TRUE(setup("4k3/8/5p2/8/7P/8/P7/4K3 w - - 0 1"));
    uint8_t passed[PASSED_LIST_SIZE];
    std::memset(passed, 0xff, sizeof passed);
    pawn_structure(pos, MIDDLEGAME, passed);
    EXPECT_EQ(passed[0], sq("a2")); // White's first, in list order
    EXPECT_EQ(passed[1], sq("h4"));
    EXPECT_EQ(passed[2], sq("f6"));
    for (int i = 3; i < PASSED_LIST_SIZE; ++i) EXPECT_EQ(passed[i], 0);
}

TEST(EvalPassers, RookBehindAndUnstoppable) {
    // Rook a1 behind the a2 passer: +10; the rook has 3 squares (3); the pawn scores
    // -18 - 5 + 9. The black king on e8 is near enough to a8.
    EXPECT_EQ(endgame("4k3/8/8/8/8/8/P7/R3K3 w - - 0 1"), 10 + 3 - 14);

    // Pawn a4 needs 4 moves, the king on f5 is 5 away from a8.
    ASSERT_TRUE(setup("8/8/8/5k2/P7/8/8/4K3 w - - 0 1"));
    EXPECT_EQ(unstoppable_passer(pos, WHITE, sq("a4")), 509);
    EXPECT_EQ(eval_endgame(pos), 509 + (-18 - 5 + 37));
    ASSERT_TRUE(setup("8/8/8/5k2/P7/8/8/4K3 b - - 0 1"));
    EXPECT_EQ(unstoppable_passer(pos, WHITE, sq("a4")), 0);
    EXPECT_EQ(eval_endgame(pos), -(-18 - 5 + 37));
    // Two moves ahead the side to move does not matter.
    ASSERT_TRUE(setup("8/8/8/6k1/P7/8/8/4K3 b - - 0 1"));
    EXPECT_EQ(unstoppable_passer(pos, WHITE, sq("a4")), 509);
    // Black's pawn: negative, relative rank counted from Black's side.
    ASSERT_TRUE(setup("4k3/8/8/8/8/p7/8/5K2 b - - 0 1"));
    EXPECT_EQ(unstoppable_passer(pos, BLACK, sq("a3")), -511);
    // Any enemy piece other than pawns and king switches the bonus off (the knight on h1
    // has two squares, -1).
    EXPECT_EQ(endgame("8/8/8/5k2/P7/8/8/4K2n w - - 0 1"), (-18 - 5 + 37) - 1);
}
