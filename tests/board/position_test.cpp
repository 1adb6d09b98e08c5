// Setting up a position from FEN text: the fields the engine reads from it, the texts it
// refuses, and a set-up that owes nothing to the game before it.
#include <string>

#include <gtest/gtest.h>

#include "game/book.h"
#include "game/game.h"
#include "helpers.h"

// The book flag is the new game's (0 only for the exact start text), read with the FEN.
TEST(Position, FenFieldsAndQuirks) {
    const std::string board = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";
    ASSERT_TRUE(setup(start_fen));
    EXPECT_EQ(game.state.book.loaded, 0);
    ASSERT_TRUE(setup(board + " w KQkq - 0 1"));
    EXPECT_EQ(game.position.ply, 1u);
    EXPECT_EQ(game.state.book.loaded, 1);
    ASSERT_TRUE(setup("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 12 30"));
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
    const std::vector<std::string> lines = data_lines("refused-fens.txt");
    EXPECT_GT(lines.size(), 20u);
    for (const std::string& line : lines) {
        const size_t space = line.find(' ');
        const std::string fen = space == std::string::npos ? "" : line.substr(space + 1);
        EXPECT_EQ(fen_is_well_formed(fen.c_str()), line.substr(0, space) == "unplayable") << fen;
        EXPECT_FALSE(setup(fen)) << fen;
        EXPECT_EQ(game.position.key, key) << fen;
    }
}

// Chess960 castling rights that do not fit the board are refused, and the game stays as it
// was; the same texts in standard chess are only FENs with unusual letters or rights that
// never apply.
TEST(Position, Chess960RightsThatDoNotFitAreRefused) {
    const Chess960Games rules;
    ASSERT_TRUE(setup("bqnbrkrn/pppppppp/8/8/8/8/PPPPPPPP/BQNBRKRN w GEge - 0 1"));
    const GameCopy before;
    const std::vector<std::string> lines = data_lines("refused960.txt");
    EXPECT_GE(lines.size(), 10u);
    for (const std::string& fen : lines) {
        EXPECT_FALSE(setup(fen)) << fen;
        EXPECT_EQ(before.changes(), "") << fen;
    }
    // Both conventions name the same rooks: X-FEN's K is the outermost rook, a letter an
    // inner one; the keys agree with Shredder-FEN's letters and differ where the rook does.
    const auto key_of = [](const std::string& fen) { return setup(fen) ? game.position.key : 0; };
    const std::string board = "1r2k1rr/pppppppp/8/8/8/8/PPPPPPPP/1R2K1RR w ";
    EXPECT_EQ(key_of(board + "KQkq - 0 1"), key_of(board + "HBhb - 0 1"));
    EXPECT_NE(key_of(board + "GBgb - 0 1"), key_of(board + "HBhb - 0 1"));
    EXPECT_NE(key_of(board + "GBgb - 0 1"), 0u);
    // A standard position keeps its standard key under Chess960 rules.
    const uint64_t classical = key_of(start_fen);
    game.chess960 = false;
    EXPECT_EQ(key_of(start_fen), classical);
}

TEST(Position, ASecondSetUpStartsFromScratch) {
    ASSERT_TRUE(setup(start_fen));
    static Position fresh;
    fresh = game.position;
    for (const char* m : {"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "g8f6", "e1g1"})
        ASSERT_TRUE(play(m));
    ASSERT_TRUE(setup(start_fen));
    EXPECT_EQ(std::memcmp(&fresh, &game.position, POSITION_BOARD_BYTES), 0);
    EXPECT_EQ(game.position.history.setup_ply, 0u);
}
