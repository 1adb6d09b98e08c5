#include <gtest/gtest.h>

#include "board/history.h"
#include "board/make_move.h"
#include "test_position.h"

TEST(History, ThreefoldAtGameLevelAndOnceInsideTheSearch) {
    ASSERT_TRUE(setup(start_fen));
    for (const char* m : {"g1f3", "g8f6", "f3g1", "f6g8"}) ASSERT_TRUE(play(m));
    EXPECT_FALSE(is_repetition(game.position, 0)); // second occurrence only
    // Seen from a search rooted four plies back, one return is already a draw.
    EXPECT_TRUE(is_repetition(game.position, 4));
    for (const char* m : {"g1f3", "g8f6", "f3g1", "f6g8"}) ASSERT_TRUE(play(m));
    EXPECT_TRUE(is_repetition(game.position, 0));
}

TEST(History, NullMoveRecordsMoveZeroAndIsUndone) {
    ASSERT_TRUE(setup("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"));
    const Position before = game.position;
    Undo undo;
    make_null_move(game.position, undo);
    EXPECT_EQ(game.position.ep_square, 0);
    EXPECT_EQ(game.position.ply, before.ply + 1);
    EXPECT_EQ(game.position.history.entry[before.ply].move, MOVE_NONE);
    EXPECT_EQ(game.position.history.entry[game.position.ply].key, game.position.key);
    unmake_null_move(game.position, undo);
    EXPECT_EQ(game.position.ep_square, before.ep_square);
    EXPECT_EQ(game.position.key, before.key);
    EXPECT_EQ(game.position.pawn_key, before.pawn_key);
    EXPECT_EQ(game.position.history.entry[before.ply + 1].key, 0u);
}
