// The UCI "position" parser in process: move lists that reach exact positions, refusals
// that leave the game alone, and lists that continue the game instead of starting anew.
#include <string>

#include <gtest/gtest.h>

#include "helpers.h"
#include "protocol/uci.h"
#include "search/search_state.h"

namespace {

bool position(std::string args) { return uci_position(args.data()); }

TEST(UciPosition, MoveListsReachExactPositions) {
    // Castling both ways, en passant, a double step and a promotion: the key shows board,
    // side to move, castling rights and en-passant square.
    const char* cases[][2] = {
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1 moves e8c8 e1g1",
         "2kr3r/8/8/8/8/8/8/R4RK1 b - - 2 2"},
        {"startpos moves e2e4 a7a6 e4e5 d7d5 e5d6",
         "rnbqkbnr/1pp1pppp/p2P4/8/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 3"},
        {"startpos moves d2d4 g8f6 c2c4",
         "rnbqkb1r/pppppppp/5n2/8/2PP4/8/PP2PPPP/RNBQKBNR b KQkq c3 0 2"},
        {"fen 8/4P3/8/8/8/8/k7/4K3 w - - 0 1 moves e7e8q a2b2", "4Q3/8/8/8/8/8/1k6/4K3 w - - 1 2"},
    };
    for (const auto& [command, expected] : cases) {
        uci_new_game();
        ASSERT_TRUE(position(command)) << command;
        const uint64_t key = game.position.key;
        ASSERT_TRUE(setup(expected));
        EXPECT_EQ(key, game.position.key) << command;
    }
}

TEST(UciPosition, RefusalsKeepTheGameAndLongerListsContinueIt) {
    uci_new_game();
    ASSERT_TRUE(position("startpos moves e2e4 e7e5"));
    const uint64_t key = game.position.key;
    const uint32_t ply = game.position.ply;
    for (const char* bad : {"fen 8/8/8/8/8/8/8/8 w - - 0 1", "startpos moves e2e4 e7e5 e2e5",
                            "startpos moves d2d4 d7d5 e2e5"}) {
        EXPECT_FALSE(position(bad)) << bad;
        EXPECT_TRUE(game.position.key == key && game.position.ply == ply) << bad;
    }
    // search_state.nodes is cleared by every new-game reset, so it shows whether one happened.
    search_state.nodes = 777;
    EXPECT_TRUE(position("startpos moves e2e4 e7e5 g1f3"));
    EXPECT_EQ(search_state.nodes, 777u) << "a longer list continues the game";
    EXPECT_TRUE(position("startpos moves d2d4"));
    EXPECT_EQ(search_state.nodes, 0u) << "a list that leaves the game is a new game";
}

} // namespace
