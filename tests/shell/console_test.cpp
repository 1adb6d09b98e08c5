#include <string>

#include <gtest/gtest.h>

#include "engine_process.h"
#include "game/book.h"
#include "game/game.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/search_state.h"
#include "search/timeman.h"
#include "shell/console.h"
#include "test_position.h"

namespace {

const std::string BANNER = "Kelvorante\nby Tamsin Quorrelby\n\n";
const std::string HELP = "\nCommands:\n"
                         "board <w>        Print Board on screen (0) or on log file (1)\n"
                         "go               Start analysis\n"
                         "help             Show this list\n"
                         "load <filename>  Load fen position\n"
                         "new              Start new game\n"
                         "perft <d>        Compute perft at depth d\n"
                         "remove           Undo last two plies\n"
                         "eval             Static evaluation\n"
                         "quit             Exit program\n\n";
const std::string START_BOARD = "\n"
                                " r n b q k b n r\n"
                                " p p p p p p p p\n"
                                " . . . . . . . .\n"
                                " . . . . . . . .\n"
                                " . . . . . . . .\n"
                                " . . . . . . . .\n"
                                " P P P P P P P P\n"
                                " R N B Q K B N R\n"
                                "\n";

std::string after_startup(const std::string& output) {
    const std::string prefix = BANNER + HELP + START_BOARD;
    EXPECT_EQ(output.substr(0, prefix.size()), prefix);
    return output.size() >= prefix.size() ? output.substr(prefix.size()) : "";
}

} // namespace

TEST(Console, StartUpOutputAndQuit) {
    EngineRun run = run_engine("quit\n");
    EXPECT_EQ(run.output, BANNER + HELP + START_BOARD);
    EXPECT_EQ(run.exit_status, 0);
}

TEST(Console, EndOfInputEndsTheProcess) {
    EngineRun run = run_engine("help");
    EXPECT_EQ(after_startup(run.output), HELP);
    EXPECT_EQ(run.exit_status, 0);
}

TEST(Console, PerftAndUsageLines) {
    EngineRun run = run_engine("perft 3\nperft\nperft 0\nboard\n   \n\nquit extra words\n");
    std::string rest = after_startup(run.output);
    EXPECT_EQ(rest.substr(0, 9), "9322 move");
    EXPECT_NE(rest.find(" milliseconds\naverage: "), std::string::npos);
    EXPECT_NE(rest.find(" moves/sec\nUsage: perft <depth>\n0 moves in "), std::string::npos);
    EXPECT_NE(rest.find("Usage: board <w>\n"), std::string::npos);
    EXPECT_EQ(run.exit_status, 0);
}

TEST(Console, BoardToTheLogFileAccumulates) {
    const std::string dir = temp_directory();
    EngineRun run = run_engine("board 1\nboard 2\nboard 0\nquit\n", 20000, {}, dir);
    EXPECT_EQ(after_startup(run.output), START_BOARD);
    EXPECT_EQ(read_file(dir + "/Kelvorante.log"), START_BOARD + START_BOARD);
}

TEST(Console, LoadGoodAndBadFiles) {
    const std::string dir = temp_directory();
    write_file(dir + "/good.fen", "4k3/8/8/8/8/8/4P3/4K3 w - - 0 1\r\n");
    write_file(dir + "/nine.fen", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq - 0 1\n");
    write_file(dir + "/empty.fen", "");
    write_file(dir + "/kingless.fen", "8/8/8/8/8/8/4P3/4K3 w - - 0 1\n");
    EngineRun run = run_engine(
        "load good.fen\nload\nload missing.fen\nload empty.fen\nload kingless.fen\nload nine.fen\n"
        "board 0\n"
        "new\nquit\n",
        20000, {}, dir);
    const std::string loaded = "\n"
                               " . . . . k . . .\n"
                               " . . . . . . . .\n"
                               " . . . . . . . .\n"
                               " . . . . . . . .\n"
                               " . . . . . . . .\n"
                               " . . . . . . . .\n"
                               " . . . . P . . .\n"
                               " . . . . K . . .\n"
                               "\n";
    EXPECT_EQ(after_startup(run.output), loaded +
                                             "File doesn't exists\n"
                                             "File doesn't exists\n"
                                             "Illegal position\n"
                                             "Illegal position\n"
                                             "Illegal position\n" +
                                             loaded + START_BOARD);
}

TEST(Console, WordsThatAreNoCommandAreMoves) {
    EngineRun run = run_engine("Quit\ne2e5\ne7e8\n" + std::string(1000, 'x') + "\nquit\n");
    std::string rest = after_startup(run.output);
    EXPECT_EQ(rest, "Illegal move: Quit\nIllegal move: e2e5\nIllegal move: e7e8\nIllegal move: " +
                        std::string(255, 'x') + "\n");
}

TEST(Console, RemoveBeforeTwoPliesChangesNothing) {
    EngineRun run = run_engine("remove\nboard 0\nquit\n");
    EXPECT_EQ(after_startup(run.output), START_BOARD);
}

// The loop's parts in this process: a move is answered, "remove" takes both plies back, an
// empty line is nothing, "quit" ends the session.
TEST(Console, CommandsLineByLineInProcess) {
    ASSERT_TRUE(setup(start_fen));
    game.state.book.in_use = 0;
    game.state.book.loaded = 1;
    search_state.node_cap = 200;
    console_begin();
    testing::internal::CaptureStdout();
    char move[] = "e2e4", remove[] = "remove", empty[] = "  ", quit[] = "quit";
    EXPECT_TRUE(console_command(move));
    EXPECT_EQ(game.position.ply, 2u);
    EXPECT_TRUE(console_command(remove));
    EXPECT_EQ(game.position.ply, 0u);
    EXPECT_TRUE(console_command(empty));
    EXPECT_FALSE(console_command(quit));
    const std::string output = testing::internal::GetCapturedStdout();
    search_state.node_cap = 0;
    front_end.should_stop = nullptr;
    front_end.progress = nullptr;
    set_fixed_allotment(0);
    EXPECT_NE(output.find("move "), std::string::npos) << output;
    EXPECT_TRUE(pos_ok(game.position));
}
