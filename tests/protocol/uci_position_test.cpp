// The UCI "position" parser in process: exact positions, refusals that leave the game
// alone, and lists that continue the game instead of starting anew.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board/history.h"
#include "protocol/uci.h"
#include "search/quiesce.h"
#include "test_position.h"

namespace {

bool position(const std::string& args) {
    std::vector<char> text(args.begin(), args.end());
    text.push_back('\0');
    return uci_position(text.data());
}

// The game position must be the one the FEN describes, key included.
void expect_position(const std::string& fen, const std::string& what) {
    const Position reached = game.position;
    ASSERT_TRUE(setup(fen)) << fen;
    EXPECT_TRUE(std::equal(std::begin(reached.board), std::end(reached.board), game.position.board))
        << what;
    EXPECT_EQ(reached.ep_square, game.position.ep_square) << what;
    EXPECT_EQ(reached.key, game.position.key) << what;
}

} // namespace

TEST(UciPosition, MoveListsReachExactPositions) {
    const struct {
        const char* command;
        const char* expected;
    } cases[] = {
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1 moves e8c8 e1g1",
         "2kr3r/8/8/8/8/8/8/R4RK1 b - - 2 2"},
        {"startpos moves e2e4 a7a6 e4e5 d7d5 e5d6",
         "rnbqkbnr/1pp1pppp/p2P4/8/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 3"},
        {"startpos moves d2d4 g8f6 c2c4",
         "rnbqkb1r/pppppppp/5n2/8/2PP4/8/PP2PPPP/RNBQKBNR b KQkq c3 0 2"},
        {"fen 8/4P3/8/8/8/8/k7/4K3 w - - 0 1 moves e7e8q a2b2", "4Q3/8/8/8/8/8/1k6/4K3 w - - 1 2"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(setup(start_fen));
        uci_new_game();
        ASSERT_TRUE(position(c.command)) << c.command;
        expect_position(c.expected, c.command);
    }
}

TEST(UciPosition, RefusalsKeepTheGameAndLongerListsContinueIt) {
    ASSERT_TRUE(setup(start_fen));
    uci_new_game();
    ASSERT_TRUE(position("startpos moves e2e4 e7e5"));
    const uint64_t key = game.position.key;
    const uint32_t ply = game.position.ply;
    for (const char* bad : {"fen 8/8/8/8/8/8/8/8 w - - 0 1", "startpos moves e2e4 e7e5 e2e5",
                            "startpos moves d2d4 d7d5 e2e5"}) {
        EXPECT_FALSE(position(bad)) << bad;
        EXPECT_EQ(game.position.key, key) << bad;
        EXPECT_EQ(game.position.ply, ply) << bad;
    }
    // search_state.nodes is cleared by every new-game reset, so it shows whether one happened.
    search_state.nodes = 777;
    EXPECT_TRUE(position("startpos moves e2e4 e7e5 g1f3"));
    EXPECT_EQ(search_state.nodes, 777u) << "a longer list continues the game";
    EXPECT_TRUE(position("startpos moves d2d4"));
    EXPECT_EQ(search_state.nodes, 0u) << "a list that leaves the game is a new game";
}
