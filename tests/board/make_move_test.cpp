#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board/history.h"
#include "board/make_move.h"
#include "movegen/movegen.h"
#include "movegen/notation.h"
#include "io/platform.h"
#include "test_position.h"

namespace {

int sq(const char* name) { return text_to_square(name); }

Move legal(const char* text) {
    Move m = text_to_move(game.position, text);
    ScoredMove list[MAX_MOVES];
    ScoredMove* end = gen_legal(game.position, list);
    for (ScoredMove* e = list; e != end; ++e)
        if (same_move(e->move, m)) return e->move;
    return MOVE_NONE;
}

} // namespace

// A moved piece keeps its place in its lists; a promoted piece comes first in its type list.
TEST(MakeMove, ListPlacesAfterPushAndPromotion) {
    ASSERT_TRUE(setup(start_fen));
    ASSERT_TRUE(play("e2e4"));
    EXPECT_EQ(game.position.ep_square, 100);
    EXPECT_EQ(game.position.square_touches[sq("e2")], 1);
    EXPECT_EQ(list_squares(WHITE * 8 + PAWN),
              (std::vector<int>{sq("a2"), sq("b2"), sq("c2"), sq("d2"), sq("e4"), sq("f2"),
                                sq("g2"), sq("h2")}));
    ASSERT_TRUE(setup("1k6/4P3/8/8/8/8/8/Q3K3 w - - 0 1"));
    ASSERT_TRUE(play("e7e8q"));
    EXPECT_EQ(list_squares(WHITE * 8 + QUEEN), (std::vector<int>{SQ_E8, SQ_A1}));
    EXPECT_EQ(list_squares(WHITE * 8 + 7), (std::vector<int>{SQ_A1, SQ_E8}));
    EXPECT_EQ(game.position.officer_count, 2);
    EXPECT_EQ(game.position.checkers, 1u); // the new queen checks along the eighth rank
}

TEST(MakeMove, CornerRightsEndWhenAnythingArrivesOnTheCorner) {
    // The h1 rook is captured, another rook recaptures on the corner while the king has
    // never moved: no castling, and the key is that of the same position without the right.
    ASSERT_TRUE(setup("4k3/8/8/8/8/7R/6b1/4K2R b K - 0 1"));
    for (const char* m : {"g2h1", "h3h1", "e8d8"}) ASSERT_TRUE(play(m)) << m;
    EXPECT_FALSE(play("e1g1"));
    const uint64_t key = game.position.key;
    ASSERT_TRUE(setup("3k4/8/8/8/8/8/8/4K2R w - - 1 3"));
    EXPECT_EQ(game.position.key, key);
}

TEST(MakeMove, CapturedPieceReturnsToItsListPlace) {
    // A black knight is captured on d4; later the other black knight lands on d4, reusing
    // the captured knight's list cell. Unmaking everything must restore both in order.
    ASSERT_TRUE(setup("4k3/8/2n5/8/3n4/8/8/3RK3 w - - 0 1"));
    static Position before;
    before = game.position;
    const char* line[] = {"d1d4", "e8e7", "d4d1", "c6d4"};
    Move moves[4];
    Undo undos[4];
    for (int i = 0; i < 4; ++i) {
        moves[i] = legal(line[i]);
        ASSERT_NE(moves[i], MOVE_NONE) << line[i];
        make_move(game.position, moves[i], undos[i]);
        ASSERT_TRUE(pos_ok(game.position)) << line[i];
    }
    for (int i = 3; i >= 0; --i) unmake_move(game.position, moves[i], undos[i]);
    EXPECT_EQ(std::memcmp(&before, &game.position, POSITION_BOARD_BYTES), 0);
}

// Random games from every perft position: every incremental field agrees with the board
// after each move, key_after foresees every move's key, and taking the game back restores
// the record and the history byte for byte.
TEST(MakeMove, RandomGamesKeepEveryIncrementalFieldAndForeseeTheKey) {
    c_srand(12345);
    for (const std::string& fen : perft_suite_fens()) {
        for (int round = 0; round < 4; ++round) {
            ASSERT_TRUE(setup(fen));
            static Position start;
            start = game.position;
            std::vector<uint64_t> keys;
            for (int i = 0; i < HISTORY_SIZE; ++i)
                keys.push_back(game.position.history.entry[i].key);

            std::vector<Move> moves;
            std::vector<Undo> undos(200);
            for (int ply = 0; ply < 200; ++ply) {
                ScoredMove list[MAX_MOVES];
                ScoredMove* end = gen_legal(game.position, list);
                if (end == list) break;
                for (ScoredMove* e = list; e != end; ++e) {
                    const uint64_t expected = key_after(game.position, e->move);
                    Undo undo;
                    make_move(game.position, e->move, undo);
                    ASSERT_EQ(game.position.key, expected) << fen << ": " << move_text(e->move);
                    unmake_move(game.position, e->move, undo);
                }
                const Move m = list[c_rand() % (end - list)].move;
                make_move(game.position, m, undos[moves.size()]);
                moves.push_back(m);
                ASSERT_TRUE(pos_ok(game.position)) << fen << " after " << move_text(m);
            }
            for (size_t i = moves.size(); i-- > 0;) unmake_move(game.position, moves[i], undos[i]);
            EXPECT_EQ(std::memcmp(&start, &game.position, POSITION_BOARD_BYTES), 0) << fen;
            for (int i = 0; i < HISTORY_SIZE; ++i)
                ASSERT_EQ(game.position.history.entry[i].key, keys[i]);
        }
    }
}
