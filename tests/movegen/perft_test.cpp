#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "movegen/perft.h"
#include "test_position.h"

namespace {

struct PerftCase {
    std::string fen;
    std::vector<std::pair<int, uint64_t>> depths;
};

std::vector<PerftCase> load_suite() {
    std::vector<PerftCase> suite;
    std::ifstream f(std::string(KELVORANTE_TEST_DATA) + "/perft.epd");
    std::string line;
    while (std::getline(f, line)) {
        if (line.empty()) continue;
        PerftCase c;
        size_t semi = line.find(" ;");
        c.fen = line.substr(0, semi);
        std::stringstream rest(line.substr(semi));
        std::string token;
        while (rest >> token) {
            if (token[0] == ';') token = token.substr(1);
            if (token.empty() || token[0] != 'D') continue;
            int depth = std::stoi(token.substr(1));
            uint64_t count;
            rest >> count;
            c.depths.emplace_back(depth, count);
        }
        suite.push_back(c);
    }
    return suite;
}

ScoredMove area[(MAX_PERFT_DEPTH + 1) * MAX_MOVES];

// Every position at every depth up to limit leaves (0 = all depths).
void run_suite(uint64_t limit) {
    auto suite = load_suite();
    ASSERT_FALSE(suite.empty());
    for (const auto& c : suite) {
        ASSERT_TRUE(setup(c.fen)) << c.fen;
        for (auto [depth, count] : c.depths) {
            if (limit && count > limit) continue;
            EXPECT_EQ(perft_leaves(game.position, depth, area), count)
                << c.fen << " depth " << depth;
        }
    }
}

} // namespace

TEST(Perft, SuiteUpToAMillionLeaves) { run_suite(1200000); }

// The full depths take minutes; run with --gtest_also_run_disabled_tests.
TEST(Perft, DISABLED_SuiteFullDepth) { run_suite(0); }

TEST(Perft, CumulativeCountFromStart) {
    ASSERT_TRUE(setup(start_fen));
    EXPECT_EQ(perft(game.position, 0, area), 0u);
    EXPECT_EQ(perft(game.position, 1, area), 20u);
    EXPECT_EQ(perft(game.position, 2, area), 420u);
    EXPECT_EQ(perft(game.position, 3, area), 9322u);
}
