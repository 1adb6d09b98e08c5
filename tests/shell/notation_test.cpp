// Moves read from coordinate text take their kind from the board they are played on.
#include <gtest/gtest.h>

#include "helpers.h"
#include "movegen/notation.h"

TEST(Notation, TextToMoveFlagsFromTheBoard) {
    for (const char* bad : {"i1", "a9", "A1", "a0", "", "a"})
        EXPECT_EQ(text_to_square(bad), -1) << bad;
    ASSERT_TRUE(setup("r5k1/4P3/8/3pP3/8/8/4P3/4K2R w K - 0 1"));
    const Position& pos = game.position;
    const auto sq = text_to_square;
    EXPECT_EQ(text_to_move(pos, "e1g1"), make_move_word(SQ_E1, SQ_G1) | MOVE_CASTLE);
    EXPECT_EQ(text_to_move(pos, "e2e4"), make_move_word(sq("e2"), sq("e4")));
    // A diagonal pawn move onto an empty square is en passant even without an ep square.
    EXPECT_EQ(text_to_move(pos, "e5f6"), make_move_word(sq("e5"), sq("f6"), PAWN) | MOVE_EP);
    EXPECT_EQ(text_to_move(pos, "e5d6"), make_move_word(sq("e5"), sq("d6"), PAWN) | MOVE_EP);
    // Only a lower-case letter promotes.
    EXPECT_EQ(text_to_move(pos, "e7e8q"), make_move_word(sq("e7"), sq("e8"), 0, QUEEN));
    EXPECT_EQ(text_to_move(pos, "e7e8Q"), make_move_word(sq("e7"), sq("e8")));
    ASSERT_TRUE(setup("r5k1/3P4/8/8/8/8/8/4K3 w - - 0 1"));
    EXPECT_EQ(text_to_move(game.position, "d7a8"), make_move_word(sq("d7"), sq("a8"), ROOK));
    // Unreadable text matches no legal move.
    EXPECT_EQ(text_to_move(game.position, "z9z9"), MOVE_NONE);
    EXPECT_EQ(text_to_move(game.position, "e1"), MOVE_NONE);
}
