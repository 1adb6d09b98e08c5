#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board/history.h"
#include "game/book.h"
#include "movegen/movegen.h"
#include "test_position.h"

namespace {} // namespace

TEST(Position, StartPositionSumsAndLists) {
    ASSERT_TRUE(setup(start_fen));
    const Position& pos = game_position;
    EXPECT_EQ(pos.side, 0u);
    EXPECT_EQ(pos.castling_lost, 0u);
    EXPECT_EQ(pos.ep_square, 0);
    EXPECT_EQ(pos.fifty, 0);
    EXPECT_EQ(pos.ply, 0u);
    EXPECT_EQ(book_loaded, 0);
    for (int c = 0; c < 2; ++c) {
        EXPECT_EQ(pos.material[c], 4112);
        EXPECT_EQ(pos.psq_open[c], 56);
        EXPECT_EQ(pos.psq_end[c], 66);
        EXPECT_EQ(pos.pawn_sq_colour[c][0], 4);
        EXPECT_EQ(pos.pawn_sq_colour[c][1], 4);
    }
    EXPECT_EQ(game_position.officer_count, 14);
    EXPECT_EQ(list_squares(WHITE * 8 + PAWN), (std::vector<int>{80, 81, 82, 83, 84, 85, 86, 87}));
    EXPECT_EQ(list_squares(BLACK * 8 + KING), (std::vector<int>{SQ_E8}));
    EXPECT_EQ(list_squares(WHITE * 8 + 7).size(), 15u);
    EXPECT_EQ(list_squares(BLACK * 8).size(), 16u);
    EXPECT_TRUE(pos_ok(pos));
}

TEST(Position, FenFieldsAndQuirks) {
    const std::string board = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";
    ASSERT_TRUE(setup(board + " w KQkq - 0 1"));
    EXPECT_EQ(game_position.ply, 1u);
    EXPECT_EQ(book_loaded, 1);

    ASSERT_TRUE(setup(board + " w - - 0 1"));
    EXPECT_EQ(game_position.castling_lost, 15u);
    ASSERT_TRUE(setup(board + " w Kk - 0 1"));
    EXPECT_EQ(game_position.castling_lost, 10u);

    ASSERT_TRUE(setup("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 12 30"));
    EXPECT_EQ(game_position.ep_square, 100);
    EXPECT_EQ(game_position.fifty, 12);
    EXPECT_EQ(game_position.ply, 30u);

    // Missing trailing fields: no full-move field gives ply 2; a text that stops after the
    // castling field gives ply 0 and leaves the book flag as it was.
    ASSERT_TRUE(setup(board + " w KQkq -"));
    EXPECT_EQ(game_position.ply, 2u);
    ASSERT_TRUE(setup(start_fen));
    ASSERT_TRUE(setup(board + " w KQkq"));
    EXPECT_EQ(game_position.ply, 0u);
    EXPECT_EQ(game_position.ep_square, 0);
    EXPECT_EQ(book_loaded, 0);
}

TEST(Position, MalformedFensAreRefusedAndChangeNothing) {
    const std::string board = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";
    ASSERT_TRUE(setup("4k3/8/8/8/8/8/8/4K1N1 w - - 0 1"));
    const uint64_t key = game_position.key;
    const std::string refused[] = {
        board + "/8 w KQkq - 0 1",                                   // nine ranks
        "rnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", // nine squares in a rank
        "rnbqkbn/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",   // seven
        "rnbqkbnr/pppppppp/54/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", // digits adding up past 8
        "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP w KQkq - 0 1",           // seven ranks
        "rnbqkbxr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",  // a letter that is no piece
        board + " x KQkq - 0 1",
        board,
        board + " w KK - 0 1",
        board + " w KQkqK - 0 1",
        board + " w KQkx - 0 1",
        board + " w KQkq i3 0 1",
        board + " w KQkq e9 0 1",
        board + " w KQkq e3x 0 1",
        board + " w KQkq - x 1",
        board + " w KQkq - 0 1 7",
        board + " w KQkq - 0 1234567",
        "",
        "w",
    };
    for (const std::string& fen : refused) {
        EXPECT_FALSE(fen_is_well_formed(fen.c_str())) << fen;
        EXPECT_FALSE(setup(fen)) << fen;
        EXPECT_EQ(game_position.key, key) << fen;
    }
    EXPECT_TRUE(fen_is_well_formed(("  " + board + "  w   KQkq  -  0  1  ").c_str()));
}

TEST(Position, HugeFullMoveNumberIsClampedAndLongGamesFit) {
    ASSERT_TRUE(setup("4k3/8/8/8/8/8/8/4K1N1 w - - 0 999999"));
    EXPECT_EQ(game_position.ply, static_cast<uint32_t>(MAX_FEN_PLY));
    // 2,000 plies of knight shuffles after the clamped start still fit the history.
    for (int i = 0; i < 500; ++i) {
        ASSERT_TRUE(play("g1f3"));
        ASSERT_TRUE(play("e8d8"));
        ASSERT_TRUE(play("f3g1"));
        ASSERT_TRUE(play("d8e8"));
    }
    EXPECT_EQ(game_position.ply, static_cast<uint32_t>(MAX_FEN_PLY + 2000));
    EXPECT_TRUE(pos_ok(game_position));
}

TEST(Position, UnplayablePositionsAreRefusedAndChangeNothing) {
    ASSERT_TRUE(setup("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"));
    const uint64_t key = game_position.key;
    const char* refused[] = {
        "8/8/8/8/8/8/8/4K3 w - - 0 1",             // no black king
        "4k3/8/8/8/8/8/8/3KK3 w - - 0 1",          // two white kings
        "4k3/8/8/8/8/8/8/8 w - - 0 1",             // no white king
        "4k3/8/8/8/8/8/PPPPPPPP/PPPPK3 w - - 0 1", // too many pawns, back rank
        "4k3/8/8/8/8/8/P7/4K3 w - - 0 1x",         // fine (control, below)
    };
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(setup(refused[i])) << refused[i];
        EXPECT_EQ(game_position.key, key);
    }
    EXPECT_FALSE(setup("4k3/8/8/8/8/8/8/P3K3 w - - 0 1"));             // pawn on the first rank
    EXPECT_FALSE(setup("3Pk3/8/8/8/8/8/8/4K3 w - - 0 1"));             // pawn on the last rank
    EXPECT_FALSE(setup("4k3/pppppppp/p7/8/8/8/8/4K3 w - - 0 1"));      // nine pawns
    EXPECT_FALSE(setup("qqqqkqqq/qqqqqqqq/q7/8/8/8/8/4K3 b - - 0 1")); // seventeen pieces
    EXPECT_FALSE(setup("4k3/8/8/8/8/8/8/4R1K1 w - - 0 1")); // black in check, white to move
    EXPECT_FALSE(setup(""));
    EXPECT_FALSE(setup("garbage"));
    EXPECT_EQ(game_position.key, key);
}

TEST(Position, SetUpInCheckRecordsTheCheckers) {
    // A position set up in check gets evasions, not ordinary moves.
    ASSERT_TRUE(setup("4k3/8/8/8/8/8/8/r3K3 w - - 0 1"));
    EXPECT_EQ(game_position.checkers, 1u);
    EXPECT_EQ(game_position.checker_sq[0], SQ_A1);
    ScoredMove list[MAX_MOVES];
    ScoredMove* end = gen_legal(game_position, list);
    for (ScoredMove* m = list; m != end; ++m)
        EXPECT_NE(move_to(m->move), SQ_F1) << move_text(m->move);

    // Three checkers: two are recorded, and only king moves remain.
    ASSERT_TRUE(setup("7k/8/8/8/8/3n4/8/r3K2r w - - 0 1"));
    EXPECT_EQ(game_position.checkers, 2u);
    end = gen_legal(game_position, list);
    for (ScoredMove* m = list; m != end; ++m) EXPECT_EQ(move_from(m->move), SQ_E1);
}

TEST(Position, SecondSetUpStartsFromScratch) {
    ASSERT_TRUE(setup(start_fen));
    ASSERT_TRUE(play("e2e4"));
    ASSERT_TRUE(play("e7e5"));
    ASSERT_TRUE(play("g1f3"));
    ASSERT_TRUE(play("b8c6"));
    ASSERT_TRUE(play("f1c4"));
    ASSERT_TRUE(play("g8f6"));
    ASSERT_TRUE(play("e1g1"));
    EXPECT_EQ(game_position.castled[0], 1);
    ASSERT_TRUE(setup(start_fen));
    EXPECT_EQ(game_position.castled[0], 0);
    EXPECT_EQ(game_position.pawn_sq_colour[0][0], 4);
    EXPECT_EQ(game_position.pawn_sq_colour[0][1], 4);
    for (int s = 0; s < 256; ++s) EXPECT_EQ(game_position.square_touches[s], 0);
    EXPECT_EQ(setup_ply, 0u);
}
