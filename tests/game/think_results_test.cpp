// The think driver in-process: the move and result lines of each way a game can end.
#include <unistd.h>

#include <regex>

#include <gtest/gtest.h>

#include "game/think.h"
#include "search/quiesce.h"
#include "search/root.h"
#include "search/search_helpers.h"
#include "shell/input.h"
#include "shell/settings.h"
#include "test_position.h"

namespace {

TEST(Think, ResultLines) {
    struct Case {
        const char* fen;
        std::vector<const char*> moves; // played before the engine thinks
        uint8_t mode;
        const char* out; // the driver's output without progress lines
        int32_t result;
    } cases[] = {
        {"6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1",
         {},
         MODE_XBOARD,
         "move a1a8\n1-0 {Kelvorante mates}\n",
         RESULT_MATE},
        {"r5k1/8/8/8/8/8/5PPP/6K1 b - - 0 1",
         {},
         MODE_UCI,
         "bestmove a8a1\n0-1 {Kelvorante mates}\n",
         RESULT_MATE},
        {"8/8/8/8/8/1q6/4Q3/K3k3 b - - 0 1",
         {},
         MODE_XBOARD,
         "move e1e2\n1/2-1/2 {Kelvorante saw Stalemate}\n",
         RESULT_STALEMATE},
        {"7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",
         {},
         MODE_XBOARD,
         "1/2-1/2 {Kelvorante saw Stalemate}\n",
         RESULT_STALEMATE},
        {"1r4k1/8/8/8/8/8/8/K7 w - - 99 80",
         {},
         MODE_XBOARD,
         "move a1a2\n1/2-1/2 {Kelvorante saw Draw by 50 move rule}\n",
         RESULT_FIFTY},
        {"1r4k1/8/8/8/8/8/K7/8 b - - 0 1",
         {"g8h8", "a2a1", "h8g8", "a1a2", "g8h8", "a2a1", "h8g8"},
         MODE_XBOARD,
         "move a1a2\n1/2-1/2 {Kelvorante saw Draw by repetition}\n",
         RESULT_NONE},
        {"rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3",
         {},
         MODE_XBOARD,
         "resign\n",
         RESULT_NONE},
    };
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    set_input_descriptor(fds[0]); // nothing is ever waiting
    static const std::regex progress("(info |[0-9]+ -?[0-9]+ [0-9]+ [0-9]+ ).*\n");
    for (const Case& c : cases) {
        ASSERT_TRUE(reset_engine(c.fen));
        for (const char* m : c.moves) ASSERT_TRUE(play(m));
        protocol_mode = c.mode;
        search_state.limits = depth_limits(6);
        const GameSnapshot before = take_snapshot();
        start_capture();
        think(game_position);
        EXPECT_EQ(std::regex_replace(finish_capture(), progress, ""), c.out) << c.fen;
        EXPECT_EQ(game_result, c.result) << c.fen;
        EXPECT_TRUE(std::regex_search(c.out, std::regex("^(best)?move ")) ||
                    compare_snapshot(before).empty())
            << c.fen << ": nothing is played";
    }
    set_input_descriptor(0);
    close(fds[0]);
    close(fds[1]);
    reset_engine(start_fen);
}

} // namespace
