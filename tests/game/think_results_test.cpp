// The think driver in this process: what thinking on the opponent's time leaves behind, and
// the end of the game history.
#include <unistd.h>

#include <gtest/gtest.h>

#include "game/game.h"
#include "game/think.h"
#include "protocol/xboard.h"
#include "shell/console.h"
#include "search/front_end.h"
#include "search/quiesce.h"
#include "search/root.h"
#include "search/search_helpers.h"
#include "io/input.h"
#include "test_position.h"

namespace {

int ponder_polls = 0;
bool stop_after_three_polls() { return ++ponder_polls >= 3; }

TEST(Think, PonderingLeavesTheGameAsItWas) {
    // After the engine's move it thinks on the expected reply with that reply on the board;
    // when the opponent's move arrives, everything is as the move left it.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    set_input_descriptor(fds[0]);
    ASSERT_TRUE(reset_engine("r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R2QKB1R w KQ - 0 8"));
    search_state.limits = depth_limits(4);
    start_capture();
    ASSERT_EQ(think(game.position).verdict, Verdict::PLAY);
    const GameSnapshot after_move = take_snapshot();
    ASSERT_NE(search_state.ponder_move, MOVE_NONE);
    ponder_polls = 0;
    front_end.should_stop = stop_after_three_polls;
    search_state.limits = SearchLimits{};
    front_end.progress = xboard_progress;
    start_pondering(game.position);
    front_end.should_stop = nullptr;
    front_end.progress = nullptr;
    const std::string out = finish_capture();
    EXPECT_TRUE(game.state.pondering);
    EXPECT_NE(game.state.pondered_move, MOVE_NONE);
    EXPECT_NE(out.find(" (" + move_text(game.state.pondered_move) + ") "), std::string::npos)
        << out;
    EXPECT_EQ(compare_snapshot(after_move), "");
    set_input_descriptor(0);
    close(fds[0]);
    close(fds[1]);
    reset_engine(start_fen);
}

TEST(Think, TheHistoryLimit) {
    // A game 4,000 plies beyond its set-up is drawn: no move is taken any more, and the
    // engine gives the result instead of searching.
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/4K1N1 w - - 0 999999"));
    for (int i = 0; i < GAME_PLY_LIMIT - MAX_FEN_PLY; i += 4)
        for (const char* m : {"g1f3", "e8d8", "f3g1", "d8e8"}) ASSERT_TRUE(play(m));
    ASSERT_EQ(game.position.ply, static_cast<uint32_t>(GAME_PLY_LIMIT));
    start_capture();
    xboard_opponent_move(game.position, "g1f3", false);
    console_user_move(game.position, "g1f3");
    xboard_announce(think(game.position), game.position);
    EXPECT_EQ(finish_capture(), "Illegal move: g1f3\nIllegal move: g1f3\n"
                                "1/2-1/2 {Kelvorante saw Draw by 50 move rule}\n");
    EXPECT_EQ(game.position.ply, static_cast<uint32_t>(GAME_PLY_LIMIT));
    reset_engine(start_fen);
}

} // namespace
