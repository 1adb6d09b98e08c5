// Rules are pinned by the perft suite (tests/data/perft.epd); these cases check what counts
// cannot see: the order of moves, the query services and the generators agreeing.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board/make_move.h"
#include "helpers.h"
#include "io/platform.h"
#include "movegen/attacks.h"
#include "movegen/movegen.h"
#include "movegen/notation.h"

namespace {

std::vector<std::string> texts(const ScoredMove* begin, const ScoredMove* end) {
    std::vector<std::string> out;
    for (const ScoredMove* m = begin; m != end; ++m) out.push_back(move_text(m->move));
    return out;
}

} // namespace

TEST(MoveGen, PromotionsQueenRookBishopKnight) {
    ASSERT_TRUE(setup("3r3k/4P3/8/8/8/8/8/K7 w - - 0 1"));
    const std::vector<std::string> expected{"e7e8q", "e7e8r", "e7e8b", "e7e8n",
                                            "e7d8q", "e7d8r", "e7d8b", "e7d8n"};
    ScoredMove list[MAX_MOVES];
    std::vector<std::string> pawn;
    for (const std::string& m : texts(list, gen_moves(game.position, list)))
        if (m.rfind("e7", 0) == 0) pawn.push_back(m);
    EXPECT_EQ(pawn, expected);
    EXPECT_EQ(texts(list, gen_captures(game.position, list)), expected);
}

TEST(MoveGen, QueryServices) {
    // A move is told by from, to, promotion and the castling flag (a Chess960 castling can
    // share its squares with a plain king move).
    ASSERT_TRUE(setup("3r2k1/4P3/8/8/8/8/8/R3K2R w KQ - 0 1"));
    Position& pos = game.position;
    EXPECT_FALSE(is_legal_move(pos, text_to_move(pos, "e7e8")));
    EXPECT_TRUE(is_legal_move(pos, text_to_move(pos, "e7e8n")));
    EXPECT_FALSE(is_legal_move(pos, make_move_word(SQ_E1, SQ_G1)));
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
            int plies = 0;
            for (; plies < 120; ++plies) {
                ScoredMove list[MAX_MOVES], scratch[MAX_MOVES];
                ScoredMove* end = gen_legal(game.position, list);
                ASSERT_EQ(count_legal(game.position, scratch), end - list) << fen;
                if (!game.position.checkers) {
                    std::vector<std::string> expected;
                    for (ScoredMove* m = list; m != end; ++m)
                        if (!move_is_quiet(m->move)) expected.push_back(move_text(m->move));
                    ASSERT_EQ(texts(scratch, gen_captures(game.position, scratch)), expected)
                        << fen << " ply " << plies;
                }
                if (end == list) break;
                ASSERT_TRUE(play(move_text(list[c_rand() % (end - list)].move)));
            }
            ASSERT_TRUE(take_back(game.position, plies));
        }
    }
}
