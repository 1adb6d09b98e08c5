// Rules are pinned by the perft suite (tests/data/perft.epd); these cases check what counts
// cannot see: the order of moves, the query services and the generators agreeing.
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

std::vector<std::string> generate(ScoredMove* (*gen)(Position&, ScoredMove*)) {
    ScoredMove list[MAX_MOVES];
    ScoredMove* end = gen(game.position, list);
    std::vector<std::string> out;
    for (ScoredMove* m = list; m != end; ++m) out.push_back(move_text(m->move));
    return out;
}

std::vector<Move> words(const ScoredMove* begin, const ScoredMove* end) {
    std::vector<Move> out;
    for (const ScoredMove* m = begin; m != end; ++m) out.push_back(m->move);
    return out;
}

} // namespace

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

TEST(MoveGen, QueryServices) {
    ASSERT_TRUE(setup("6rk/5Npp/8/8/8/8/8/6K1 b - - 0 1"));
    EXPECT_TRUE(no_legal_move(game.position));
    EXPECT_NE(game.position.checkers, 0u); // mate
    ASSERT_TRUE(setup("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"));
    EXPECT_TRUE(no_legal_move(game.position));
    EXPECT_EQ(game.position.checkers, 0u); // stalemate

    // A typed move carries from, to and promotion only.
    ASSERT_TRUE(setup("3r2k1/4P3/8/8/8/8/8/R3K2R w KQ - 0 1"));
    Position& pos = game.position;
    EXPECT_FALSE(no_legal_move(pos));
    EXPECT_FALSE(is_legal_move(pos, text_to_move(pos, "e7e8")));
    EXPECT_TRUE(is_legal_move(pos, text_to_move(pos, "e7e8n")));
    EXPECT_TRUE(is_legal_move(pos, make_move_word(SQ_E1, SQ_G1)));
    EXPECT_TRUE(is_legal_move(pos, make_move_word(SQ_E1, SQ_G1) | MOVE_CASTLE));
    EXPECT_FALSE(is_legal_move(pos, 0));

    // first_attacker follows list order: the knight on c3 comes before the rook on d8.
    ASSERT_TRUE(setup("3r3k/8/8/8/8/2n5/8/R3K3 w - - 0 1"));
    EXPECT_EQ(first_attacker(pos, make_square(3, 4), BLACK), make_square(2, 2));
    EXPECT_EQ(first_attacker(pos, make_square(3, 6), BLACK), make_square(3, 7));
    EXPECT_EQ(first_attacker(pos, make_square(4, 4), BLACK), 0);
}

// In every position of random games from the perft suite: the count equals the list, and the
// capture generator gives exactly the captures and promotions of the full list in the same
// order.
TEST(MoveGen, CountAndCapturesAgreeWithTheFullList) {
    c_srand(777);
    for (const std::string& fen : perft_suite_fens()) {
        ASSERT_TRUE(setup(fen));
        for (int round = 0; round < 4; ++round) {
            std::vector<Move> moves;
            std::vector<Undo> undos(120);
            for (int ply = 0; ply < 120; ++ply) {
                ScoredMove list[MAX_MOVES], scratch[MAX_MOVES];
                ScoredMove* end = gen_legal(game.position, list);
                ASSERT_EQ(count_legal(game.position, scratch), end - list) << fen << " " << ply;
                if (!game.position.checkers) {
                    std::vector<Move> expected;
                    for (ScoredMove* m = list; m != end; ++m)
                        if (!move_is_quiet(m->move)) expected.push_back(m->move);
                    ASSERT_EQ(words(scratch, gen_captures(game.position, scratch)), expected)
                        << fen << " ply " << ply;
                }
                if (end == list) break;
                const Move m = list[c_rand() % (end - list)].move;
                make_move(game.position, m, undos[moves.size()]);
                moves.push_back(m);
            }
            for (size_t i = moves.size(); i-- > 0;) unmake_move(game.position, moves[i], undos[i]);
        }
    }
}
