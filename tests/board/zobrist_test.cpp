#include <gtest/gtest.h>

#include "board/make_move.h"
#include "board/zobrist.h"
#include "io/platform.h"
#include "test_position.h"

TEST(Zobrist, GeneratorAndKeysAreTheSameInEveryRun) {
    c_srand(1);
    const int first[5] = {41, 18467, 6334, 26500, 19169};
    for (int expected : first) EXPECT_EQ(c_rand(), expected);
    c_srand(1);
    init_zobrist_keys();
    EXPECT_EQ(piece_square_keys[0][0], 0x9904662FB3C24AE1ull);

    ASSERT_TRUE(setup(start_fen));
    EXPECT_EQ(game_position.key, 0xF696904E500D311Dull);
    EXPECT_EQ(game_position.pawn_key, 0x657C84F99EF3740Eull);
    ASSERT_TRUE(play("e2e4"));
    EXPECT_EQ(game_position.key, 0x75D8424E2C5E1ECEull);
    EXPECT_EQ(game_position.key, compute_key(game_position));
    EXPECT_EQ(game_position.ep_square, 100);
}
