// The think driver in-process: the move and result lines of every way a game can end,
// resigning, promotions, console board printing and pondering.
#include <unistd.h>

#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "board/history.h"
#include "game/think.h"
#include "search/quiesce.h"
#include "search/root.h"
#include "search/search_helpers.h"
#include "shell/input.h"
#include "shell/notation.h"
#include "shell/settings.h"
#include "test_position.h"

namespace {

class Think : public testing::Test {
  protected:
    void SetUp() override {
        // An empty pipe as standard input: nothing is ever waiting.
        ASSERT_EQ(pipe(fds), 0);
        set_input_descriptor(fds[0]);
    }
    void TearDown() override {
        set_input_descriptor(0);
        close(fds[0]);
        close(fds[1]);
        protocol_mode = MODE_CONSOLE;
        ponder_enabled = 0;
        pondering = 0;
        input_poll_hook = nullptr;
    }
    bool start(const std::string& fen, uint8_t mode = MODE_XBOARD, int depth = 6) {
        if (!reset_engine(fen)) return false;
        protocol_mode = mode;
        search_limits = SearchLimits{depth, 0, 0, true};
        return true;
    }
    // The driver's output without the progress lines.
    std::string think_lines() {
        start_capture();
        think(game_position);
        const std::string out = finish_capture();
        std::istringstream in(out);
        std::string kept;
        for (std::string line; std::getline(in, line);) {
            static const std::regex xboard_progress("^[0-9]+ -?[0-9]+ [0-9]+ [0-9]+ .*");
            const bool progress = protocol_mode == MODE_UCI ? line.rfind("info ", 0) == 0
                                  : protocol_mode == MODE_XBOARD
                                      ? std::regex_match(line, xboard_progress)
                                      : line.rfind("Depth:", 0) == 0;
            if (!progress) kept += line + "\n";
        }
        return kept;
    }
    int fds[2];
};

TEST_F(Think, MateIsAnnouncedAndAFurtherThinkReportsTheLoss) {
    ASSERT_TRUE(start("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1"));
    const uint32_t ply = game_position.ply;
    EXPECT_EQ(think_lines(), "move a1a8\n1-0 {Kelvorante mates}\n");
    EXPECT_EQ(game_result, RESULT_MATE);
    EXPECT_EQ(game_position.ply, ply + 1);
    EXPECT_EQ(moves_out_of_book, 1);
    EXPECT_EQ(think_lines(), "1-0 {Kelvorante lose}\n") << "Black, to move, is the mated side";
    EXPECT_EQ(game_position.ply, ply + 1) << "nothing more is played";
    protocol_mode = MODE_UCI;
    EXPECT_EQ(think_lines(), "bestmove 0000\n");

    ASSERT_TRUE(start("r5k1/8/8/8/8/8/5PPP/6K1 b - - 0 1", MODE_UCI));
    EXPECT_EQ(think_lines(), "bestmove a8a1\n0-1 {Kelvorante mates}\n");
    protocol_mode = MODE_XBOARD;
    EXPECT_EQ(think_lines(), "0-1 {Kelvorante lose}\n");
}

TEST_F(Think, PromotionsCarryTheirLetter) {
    ASSERT_TRUE(start("4k3/P7/8/8/8/8/8/4K3 w - - 0 1"));
    EXPECT_EQ(think_lines(), "move a7a8q\n");
    ASSERT_TRUE(start("4k3/P7/8/8/8/8/8/4K3 w - - 0 1", MODE_UCI));
    EXPECT_EQ(think_lines(), "bestmove a7a8q\n");
}

TEST_F(Think, FiftyMoveRuleAfterTheEnginesMove) {
    ASSERT_TRUE(start("8/8/8/4k3/8/8/8/R3K3 w - - 99 80"));
    const std::string out = think_lines();
    EXPECT_EQ(out.rfind("move ", 0), 0u) << out;
    EXPECT_NE(out.find("\n1/2-1/2 {Kelvorante saw Draw by 50 move rule}\n"), std::string::npos)
        << out;
    EXPECT_EQ(game_result, RESULT_FIFTY);
    const uint32_t ply = game_position.ply;
    EXPECT_EQ(think_lines(), "1/2-1/2 {Kelvorante saw Draw by 50 move rule}\n");
    EXPECT_EQ(game_position.ply, ply);

    // 98 reaches 99 only: the game goes on.
    ASSERT_TRUE(start("8/8/8/4k3/8/8/8/R3K3 w - - 98 80"));
    EXPECT_EQ(think_lines().find("1/2-1/2"), std::string::npos);
    EXPECT_EQ(game_result, RESULT_NONE);
}

TEST_F(Think, Stalemates) {
    // The engine's only move takes the queen and leaves White without a move.
    ASSERT_TRUE(start("8/8/8/8/8/1q6/4Q3/K3k3 b - - 0 1"));
    EXPECT_EQ(think_lines(), "move e1e2\n1/2-1/2 {Kelvorante saw Stalemate}\n");
    EXPECT_EQ(game_result, RESULT_STALEMATE);
    EXPECT_EQ(think_lines(), "1/2-1/2 {Kelvorante saw Stalemate}\n");

    // The engine itself has no move.
    ASSERT_TRUE(start("7k/5Q2/6K1/8/8/8/8/8 b - - 0 1"));
    const uint32_t ply = game_position.ply;
    EXPECT_EQ(think_lines(), "1/2-1/2 {Kelvorante saw Stalemate}\n");
    EXPECT_EQ(game_result, RESULT_STALEMATE);
    EXPECT_EQ(game_position.ply, ply);
}

TEST_F(Think, RepetitionIsAnnouncedButTheGameGoesOn) {
    // White's king can only step between a1 and a2; Black's king walks g8-h8 and back.
    ASSERT_TRUE(start("1r4k1/8/8/8/8/8/K7/8 b - - 0 1"));
    for (const char* m : {"g8h8", "a2a1", "h8g8", "a1a2", "g8h8", "a2a1", "h8g8"})
        ASSERT_TRUE(play(m));
    EXPECT_EQ(think_lines(), "move a1a2\n1/2-1/2 {Kelvorante saw Draw by repetition}\n");
    EXPECT_EQ(game_result, RESULT_NONE);
    ASSERT_TRUE(play("g8h8"));
    EXPECT_EQ(think_lines().rfind("move a2a1\n", 0), 0u) << "a later think plays on";
}

TEST_F(Think, ResignsWhenMatedOrSeeingMate) {
    const char* mated = "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3";
    ASSERT_TRUE(start(mated));
    const GameSnapshot before = take_snapshot();
    EXPECT_EQ(think_lines(), "resign\n");
    EXPECT_EQ(compare_snapshot(before), "");
    EXPECT_EQ(moves_out_of_book, 0);
    ASSERT_TRUE(start(mated, MODE_UCI));
    EXPECT_EQ(think_lines(), "bestmove 0000\n");
    ASSERT_TRUE(start(mated, MODE_CONSOLE));
    EXPECT_EQ(think_lines(), "resign\n");

    // Every move walks into a mate in one: hopeless, so the engine resigns.
    ASSERT_TRUE(start("7k/p7/6K1/8/8/8/8/1Q6 b - - 0 1"));
    EXPECT_EQ(think_lines(), "resign\n");
    EXPECT_LT(best_score, -999940);
}

TEST_F(Think, ConsolePrintsTheBoardAfterAMoveThatDoesNotEndTheGame) {
    ASSERT_TRUE(start(start_fen, MODE_CONSOLE, 3));
    const std::string out = think_lines();
    ASSERT_EQ(out.rfind("move ", 0), 0u) << out;
    const std::string rest = out.substr(out.find('\n') + 1);
    EXPECT_NE(rest.find("\n r n b q k b n r\n"), std::string::npos) << rest;
    EXPECT_NE(rest.find(" R N B Q K B N R\n"), std::string::npos) << rest;

    ASSERT_TRUE(start("6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1", MODE_CONSOLE));
    EXPECT_EQ(think_lines(), "move a1a8\n1-0 {Kelvorante mates}\n");
}

TEST_F(Think, PondersOnTheExpectedReplyAndRestoresThePosition) {
    ASSERT_TRUE(start("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
                      MODE_XBOARD, 4));
    input_poll_hook = [] { return false; };
    ponder_enabled = 1;
    start_capture();
    think(game_position);
    const std::string out = finish_capture();

    std::istringstream in(out);
    int move_lines = 0;
    std::string played;
    for (std::string line; std::getline(in, line);)
        if (line.rfind("move ", 0) == 0) {
            ++move_lines;
            played = line.substr(5);
        }
    EXPECT_EQ(move_lines, 1) << "the ponder search announces nothing";
    EXPECT_EQ(pondering, 1);
    EXPECT_NE(out.find(" (" + move_text(pondered_move) + ") "), std::string::npos) << out;

    // The game position is the one after the engine's move, with the ponder move unmade.
    const uint64_t key = game_position.key;
    const uint32_t ply = game_position.ply;
    EXPECT_TRUE(pos_ok(game_position));
    ASSERT_TRUE(
        reset_engine("r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4"));
    ASSERT_TRUE(play(played));
    EXPECT_EQ(game_position.key, key);
    EXPECT_EQ(game_position.ply, ply);
}

TEST_F(Think, PonderingIsCancelledByWaitingInputOrAStaleReply) {
    ASSERT_TRUE(start(start_fen, MODE_XBOARD, 2));
    ponder_enabled = 1;
    ponder_move = MOVE_NONE;
    start_pondering(game_position);
    EXPECT_EQ(pondering, 0) << "no legal expected reply";

    ASSERT_EQ(write(fds[1], "e2e4\n", 5), 5);
    ponder_move = text_to_move(game_position, "e2e4"); // legal, but input is waiting
    start_pondering(game_position);
    EXPECT_EQ(pondering, 0);
    EXPECT_EQ(game_position.ply, 0u);
}

} // namespace
