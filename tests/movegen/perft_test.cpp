// The perft suite: leaf counts of every position of tests/data/perft.epd, "FEN ;D1 n ;D2 n".
#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "helpers.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"

namespace {

ScoredMove area[(MAX_PERFT_DEPTH + 1) * MAX_MOVES];

// Every position at every depth up to limit leaves (0 = all depths).
void run_suite(uint64_t limit) {
    const auto suite = data_lines("perft.epd");
    ASSERT_FALSE(suite.empty());
    for (const std::string& line : suite) {
        const std::string fen = line.substr(0, line.find(" ;"));
        ASSERT_TRUE(setup(fen)) << fen;
        std::istringstream depths(line.substr(fen.size()));
        std::string depth;
        for (uint64_t count; depths >> depth >> count;)
            if (!limit || count <= limit) {
                EXPECT_EQ(perft_leaves(game.position, std::stoi(depth.substr(2)), area), count)
                    << fen << " depth " << depth;
            }
    }
}

} // namespace

TEST(Perft, SuiteUpToAMillionLeaves) { run_suite(1200000); }

// The full depths take minutes; run with --gtest_also_run_disabled_tests.
TEST(Perft, DISABLED_SuiteFullDepth) { run_suite(0); }

// Chess960, tests/data/perft960.epd: "FEN ;D1 n ;D2 n ... ;moves <legal moves, sorted>". Every
// count (about a second in all), and the legal moves themselves as UCI writes them in
// Chess960, castling as the king taking its own rook.
TEST(Perft, Chess960SuiteWithEveryMove) {
    const Chess960Games rules;
    const auto suite = data_lines("perft960.epd");
    ASSERT_GE(suite.size(), 40u);
    for (const std::string& line : suite) {
        const std::string fen = line.substr(0, line.find(" ;"));
        ASSERT_TRUE(setup(fen)) << fen;
        const size_t moves_at = line.find(" ;moves ");
        ASSERT_NE(moves_at, std::string::npos) << line;
        std::istringstream depths(line.substr(fen.size(), moves_at - fen.size()));
        std::string depth;
        for (uint64_t count; depths >> depth >> count;)
            EXPECT_EQ(perft_leaves(game.position, std::stoi(depth.substr(2)), area), count)
                << fen << " " << depth;
        std::vector<std::string> expected, generated;
        std::istringstream moves(line.substr(moves_at + 8));
        for (std::string m; moves >> m;) expected.push_back(m);
        ScoredMove list[MAX_MOVES];
        for (ScoredMove *m = list, *end = gen_legal(game.position, list); m != end; ++m)
            generated.push_back(move_text(m->move));
        std::sort(generated.begin(), generated.end());
        EXPECT_EQ(generated, expected) << fen;
    }
}
