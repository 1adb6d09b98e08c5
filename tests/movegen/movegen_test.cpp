#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board/make_move.h"
#include "movegen/attacks.h"
#include "movegen/movegen.h"
#include "io/platform.h"
#include "movegen/notation.h"
#include "test_position.h"

namespace {

using MoveGen = ScoredMove* (*)(Position&, ScoredMove*);

std::vector<std::string> generate(MoveGen gen) {
    ScoredMove list[MAX_MOVES];
    ScoredMove* end = gen(game_position, list);
    std::vector<std::string> out;
    for (ScoredMove* m = list; m != end; ++m) out.push_back(move_text(m->move));
    return out;
}

std::vector<std::string> legal_moves() { return generate(gen_legal); }

bool contains(const std::vector<std::string>& moves, const std::string& m) {
    return std::find(moves.begin(), moves.end(), m) != moves.end();
}

} // namespace

TEST(MoveGen, StartPositionOrder) {
    ASSERT_TRUE(setup(start_fen));
    EXPECT_EQ(generate(gen_moves),
              (std::vector<std::string>{"b1c3", "b1a3", "g1h3", "g1f3", "a2a3", "a2a4", "b2b3",
                                        "b2b4", "c2c3", "c2c4", "d2d3", "d2d4", "e2e3", "e2e4",
                                        "f2f3", "f2f4", "g2g3", "g2g4", "h2h3", "h2h4"}));
}

TEST(MoveGen, PromotionsQueenRookBishopKnight) {
    ASSERT_TRUE(setup("3r3k/4P3/8/8/8/8/8/K7 w - - 0 1"));
    const std::vector<std::string> expected{"e7e8q", "e7e8r", "e7e8b", "e7e8n",
                                            "e7d8q", "e7d8r", "e7d8b", "e7d8n"};
    std::vector<std::string> pawn;
    for (const std::string& m : generate(gen_moves))
        if (m.rfind("e7", 0) == 0) pawn.push_back(m);
    EXPECT_EQ(pawn, expected);
    EXPECT_EQ(generate(gen_captures), expected);
}

TEST(MoveGen, EnPassantNeverExposesTheKing) {
    // Both pawns leave the king's rank.
    ASSERT_TRUE(setup("8/8/8/K2pP2r/8/8/8/7k w - d6 0 2"));
    EXPECT_FALSE(contains(legal_moves(), "e5d6"));
    // The captured pawn (not the capturing one) shields the king from a bishop.
    ASSERT_TRUE(setup("8/5b2/8/3pP3/8/1K6/8/7k w - d6 0 2"));
    EXPECT_FALSE(contains(legal_moves(), "e5d6"));
    // With nothing behind the pawns the capture is there.
    ASSERT_TRUE(setup("8/8/8/3pP3/8/1K6/8/7k w - d6 0 2"));
    EXPECT_TRUE(contains(legal_moves(), "e5d6"));
}

TEST(MoveGen, EnPassantSquareThatDoesNotFitIsIgnored) {
    // Wrong rank, no enemy pawn behind, the square itself or the one the pawn came from
    // occupied: never a capture, and
    // making the legal moves never creates or destroys a piece.
    const char* fens[] = {
        "4k3/8/8/3pP3/8/8/8/4K3 w - d5 0 2",   // square occupied by the pawn itself
        "4k3/8/8/4P3/8/8/8/4K3 w - d6 0 2",    // no pawn behind
        "4k3/8/3n4/3pP3/8/8/8/4K3 w - d6 0 2", // occupied target square
        "4k3/8/8/8/8/3N4/3pP3/4K3 w - d3 0 2", // wrong rank for White
        "4k3/4n3/8/3Pp3/8/8/8/4K3 w - e6 0 1", // the pawn's origin square is occupied
        "7k/4n3/8/3Pp3/5K2/8/8/8 w - e6 0 1",  // the same, with the pawn giving check
    };
    for (const char* fen : fens) {
        ASSERT_TRUE(setup(fen)) << fen;
        ScoredMove list[MAX_MOVES];
        ScoredMove* end = gen_legal(game_position, list);
        for (ScoredMove* e = list; e != end; ++e) {
            EXPECT_FALSE(move_is_ep(e->move)) << fen << " " << move_text(e->move);
            Undo undo;
            make_move(game_position, e->move, undo);
            EXPECT_TRUE(pos_ok(game_position)) << fen << " " << move_text(e->move);
            unmake_move(game_position, e->move, undo);
        }
    }
}

TEST(MoveGen, CastlingRules) {
    // Through an attacked f-square: no; only b1 attacked: queen side is fine.
    ASSERT_TRUE(setup("5rk1/8/8/8/8/8/8/R3K2R w KQ - 0 1"));
    auto moves = legal_moves();
    EXPECT_FALSE(contains(moves, "e1g1"));
    EXPECT_TRUE(contains(moves, "e1c1"));
    ASSERT_TRUE(setup("1r4k1/8/8/8/8/8/8/R3K2R w KQ - 0 1"));
    EXPECT_TRUE(contains(legal_moves(), "e1c1"));
    ASSERT_TRUE(setup("3r2k1/8/8/8/8/8/8/R3K2R w KQ - 0 1"));
    EXPECT_FALSE(contains(legal_moves(), "e1c1"));
    // Rights that do not fit the board: the king is not on e1, or the rook is missing.
    ASSERT_TRUE(setup("6k1/8/8/8/8/8/8/R2K3R w KQ - 0 1"));
    moves = legal_moves();
    for (const auto& m : moves)
        EXPECT_FALSE(move_is_castle(text_to_move(game_position, m.c_str()))) << m;
    ASSERT_TRUE(setup("7k/8/8/8/8/8/8/4K3 w KQ - 0 1"));
    EXPECT_FALSE(contains(legal_moves(), "e1g1"));
}

TEST(MoveGen, DoubleCheckAndMate) {
    ASSERT_TRUE(setup("6rk/5Npp/8/8/8/8/8/6K1 b - - 0 1"));
    EXPECT_TRUE(no_legal_move(game_position));
    EXPECT_NE(game_position.checkers, 0u);
    ASSERT_TRUE(setup("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"));
    EXPECT_TRUE(no_legal_move(game_position));
    EXPECT_EQ(game_position.checkers, 0u);
    // Double check by knight and bishop: only the king may move.
    ASSERT_TRUE(setup("r3k3/8/3N4/8/B7/8/8/5K2 b q - 0 1"));
    EXPECT_EQ(game_position.checkers, 2u);
    for (const auto& m : legal_moves()) EXPECT_EQ(m.substr(0, 2), "e8");
}

TEST(MoveGen, LegalityServiceMatchesTypedMoves) {
    ASSERT_TRUE(setup("3r2k1/4P3/8/8/8/8/8/R3K2R w KQ - 0 1"));
    Position& pos = game_position;
    EXPECT_FALSE(is_legal_move(pos, text_to_move(pos, "e7e8")));
    EXPECT_TRUE(is_legal_move(pos, text_to_move(pos, "e7e8n")));
    EXPECT_TRUE(is_legal_move(pos, make_move_word(SQ_E1, SQ_G1)));               // without the flag
    EXPECT_TRUE(is_legal_move(pos, make_move_word(SQ_E1, SQ_G1) | MOVE_CASTLE)); // with it
    EXPECT_FALSE(is_legal_move(pos, 0));
    // The position with 218 legal moves fits every list.
    ASSERT_TRUE(setup("R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1"));
    EXPECT_EQ(legal_moves().size(), 218u);
    EXPECT_TRUE(is_legal_move(pos, text_to_move(pos, "a8b8")));
    EXPECT_FALSE(no_legal_move(pos));
}

TEST(Attacks, PinsChecksAndAttackers) {
    // A pinned bishop may move along the pin, toward or onto the pinner, not off it.
    ASSERT_TRUE(setup("7k/8/8/8/1b6/8/3B4/4K3 w - - 0 1"));
    auto moves = legal_moves();
    EXPECT_TRUE(contains(moves, "d2c3"));
    EXPECT_TRUE(contains(moves, "d2b4"));
    EXPECT_FALSE(contains(moves, "d2e3"));
    // A pinned knight cannot move at all.
    ASSERT_TRUE(setup("7k/8/8/8/1b6/8/3N4/4K3 w - - 0 1"));
    for (const auto& m : legal_moves()) EXPECT_NE(m.substr(0, 2), "d2");
    // A piece between its king and a bishop on the same rank is not pinned.
    ASSERT_TRUE(setup("7k/8/8/8/8/8/8/1b1NK3 w - - 0 1"));
    EXPECT_TRUE(contains(legal_moves(), "d1c3"));
    // A rook checking along a rank: the king may not step away along that rank.
    ASSERT_TRUE(setup("7k/8/8/8/8/8/8/r3K3 w - - 0 1"));
    moves = legal_moves();
    EXPECT_FALSE(contains(moves, "e1f1"));
    EXPECT_TRUE(contains(moves, "e1e2"));
    // first_attacker follows list order: the knight on c3 comes before the rook on d8.
    ASSERT_TRUE(setup("3r3k/8/8/8/8/2n5/8/R3K3 w - - 0 1"));
    EXPECT_EQ(first_attacker(game_position, make_square(3, 4), BLACK), make_square(2, 2));
    EXPECT_EQ(first_attacker(game_position, make_square(3, 6), BLACK), make_square(3, 7));
    EXPECT_EQ(first_attacker(game_position, make_square(4, 4), BLACK), 0);
}

TEST(Attacks, CheckersAfterMoves) {
    // Direct and discovered check at once: two checkers, the moved piece first.
    ASSERT_TRUE(setup("4k3/8/8/8/8/8/4N3/4R1K1 w - - 0 1"));
    ASSERT_TRUE(setup("4k3/8/8/8/8/8/4N3/4R1K1 w - - 0 1"));
    ASSERT_TRUE(setup("4k3/8/8/8/8/8/4B3/4R1K1 w - - 0 1"));
    ASSERT_TRUE(play("e2b5"));
    EXPECT_EQ(game_position.checkers, 2u);
    EXPECT_EQ(game_position.checker_sq[0], make_square(1, 4));
    EXPECT_EQ(game_position.checker_sq[1], SQ_E1);
    // Castling where the rook gives check.
    ASSERT_TRUE(setup("5k2/8/8/8/8/8/8/4K2R w K - 0 1"));
    ASSERT_TRUE(play("e1g1"));
    EXPECT_EQ(game_position.checkers, 1u);
    EXPECT_EQ(game_position.checker_sq[0], SQ_F1);
    compute_checkers(game_position, MOVE_NONE);
    EXPECT_EQ(game_position.checkers, 0u);
}

// The three ways of asking for moves agree in every position of random games from the perft
// suite: the count equals the list, and the capture generator gives exactly the captures and
// promotions of the full list, in the same order.
TEST(MoveGen, CountAndCapturesAgreeWithTheFullList) {
    c_srand(777);
    int positions = 0;
    for (const std::string& line : perft_suite_fens()) {
        ASSERT_TRUE(setup(line));
        for (int game = 0; game < 4; ++game) {
            std::vector<Move> moves;
            std::vector<Undo> undos(120);
            for (int ply = 0; ply < 120; ++ply) {
                ScoredMove list[MAX_MOVES], scratch[MAX_MOVES];
                ScoredMove* end = gen_legal(game_position, list);
                ASSERT_EQ(count_legal(game_position, scratch), end - list)
                    << line << " ply " << ply;
                if (!game_position.checkers) {
                    std::vector<Move> expected;
                    for (ScoredMove* m = list; m != end; ++m)
                        if (!move_is_quiet(m->move)) expected.push_back(m->move);
                    ScoredMove* c_end = gen_captures(game_position, scratch);
                    ASSERT_EQ(std::vector<Move>(expected),
                              [&] {
                                  std::vector<Move> got;
                                  for (ScoredMove* m = scratch; m != c_end; ++m)
                                      got.push_back(m->move);
                                  return got;
                              }())
                        << line << " ply " << ply;
                }
                ++positions;
                if (end == list) break;
                const Move m = list[c_rand() % (end - list)].move;
                make_move(game_position, m, undos[moves.size()]);
                moves.push_back(m);
            }
            for (size_t i = moves.size(); i-- > 0;) unmake_move(game_position, moves[i], undos[i]);
        }
    }
    EXPECT_GT(positions, 53 * 4 * 50);
}
