#include <string>

#include <gtest/gtest.h>

#include "movegen/notation.h"
#include "test_position.h"

TEST(Notation, Squares) {
    EXPECT_EQ(text_to_square("a1"), 64);
    EXPECT_EQ(text_to_square("h8"), 183);
    for (const char* bad : {"i1", "a9", "A1", "a0", "", "a"})
        EXPECT_EQ(text_to_square(bad), -1) << bad;
    char out[3] = {};
    square_to_text('1', '4', out); // the digit pair rank 1, file 4 is e2
    EXPECT_STREQ(out, "e2");
}

TEST(Notation, TextToMoveFlagsFromTheBoard) {
    ASSERT_TRUE(setup("r5k1/4P3/8/3pP3/8/8/4P3/4K2R w K - 0 1"));
    const Position& pos = game.position;
    EXPECT_EQ(text_to_move(pos, "e1g1"), make_move_word(SQ_E1, SQ_G1) | MOVE_CASTLE);
    EXPECT_EQ(text_to_move(pos, "e2e4"), make_move_word(84, 116));
    // A diagonal pawn move onto an empty square is en passant even without an ep square.
    EXPECT_EQ(text_to_move(pos, "e5f6"), make_move_word(132, 149, PAWN) | MOVE_EP);
    EXPECT_EQ(text_to_move(pos, "e7e8q"), make_move_word(164, 180, 0, QUEEN));
    EXPECT_EQ(text_to_move(pos, "e7e8Q"), make_move_word(164, 180));
    EXPECT_EQ(text_to_move(pos, "e5d6"), make_move_word(132, 147, PAWN) | MOVE_EP);
    ASSERT_TRUE(setup("r5k1/3P4/8/8/8/8/8/4K3 w - - 0 1"));
    EXPECT_EQ(text_to_move(game.position, "d7a8"), make_move_word(163, 176, ROOK));
    // Unreadable text matches no legal move.
    EXPECT_EQ(text_to_move(game.position, "z9z9"), MOVE_NONE);
    EXPECT_EQ(text_to_move(game.position, "e1"), MOVE_NONE);
}

TEST(Notation, MoveToText) {
    char out[6] = {};
    move_to_text(make_move_word(164, 180, 0, QUEEN), out);
    EXPECT_STREQ(out, "e7e8");
    move_to_text(MOVE_NONE, out);
    EXPECT_STREQ(out, "a-a-");
    char digits[5] = {};
    text_to_book_digits("e2e4", digits);
    EXPECT_STREQ(digits, "1434");
}
