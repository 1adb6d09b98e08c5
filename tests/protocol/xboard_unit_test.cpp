// The XBoard front end in this process: the level figures it stores and the ponder-hit rule.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "board/history.h"
#include "game/book.h"
#include "game/game.h"
#include "game/think.h"
#include "protocol/xboard.h"
#include "search/quiesce.h"
#include "search/root.h"
#include "search/timeman.h"
#include "io/input.h"
#include "movegen/notation.h"
#include "io/platform.h"
#include "test_position.h"

namespace {

constexpr uint32_t NO_SEARCH = 0xFFFFFFFFu;

class XboardInProcess : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
        game.state.book.loaded = 1;
        game.state.book.in_use = 0;
        game.ponder_saw_mate = false;
        search_state.limits = SearchLimits{};
        search_state.limits.depth = 2;
    }
    void TearDown() override {
        search_state.limits = SearchLimits{};
        search_state.clock.clock_cs = 0;
        search_state.clock.moves_per_control = 0;
        search_state.clock.control_kind = 0;
        search_state.clock.given = false;
        game.state = GameState{};
        set_input_descriptor(0);
        std::signal(SIGINT, SIG_DFL);
    }
};

TEST_F(XboardInProcess, LevelFiguresAndMissingArguments) {
    const struct {
        const char* args;
        int moves, kind;
    } cases[] = {{"40 5 0", 40, 1}, {"0 5 0", 30, 0}, {"300 1 0", 44, 1}};
    for (const auto& c : cases) {
        parse_level(c.args);
        EXPECT_EQ(search_state.clock.moves_per_control, c.moves) << c.args;
        EXPECT_EQ(search_state.clock.control_kind, c.kind) << c.args;
    }
    // XBoard interrupts its engines with SIGINT: the dialogue ignores it.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], "quit\n", 5), 5);
    close(fds[1]);
    set_input_descriptor(fds[0]);
    testing::internal::CaptureStdout();
    xboard_loop();
    testing::internal::GetCapturedStdout();
    close(fds[0]);
    EXPECT_EQ(std::signal(SIGINT, SIG_DFL), SIG_IGN);
}

TEST_F(XboardInProcess, PonderHitNeedsMoreThanAMinute) {
    for (uint32_t age : {61000u, 59000u}) {
        ASSERT_TRUE(setup("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"));
        game.state.pondering = true;
        game.state.pondered_move = text_to_move(game.position, "e7e5");
        game.state.ponder_start_ms = tick_ms() - age;
        search_state.pv[0][0] = make_move_word(text_to_square("g1"), text_to_square("f3"));
        search_state.pv[0][1] = MOVE_NONE;
        search_state.nodes = NO_SEARCH;
        testing::internal::CaptureStdout();
        xboard_opponent_move(game.position, "e7e5", 0);
        std::fflush(stdout);
        const std::string out = testing::internal::GetCapturedStdout();
        if (age > 60000) {
            EXPECT_EQ(out, "move g1f3\n");
            EXPECT_EQ(search_state.nodes, NO_SEARCH) << "a ponder hit plays without searching";
        } else {
            EXPECT_NE(out.find("move "), std::string::npos);
            EXPECT_NE(search_state.nodes, NO_SEARCH) << "too young a ponder searches again";
        }
    }
}

} // namespace
