// The perft suite: leaf counts of every position of tests/data/perft.epd, "FEN ;D1 n ;D2 n".
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "helpers.h"
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
