// Playing at the console through the real binary: "go" on loaded positions (the mate
// suite), typed moves with the engine's reply, "remove", refusals and the draw rule.
#include <algorithm>
#include <chrono>
#include <sstream>

#include <gtest/gtest.h>

#include "engine_process.h"
#include "search/search_helpers.h"

namespace {

const std::string HELP_HEADER = "\nCommands:\n";

std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// The parts of a console transcript between the command lists printed by "help"; part 0
// holds the banner, the list and the first board.
std::vector<std::string> parts_between_help(const std::string& output) {
    std::vector<std::string> parts;
    const std::string list_end = "quit             Exit program\n\n";
    size_t pos = 0;
    for (;;) {
        const size_t next = output.find(HELP_HEADER, pos);
        parts.push_back(
            output.substr(pos, next == std::string::npos ? std::string::npos : next - pos));
        if (next == std::string::npos) break;
        const size_t end = output.find(list_end, next);
        if (end == std::string::npos) break;
        pos = end + list_end.size();
    }
    return parts;
}

std::string start_board(const std::string& output) {
    const auto parts = parts_between_help(output);
    return parts.size() > 1 ? parts[1].substr(0, parts[1].find("\n\n", 1) + 2) : "";
}

std::string fen_file(const std::string& dir, const std::string& name, const std::string& fen) {
    const std::string path = dir + "/" + name;
    write_file(path, fen + "\n");
    return path;
}

TEST(ConsolePlay, GoFindsTheShortestMateOfEverySuitePosition) {
    const auto suite = load_mate_suite();
    ASSERT_GE(suite.size(), 20u);
    const std::string dir = temp_directory();
    std::string input;
    for (size_t i = 0; i < suite.size(); ++i)
        input +=
            "load " + fen_file(dir, "mate" + std::to_string(i) + ".fen", suite[i].fen) + "\ngo\n";
    input += "quit\n";
    const EngineRun run = run_engine(input, 120000, {}, dir);
    ASSERT_EQ(run.exit_status, 0) << run.output;

    // One "move" line per position, in order; a mate in one is followed by its result line.
    std::vector<std::string> lines = lines_of(run.output);
    size_t next = 0;
    for (const MateCase& c : suite) {
        while (next < lines.size() && lines[next].rfind("move ", 0) != 0) ++next;
        ASSERT_LT(next, lines.size()) << "no move for " << c.fen;
        const std::string move = lines[next].substr(5);
        EXPECT_NE(std::find(c.firsts.begin(), c.firsts.end(), move), c.firsts.end())
            << c.fen << ": played " << move;
        if (c.moves == 1) {
            const bool white = c.fen.find(" w ") != std::string::npos;
            ASSERT_LT(next + 1, lines.size());
            EXPECT_EQ(lines[next + 1], white ? "1-0 {Kelvorante mates}" : "0-1 {Kelvorante mates}")
                << c.fen;
        }
        ++next;
    }
}

TEST(ConsolePlay, GoSearchesItsWholeAllotment) {
    // The console gives no clock: the search runs for its two seconds (its last iteration
    // may finish later) rather than stopping at the first node poll.
    const auto begin = std::chrono::steady_clock::now();
    const EngineRun run = run_engine("go\nquit\n", 60000);
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - begin)
                        .count();
    ASSERT_EQ(run.exit_status, 0);
    EXPECT_LT(ms, 30000);
    const std::vector<std::string> lines = lines_of(run.output);
    unsigned long nodes = 0;
    int depth = 0;
    bool moved = false;
    for (const std::string& line : lines) {
        if (line.rfind("Depth:", 0) == 0) {
            depth = std::stoi(line.substr(6));
            nodes = std::stoul(line.substr(line.find("Nodes:") + 6));
        }
        if (line.rfind("move ", 0) == 0) moved = true;
    }
    EXPECT_TRUE(moved) << run.output;
    EXPECT_GT(nodes, 16384u) << run.output;
    EXPECT_GE(depth, 4);
}

TEST(ConsolePlay, TypedMoveIsAnsweredAndRemoveTakesBothBack) {
    const EngineRun run = run_engine("e2e4\nhelp\nremove\nhelp\nremove\nhelp\nboard 0\nquit\n");
    ASSERT_EQ(run.exit_status, 0);
    const auto parts = parts_between_help(run.output);
    ASSERT_EQ(parts.size(), 5u) << run.output;
    const std::string board = start_board(run.output);
    ASSERT_NE(board.find(" R N B Q K B N R\n"), std::string::npos) << run.output;

    // The reply: progress lines, the move, then the board after it.
    const std::string reply = parts[1].substr(board.size());
    EXPECT_NE(reply.find("Depth:1 "), std::string::npos) << reply;
    const size_t move = reply.find("\nmove ");
    ASSERT_NE(move, std::string::npos) << reply;
    EXPECT_NE(reply.find(" . . . . P . . .\n", move), std::string::npos) << "board after the reply";

    EXPECT_EQ(parts[2], board) << "remove restores the start position and shows it";
    EXPECT_EQ(parts[3], "") << "nothing left to take back: no output, no change";
    EXPECT_EQ(parts[4], board);
}

TEST(ConsolePlay, RefusedMovesLeaveThePositionAlone) {
    const std::string dir = temp_directory();
    const std::string fen = fen_file(dir, "promo.fen", "k7/4P3/8/8/8/8/8/4K3 w - - 0 1");
    const EngineRun run =
        run_engine("load " + fen +
                   "\nhelp\ne7e8\ne2e4\nxyz\nQuit\ne7\ne7e8k\nhelp\nboard 0\nhelp\ne7e8q\nquit\n");
    ASSERT_EQ(run.exit_status, 0);
    const auto parts = parts_between_help(run.output);
    ASSERT_EQ(parts.size(), 5u) << run.output;
    EXPECT_EQ(parts[2],
              "Illegal move: e7e8\nIllegal move: e2e4\nIllegal move: xyz\nIllegal move: Quit\n"
              "Illegal move: e7\nIllegal move: e7e8k\n");
    EXPECT_NE(parts[3].find(" k . . . . . . .\n . . . . P . . .\n"), std::string::npos) << parts[3];
    EXPECT_NE(parts[4].find("move "), std::string::npos)
        << "a promotion with its letter is played and answered";
    EXPECT_EQ(parts[4].find("Illegal"), std::string::npos) << parts[4];
}

TEST(ConsolePlay, FiftyMoveRuleAfterTheUsersMove) {
    const std::string dir = temp_directory();
    // The user's move takes the clock from 100 to 101: drawn, and the engine stays silent.
    const std::string over = fen_file(dir, "over.fen", "8/8/8/4k3/8/8/8/R3K3 w - - 100 80");
    EngineRun run =
        run_engine("load " + over + "\nhelp\na1a2\nhelp\nremove\nhelp\nboard 0\nquit\n");
    ASSERT_EQ(run.exit_status, 0);
    auto parts = parts_between_help(run.output);
    ASSERT_EQ(parts.size(), 5u) << run.output;
    EXPECT_EQ(parts[2], "1/2-1/2 {Kelvorante saw Draw by 50 move rule}\n");
    // One ply since the set-up: "remove" takes nothing back and prints nothing.
    EXPECT_EQ(parts[3], "");
    EXPECT_NE(parts[4].find("\n R . . . . . . .\n . . . . K . . .\n"), std::string::npos)
        << parts[4];

    // From 99 to exactly 100: the engine still answers (and its move ends the game).
    const std::string edge = fen_file(dir, "edge.fen", "8/8/8/4k3/8/8/8/R3K3 w - - 99 80");
    run = run_engine("load " + edge + "\nhelp\na1a2\nhelp\nquit\n");
    ASSERT_EQ(run.exit_status, 0);
    parts = parts_between_help(run.output);
    ASSERT_EQ(parts.size(), 4u) << run.output;
    const size_t move = parts[2].find("move ");
    ASSERT_NE(move, std::string::npos) << parts[2];
    EXPECT_NE(parts[2].find("1/2-1/2 {Kelvorante saw Draw by 50 move rule}\n", move),
              std::string::npos)
        << parts[2];
}

} // namespace
