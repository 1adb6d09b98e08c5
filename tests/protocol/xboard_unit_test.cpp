// The XBoard front end in this process: what it takes from "level", the signal it
// ignores, and the ponder-hit rule.
#include <csignal>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "game/game.h"
#include "helpers.h"
#include "io/input.h"
#include "io/platform.h"
#include "movegen/notation.h"
#include "protocol/xboard.h"
#include "search/search_state.h"

namespace {

TEST(Xboard, LevelFiguresAndTheInterruptSignal) {
    const struct {
        const char* args;
        int moves;
        int64_t increment_ms;
    } cases[] = {{"40 5 0", 40, 0},        {"0 2 12", 0, 12000}, {"300 1 0", 300, 0},
                 {"40 0:30 0.5", 40, 500}, {"-3 x nan", 0, 0},   {"7", 7, 0}};
    for (const auto& c : cases) {
        parse_level(c.args);
        EXPECT_EQ(search_state.clock.moves_per_control, c.moves) << c.args;
        EXPECT_EQ(search_state.clock.increment_ms, c.increment_ms) << c.args;
    }
    // XBoard interrupts its engines with SIGINT: the dialogue ignores it.
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_EQ(write(fds[1], "quit\n", 5), 5);
    close(fds[1]);
    set_input_descriptor(fds[0]);
    output_of(xboard_loop);
    set_input_descriptor(0);
    close(fds[0]);
    EXPECT_EQ(std::signal(SIGINT, SIG_DFL), SIG_IGN);
    reset_engine(start_fen);
}

TEST(Xboard, APonderHitPlaysThePonderedLineOnlyAfterAMinute) {
    for (uint32_t age : {61000u, 59000u}) {
        ASSERT_TRUE(reset_engine("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"));
        search_state.limits.depth = 2;
        game.state.pondering = true;
        game.state.pondered_move = text_to_move(game.position, "e7e5");
        game.state.ponder_start_ms = tick_ms() - age;
        search_state.pv[0][0] = make_move_word(text_to_square("g1"), text_to_square("f3"));
        search_state.pv[0][1] = MOVE_NONE;
        search_state.nodes = UINT32_MAX; // a search sets it
        const std::string out =
            output_of([] { xboard_opponent_move(game.position, "e7e5", false); });
        EXPECT_EQ(out.rfind("move ", 0), 0u) << out;
        EXPECT_TRUE(age < 60000 || out == "move g1f3\n") << out;
        EXPECT_EQ(search_state.nodes == UINT32_MAX, age > 60000) << "a ponder hit does not search";
    }
    game.state = GameState{};
}

} // namespace
