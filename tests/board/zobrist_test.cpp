#include <gtest/gtest.h>

#include "board/zobrist.h"
#include "test_position.h"

// The keys are part of the engine's identity: the opening book and any stored key depend on
// them. Pinned by positions that use every kind of key: pieces, side, castling rights and
// an en-passant square.
TEST(Zobrist, KeysAreThoseOfEveryEarlierBuild) {
    ASSERT_TRUE(setup(start_fen));
    EXPECT_EQ(game.position.key, 0xF696904E500D311Dull);
    EXPECT_EQ(game.position.pawn_key, 0x657C84F99EF3740Eull);
    ASSERT_TRUE(setup("rnbqkbnr/ppp1pppp/8/8/3pP3/8/PPPP1PPP/RNBQKBNR b Kq e3 0 3"));
    EXPECT_EQ(game.position.key, 0x19A89D5F6A2E0BE4ull);
    EXPECT_EQ(game.position.pawn_key, 0x271981A1E14AE53Cull);
    ASSERT_TRUE(setup("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"));
    EXPECT_EQ(game.position.key, 0x7B34C2727F4E5E19ull);
}
