#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board/history.h"
#include "board/make_move.h"
#include "board/pst.h"
#include "movegen/movegen.h"
#include "movegen/notation.h"
#include "io/platform.h"
#include "test_position.h"

namespace {

int sq(const char* name) { return text_to_square(name); }

Move legal(const char* text) {
    Move m = text_to_move(game_position, text);
    ScoredMove list[MAX_MOVES];
    ScoredMove* end = gen_legal(game_position, list);
    for (ScoredMove* e = list; e != end; ++e)
        if (same_move(e->move, m)) return e->move;
    return MOVE_NONE;
}

} // namespace

TEST(MakeMove, DoublePushKeepsListPlaceAndSetsEnPassant) {
    ASSERT_TRUE(setup(start_fen));
    ASSERT_TRUE(play("e2e4"));
    EXPECT_EQ(game_position.ep_square, 100);
    EXPECT_EQ(game_position.fifty, 0);
    EXPECT_EQ(game_position.square_touches[sq("e2")], 1);
    EXPECT_EQ(game_position.square_touches[sq("e4")], 1);
    EXPECT_EQ(list_squares(WHITE * 8 + PAWN),
              (std::vector<int>{sq("a2"), sq("b2"), sq("c2"), sq("d2"), sq("e4"), sq("f2"),
                                sq("g2"), sq("h2")}));
}

TEST(MakeMove, CastlingMovesTheRookAndUnmakeRestoresIt) {
    ASSERT_TRUE(setup("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1"));
    static Position before;
    before = game_position;
    const Move castle = legal("e1g1");
    ASSERT_TRUE(move_is_castle(castle));
    EXPECT_EQ(castle, 0x804644u);
    Undo undo;
    make_move(game_position, castle, undo);
    EXPECT_EQ(game_position.castled[0], 1);
    EXPECT_EQ(game_position.castling_lost, 3u);
    EXPECT_EQ(game_position.board[SQ_F1], make_piece(WHITE, ROOK));
    EXPECT_EQ(game_position.board[SQ_H1], EMPTY);
    EXPECT_EQ(list_squares(WHITE * 8 + ROOK), (std::vector<int>{SQ_A1, SQ_F1}));
    const int king = make_piece(WHITE, KING), rook = make_piece(WHITE, ROOK);
    EXPECT_EQ(game_position.psq_open[0] - before.psq_open[0],
              pst_open[king][SQ_G1] - pst_open[king][SQ_E1] + pst_open[rook][SQ_F1] -
                  pst_open[rook][SQ_H1]);
    EXPECT_TRUE(pos_ok(game_position));
    unmake_move(game_position, castle, undo);
    EXPECT_EQ(std::memcmp(&before, &game_position, sizeof before), 0);
}

TEST(MakeMove, PromotionPutsTheQueenFirstInItsList) {
    ASSERT_TRUE(setup("1k6/4P3/8/8/8/8/8/Q3K3 w - - 0 1"));
    static Position before;
    before = game_position;
    const int officers = game_position.officer_count;
    const Move promo = legal("e7e8q");
    EXPECT_EQ(promo, 0x50B4A4u);
    Undo undo;
    make_move(game_position, promo, undo);
    EXPECT_EQ(list_squares(WHITE * 8 + QUEEN), (std::vector<int>{SQ_E8, SQ_A1}));
    EXPECT_EQ(list_squares(WHITE * 8 + 7), (std::vector<int>{SQ_A1, SQ_E8}));
    EXPECT_EQ(game_position.officer_count, officers + 1);
    EXPECT_EQ(game_position.material[0], before.material[0] + 900);
    EXPECT_EQ(game_position.piece_count[make_piece(WHITE, PAWN)], 0);
    EXPECT_EQ(game_position.piece_count[make_piece(WHITE, QUEEN)], 2);
    EXPECT_EQ(game_position.pawn_sq_colour[0][square_colour[sq("e7")]], 0);
    EXPECT_EQ(game_position.checkers, 1u); // the new queen checks along the eighth rank
    EXPECT_TRUE(pos_ok(game_position));
    unmake_move(game_position, promo, undo);
    EXPECT_EQ(std::memcmp(&before, &game_position, sizeof before), 0);
}

TEST(MakeMove, CornerRightsEndWhenTheRookLeavesOrIsCaptured) {
    ASSERT_TRUE(setup("r3k2r/8/8/8/8/8/6b1/R3K2R b KQkq - 0 1"));
    ASSERT_TRUE(play("g2h1")); // the h1 rook is captured: White's king-side right ends
    EXPECT_EQ(game_position.castling_lost, 1u);
    ASSERT_TRUE(setup("r3k2r/8/8/8/8/8/8/R3K2R w Kkq - 0 1"));
    ASSERT_TRUE(play("a1b1")); // the right was already gone; the bit is set anyway
    EXPECT_EQ(game_position.castling_lost, 2u);

    // Another rook recaptures on the corner while the king has never moved: no castling,
    // and the key is that of the same position without the right.
    ASSERT_TRUE(setup("4k3/8/8/8/8/7R/6b1/4K2R b K - 0 1"));
    for (const char* m : {"g2h1", "h3h1", "e8d8"}) ASSERT_TRUE(play(m)) << m;
    EXPECT_FALSE(play("e1g1"));
    const uint64_t key = game_position.key;
    ASSERT_TRUE(setup("3k4/8/8/8/8/8/8/4K2R w - - 1 3"));
    EXPECT_EQ(game_position.key, key);
}

TEST(MakeMove, CapturedPieceReturnsToItsListPlace) {
    // A black knight is captured on d4; later the other black knight lands on d4, reusing
    // the captured knight's list cell. Unmaking everything must restore both in order.
    ASSERT_TRUE(setup("4k3/8/2n5/8/3n4/8/8/3RK3 w - - 0 1"));
    static Position before;
    before = game_position;
    const std::vector<int> knights = list_squares(BLACK * 8 + KNIGHT);
    const char* line[] = {"d1d4", "e8e7", "d4d1", "c6d4"};
    Move moves[4];
    Undo undos[4];
    for (int i = 0; i < 4; ++i) {
        moves[i] = legal(line[i]);
        ASSERT_NE(moves[i], MOVE_NONE) << line[i];
        make_move(game_position, moves[i], undos[i]);
        ASSERT_TRUE(pos_ok(game_position)) << line[i];
    }
    for (int i = 3; i >= 0; --i) unmake_move(game_position, moves[i], undos[i]);
    EXPECT_EQ(list_squares(BLACK * 8 + KNIGHT), knights);
    EXPECT_EQ(std::memcmp(&before, &game_position, sizeof before), 0);
}

TEST(MakeMove, RandomGamesKeepEveryIncrementalFieldAndForeseeTheKey) {
    c_srand(12345);
    int games = 0;
    for (const std::string& fen : perft_suite_fens()) {
        for (int game = 0; game < 4; ++game) {
            ASSERT_TRUE(setup(fen));
            static Position start;
            start = game_position;
            const int officers = game_position.officer_count;
            uint8_t touches[256];
            std::memcpy(touches, game_position.square_touches, sizeof touches);
            std::vector<uint64_t> keys;
            for (int i = 0; i < HISTORY_SIZE; ++i) keys.push_back(game_history[i].key);

            std::vector<Move> moves;
            std::vector<Undo> undos(200);
            for (int ply = 0; ply < 200; ++ply) {
                ScoredMove list[MAX_MOVES];
                ScoredMove* end = gen_legal(game_position, list);
                if (end == list) break;
                // key_after foresees the key of every move's position.
                for (ScoredMove* e = list; e != end; ++e) {
                    const uint64_t expected = key_after(game_position, e->move);
                    Undo undo;
                    make_move(game_position, e->move, undo);
                    ASSERT_EQ(game_position.key, expected) << fen << ": " << move_text(e->move);
                    unmake_move(game_position, e->move, undo);
                }
                const Move m = list[c_rand() % (end - list)].move;
                make_move(game_position, m, undos[moves.size()]);
                moves.push_back(m);
                ASSERT_TRUE(pos_ok(game_position)) << fen << " after " << move_text(m);
            }
            for (size_t i = moves.size(); i-- > 0;) {
                unmake_move(game_position, moves[i], undos[i]);
                ASSERT_TRUE(pos_ok(game_position));
            }
            EXPECT_EQ(std::memcmp(&start, &game_position, sizeof start), 0) << fen;
            EXPECT_EQ(game_position.officer_count, officers);
            EXPECT_EQ(std::memcmp(touches, game_position.square_touches, sizeof touches), 0);
            for (int i = 0; i < HISTORY_SIZE; ++i) ASSERT_EQ(game_history[i].key, keys[i]);
            ++games;
        }
    }
    EXPECT_EQ(games, 53 * 4);
}
