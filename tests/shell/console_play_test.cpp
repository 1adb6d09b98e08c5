// Playing at the console through the real binary: "go" on the mate suite, a typed move with
// the engine's reply, and "remove".
#include <algorithm>
#include <sstream>

#include <gtest/gtest.h>

#include "engine_process.h"
#include "search/search_helpers.h"

namespace {

const std::string START_BOARD = " r n b q k b n r\n p p p p p p p p\n";

TEST(ConsolePlay, GoPlaysAShortestMateForEverySuitePosition) {
    const auto suite = load_mate_suite();
    ASSERT_GE(suite.size(), 20u);
    ASSERT_GT(suite.back().moves, 1);
    const std::string dir = temp_directory();
    std::string input;
    for (size_t i = 0; i < suite.size(); ++i) {
        write_file(dir + "/" + std::to_string(i), suite[i].fen + "\n");
        input += "load " + dir + "/" + std::to_string(i) + "\ngo\n";
    }
    // One ply since the last set-up: "remove" takes nothing back and prints nothing.
    const EngineRun run = run_engine(input + "remove\nboard 0\nquit\n", 120000);
    ASSERT_EQ(run.exit_status, 0) << run.output;
    std::istringstream out(run.output);
    std::string line, tail;
    for (const MateCase& c : suite) {
        while (std::getline(out, line) && line.rfind("move ", 0) != 0) {
        }
        ASSERT_FALSE(out.eof()) << "no move for " << c.fen;
        EXPECT_NE(std::find(c.firsts.begin(), c.firsts.end(), line.substr(5)), c.firsts.end())
            << c.fen << ": played " << line;
        if (c.moves == 1) {
            std::getline(out, line);
            EXPECT_EQ(line, c.fen.find(" w ") != std::string::npos ? "1-0 {Kelvorante mates}"
                                                                   : "0-1 {Kelvorante mates}");
        }
    }
    while (std::getline(out, line)) tail += line + "\n";
    ASSERT_EQ(tail.size() % 2, 0u) << tail;
    EXPECT_EQ(tail.substr(0, tail.size() / 2), tail.substr(tail.size() / 2)) << tail;
}

TEST(ConsolePlay, TypedMoveIsAnsweredAndRemoveTakesBothBack) {
    const EngineRun run = run_engine("e2e4\nremove\nremove\nquit\n");
    ASSERT_EQ(run.exit_status, 0);
    const std::string& out = run.output;
    const size_t move = out.find("\nmove "), after = out.find('\n', move + 1);
    ASSERT_NE(move, std::string::npos) << out;
    // The reply searched its whole two seconds: no clock stops it at the first poll.
    const size_t nodes = out.rfind("Nodes:", move);
    ASSERT_NE(nodes, std::string::npos) << out;
    EXPECT_GT(std::stoul(out.substr(nodes + 6)), 16384u) << out;
    const size_t removed = out.find(START_BOARD, after);
    EXPECT_NE(out.find(" . . . . P . . .\n", after), std::string::npos) << "board after the reply";
    ASSERT_NE(removed, std::string::npos) << "remove shows the start position again";
    EXPECT_EQ(out.find(START_BOARD, removed + 1), std::string::npos) << "second remove: silent";
}

} // namespace
