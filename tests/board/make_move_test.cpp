// Making and taking back moves. The rules themselves are pinned by the perft suite; these
// cases check the record that make and unmake keep beside the board.
#include <vector>

#include <gtest/gtest.h>

#include "board/make_move.h"
#include "game/game.h"
#include "helpers.h"
#include "io/platform.h"
#include "movegen/movegen.h"

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

TEST(MakeMove, TakingBackRestoresTheListsInTheirOrder) {
    // A black knight is captured on d4; later the other black knight lands on d4, reusing
    // the captured knight's list cell. Taking everything back restores both in order.
    ASSERT_TRUE(setup("4k3/8/2n5/8/3n4/8/8/3RK3 w - - 0 1"));
    static Position before;
    before = game.position;
    for (const char* m : {"d1d4", "e8e7", "d4d1", "c6d4"})
        ASSERT_TRUE(play(m) && pos_ok(game.position)) << m;
    ASSERT_TRUE(take_back(game.position, 4));
    EXPECT_EQ(std::memcmp(&before, &game.position, POSITION_BOARD_BYTES), 0);
}

TEST(MakeMove, NullMoveIsRecordedAndTakenBack) {
    ASSERT_TRUE(setup("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"));
    static Position before;
    before = game.position;
    Undo undo;
    make_null_move(game.position, undo);
    EXPECT_TRUE(game.position.ep_square == 0 && pos_ok(game.position));
    EXPECT_EQ(game.position.history.entry[before.ply].move, MOVE_NONE);
    EXPECT_EQ(game.position.history.entry[game.position.ply].key, game.position.key);
    unmake_null_move(game.position, undo);
    EXPECT_EQ(std::memcmp(&before, &game.position, POSITION_BOARD_BYTES), 0);
    EXPECT_EQ(game.position.history.entry[before.ply + 1].key, 0u);
}

// Random games from every perft position, standard and Chess960: every incremental field
// agrees with the board
// after each move, key_after foresees every move's key, and taking the game back restores
// the record and the history byte for byte.
TEST(MakeMove, RandomGamesKeepEveryIncrementalFieldAndForeseeTheKey) {
    c_srand(12345);
    static Position start;
    std::vector<std::string> fens = perft_suite_fens();
    const size_t standard = fens.size();
    for (const std::string& fen : perft_suite_fens("perft960.epd")) fens.push_back(fen);
    const Chess960Games rules; // and standard chess for the standard suite
    for (size_t i = 0; i < fens.size(); ++i) {
        const std::string& fen = fens[i];
        game.chess960 = i >= standard;
        for (int round = 0; round < 4; ++round) {
            ASSERT_TRUE(setup(fen));
            start = game.position;
            int plies = 0;
            for (; plies < 200; ++plies) {
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
                ASSERT_TRUE(play(move_text(m)) && pos_ok(game.position))
                    << fen << ": " << move_text(m);
            }
            ASSERT_TRUE(take_back(game.position, plies));
            EXPECT_EQ(std::memcmp(&start, &game.position, POSITION_BOARD_BYTES), 0) << fen;
            for (int i = 0; i < HISTORY_SIZE; ++i)
                ASSERT_EQ(game.position.history.entry[i].key, start.history.entry[i].key) << fen;
        }
    }
}
