#include <fstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "game/game.h"
#include "board/history.h"
#include "game/book.h"
#include "test_position.h"

TEST(Position, StartPositionSumsAndLists) {
    ASSERT_TRUE(setup(start_fen));
    const Position& pos = game.position;
    EXPECT_EQ(pos.castling_lost, 0u);
    EXPECT_EQ(pos.ply, 0u);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(pos.material[c], 4112);
        EXPECT_EQ(pos.psq_open[c], 56);
        EXPECT_EQ(pos.psq_end[c], 66);
        EXPECT_EQ(pos.pawn_sq_colour[c][0], 4);
    }
    EXPECT_EQ(pos.officer_count, 14);
    EXPECT_EQ(list_squares(WHITE * 8 + PAWN), (std::vector<int>{80, 81, 82, 83, 84, 85, 86, 87}));
    EXPECT_EQ(list_squares(WHITE * 8 + 7).size(), 15u);
    EXPECT_EQ(list_squares(BLACK * 8).size(), 16u);
}

// The book flag is the new game's (0 only for the exact start text), read with the FEN.
TEST(Position, FenFieldsAndQuirks) {
    const std::string board = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";
    ASSERT_TRUE(setup(start_fen));
    EXPECT_EQ(game.state.book.loaded, 0);
    ASSERT_TRUE(setup(board + " w KQkq - 0 1"));
    EXPECT_EQ(game.position.ply, 1u);
    EXPECT_EQ(game.state.book.loaded, 1);
    ASSERT_TRUE(setup(board + " w Kk - 0 1"));
    EXPECT_EQ(game.position.castling_lost, 10u);
    ASSERT_TRUE(setup("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 12 30"));
    EXPECT_EQ(game.position.ep_square, 100);
    EXPECT_EQ(game.position.fifty, 12);
    EXPECT_EQ(game.position.ply, 30u);
    // No full-move field gives ply 2; a text that stops after the castling field gives
    // ply 0 and leaves the book flag as it was.
    ASSERT_TRUE(setup(board + " w KQkq -"));
    EXPECT_EQ(game.position.ply, 2u);
    ASSERT_TRUE(setup(start_fen));
    ASSERT_TRUE(setup(board + " w KQkq"));
    EXPECT_EQ(game.position.ply, 0u);
    EXPECT_EQ(game.state.book.loaded, 0);
    EXPECT_TRUE(fen_is_well_formed(("  " + board + "  w   KQkq  -  0  1  ").c_str()));
}

TEST(Position, RefusedFensChangeNothing) {
    ASSERT_TRUE(setup("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"));
    const uint64_t key = game.position.key;
    std::ifstream file(std::string(KELVORANTE_TEST_DATA) + "/refused-fens.txt");
    int count = 0;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        const size_t space = line.find(' ');
        const std::string kind = line.substr(0, space);
        const std::string fen = space == std::string::npos ? "" : line.substr(space + 1);
        EXPECT_EQ(fen_is_well_formed(fen.c_str()), kind == "unplayable") << fen;
        EXPECT_FALSE(setup(fen)) << fen;
        EXPECT_EQ(game.position.key, key) << fen;
        ++count;
    }
    EXPECT_GT(count, 20);
}

TEST(Position, HugeFullMoveNumberIsClampedAndLongGamesFit) {
    ASSERT_TRUE(setup("4k3/8/8/8/8/8/8/4K1N1 w - - 0 999999"));
    EXPECT_EQ(game.position.ply, static_cast<uint32_t>(MAX_FEN_PLY));
    // 2,000 plies of knight shuffles after the clamped start still fit the history.
    for (int i = 0; i < 500; ++i)
        for (const char* m : {"g1f3", "e8d8", "f3g1", "d8e8"}) ASSERT_TRUE(play(m));
    EXPECT_EQ(game.position.ply, static_cast<uint32_t>(MAX_FEN_PLY + 2000));
    EXPECT_TRUE(pos_ok(game.position));
}

TEST(Position, SetUpRecordsAtMostTwoCheckers) {
    ASSERT_TRUE(setup("4k3/8/8/8/8/8/8/r3K3 w - - 0 1"));
    EXPECT_EQ(game.position.checkers, 1u);
    EXPECT_EQ(game.position.checker_sq[0], SQ_A1);
    ASSERT_TRUE(setup("7k/8/8/8/8/3n4/8/r3K2r w - - 0 1"));
    EXPECT_EQ(game.position.checkers, 2u);
}

TEST(Position, SecondSetUpStartsFromScratch) {
    ASSERT_TRUE(setup(start_fen));
    for (const char* m : {"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "g8f6", "e1g1"})
        ASSERT_TRUE(play(m));
    EXPECT_EQ(game.position.castled[0], 1);
    ASSERT_TRUE(setup(start_fen));
    EXPECT_EQ(game.position.castled[0], 0);
    EXPECT_EQ(game.position.pawn_sq_colour[0][0], 4);
    for (int s = 0; s < 256; ++s) ASSERT_EQ(game.position.square_touches[s], 0);
    EXPECT_EQ(game.position.history.setup_ply, 0u);
}
