// The XBoard front end in this process: the clock and level figures it stores, the ponder
// hit rule and the history limit, which the dialogue alone cannot show.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "board/history.h"
#include "game/book.h"
#include "game/think.h"
#include "protocol/xboard.h"
#include "search/quiesce.h"
#include "search/root.h"
#include "shell/input.h"
#include "shell/notation.h"
#include "shell/platform.h"
#include "shell/settings.h"
#include "test_position.h"

namespace {

const char* const START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

class XboardInProcess : public ::testing::Test {
  protected:
    void SetUp() override {
        fresh_game(START_FEN);
        protocol_mode = MODE_XBOARD;
        ponder_saw_mate = 0;
        search_limits = SearchLimits{};
        search_limits.depth = 2;
    }
    void TearDown() override {
        protocol_mode = MODE_CONSOLE;
        search_limits = SearchLimits{};
        engine_clock_cs = 0;
        moves_per_control = 0;
        time_control_kind = 0;
        clock_given = false;
        pondering = 0;
        ponder_enabled = 0;
        game_result = RESULT_NONE;
        set_input_descriptor(0);
        std::signal(SIGINT, SIG_DFL);
    }

    // No book and no waiting input may steer the searches these tests start.
    static void fresh_game(const char* fen) {
        ASSERT_TRUE(setup(fen));
        book_loaded = 1;
        use_book = 0;
        moves_out_of_book = 0;
    }

    // Runs the loop on a script and returns what it printed.
    static std::string run_loop(const std::string& script) {
        int fds[2];
        if (pipe(fds) != 0) return "pipe failed";
        if (write(fds[1], script.data(), script.size()) != static_cast<ssize_t>(script.size()))
            return "write failed";
        close(fds[1]);
        set_input_descriptor(fds[0]);
        testing::internal::CaptureStdout();
        xboard_loop();
        std::fflush(stdout);
        close(fds[0]);
        return testing::internal::GetCapturedStdout();
    }

    static std::string opponent_move(const char* word, int force = 0) {
        testing::internal::CaptureStdout();
        xboard_opponent_move(game_position, word, force);
        std::fflush(stdout);
        return testing::internal::GetCapturedStdout();
    }

    static Move square_move(const char* from, const char* to) {
        return make_move_word(text_to_square(from), text_to_square(to));
    }

    // The state the engine is in after playing e2e4 and thinking on e7e5 for age_ms,
    // with g1f3 as the reply that thinking found.
    void ponder_on_e7e5(uint32_t age_ms) {
        ASSERT_TRUE(play("e2e4"));
        ply_before = game_position.ply;
        pondering = 1;
        pondered_move = text_to_move(game_position, "e7e5");
        ponder_start_ms = tick_ms() - age_ms;
        pv_table[0][0] = square_move("g1", "f3");
        pv_table[0][1] = MOVE_NONE;
        node_count = NO_SEARCH;
    }

    static constexpr uint32_t NO_SEARCH = 0xFFFFFFFFu;
    uint32_t ply_before = 0;
};

TEST_F(XboardInProcess, LevelKeepsMovesPerControlInEightBits) {
    parse_level("40 5 0");
    EXPECT_EQ(moves_per_control, 40);
    EXPECT_EQ(time_control_kind, 1);
    parse_level("0 5 0");
    EXPECT_EQ(moves_per_control, 30);
    EXPECT_EQ(time_control_kind, 0);
    parse_level("300 1 0");
    EXPECT_EQ(moves_per_control, 44);
    EXPECT_EQ(time_control_kind, 1);

    // 256 keeps 0: the allotment must still be a sound positive figure.
    parse_level("256 1 0");
    EXPECT_EQ(moves_per_control, 0);
    EXPECT_EQ(time_control_kind, 1);
    engine_clock_cs = 30000;
    EXPECT_GT(allot_time(game_position), 0);

    // A level replaces a fixed time per move given earlier.
    search_limits.movetime_ms = 5000;
    parse_level("40 5 0");
    EXPECT_EQ(search_limits.movetime_ms, 0);
}

TEST_F(XboardInProcess, LoopStoresClockLimitsAndPonderSetting) {
    const std::string out = run_loop("time 12345\notim 777\nlevel 40 5 0\nsd 7\nst 3\nhard\n"
                                     "time\nlevel\nsd\nst\nquit\nlevel 0 1 0\n");
    EXPECT_EQ(engine_clock_cs, 12345);
    EXPECT_TRUE(clock_given);
    EXPECT_EQ(moves_per_control, 40);
    EXPECT_EQ(time_control_kind, 1);
    EXPECT_EQ(search_limits.depth, 7);
    EXPECT_EQ(search_limits.movetime_ms, 3000);
    EXPECT_EQ(ponder_enabled, 1);
    EXPECT_NE(out.find("Error (missing argument): time\n"), std::string::npos);
    EXPECT_EQ(out.find("move "), std::string::npos);
    // XBoard's interrupt signal must not end the engine.
    EXPECT_EQ(std::signal(SIGINT, SIG_DFL), SIG_IGN);

    // "easy" turns thinking on the opponent's time off; the end of input ends the loop.
    run_loop("easy\n");
    EXPECT_EQ(ponder_enabled, 0);
}

TEST_F(XboardInProcess, PonderHitAfterAMinuteAnswersFromThePonderLine) {
    ponder_on_e7e5(61000);
    const std::string out = opponent_move("e7e5");
    EXPECT_EQ(out, "move g1f3\n");
    EXPECT_EQ(node_count, NO_SEARCH); // no search was started
    EXPECT_EQ(game_position.ply, ply_before + 2);
    EXPECT_EQ(pondering, 0);
}

TEST_F(XboardInProcess, PonderMissesSearchAgain) {
    // Too young a ponder.
    ponder_on_e7e5(59000);
    std::string out = opponent_move("e7e5");
    EXPECT_NE(node_count, NO_SEARCH);
    EXPECT_NE(out.find("move "), std::string::npos);
    EXPECT_EQ(game_position.ply, ply_before + 2);

    // Another move than the expected one.
    fresh_game(START_FEN);
    ponder_on_e7e5(61000);
    out = opponent_move("d7d5");
    EXPECT_NE(node_count, NO_SEARCH);
    EXPECT_EQ(game_position.ply, ply_before + 2);

    // The ponder line no longer fits the position: searched, never played blindly.
    fresh_game(START_FEN);
    ponder_on_e7e5(61000);
    pv_table[0][0] = square_move("e2", "e4");
    out = opponent_move("e7e5");
    EXPECT_NE(node_count, NO_SEARCH);
    EXPECT_EQ(out.find("move e2e4"), std::string::npos);

    // In force mode the move is only played, and the ponder is dropped.
    fresh_game(START_FEN);
    ponder_on_e7e5(61000);
    out = opponent_move("e7e5", 1);
    EXPECT_EQ(out, "");
    EXPECT_EQ(node_count, NO_SEARCH);
    EXPECT_EQ(pondering, 0);
}

TEST_F(XboardInProcess, MovesStopAtTheHistoryLimit) {
    // Knights out and back, in force mode, from the furthest full-move field a FEN may give.
    fresh_game("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1000");
    const char* const shuffle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    int i = 0;
    testing::internal::CaptureStdout();
    for (; game_position.ply < GAME_PLY_LIMIT && i < 2 * GAME_PLY_LIMIT; ++i)
        xboard_opponent_move(game_position, shuffle[i % 4], 1);
    std::fflush(stdout);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(game_position.ply, static_cast<uint32_t>(GAME_PLY_LIMIT));

    const uint64_t key = game_position.key;
    const std::string out = opponent_move(shuffle[i % 4], 0);
    EXPECT_EQ(out, std::string("Illegal move: ") + shuffle[i % 4] + "\n");
    EXPECT_EQ(game_position.key, key);
    EXPECT_EQ(game_position.ply, static_cast<uint32_t>(GAME_PLY_LIMIT));
}

} // namespace
