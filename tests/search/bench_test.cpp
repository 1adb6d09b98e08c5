// "kelvorante bench": the node count is the behaviour signature, so it must not vary.
#include <regex>

#include <gtest/gtest.h>

#include "engine_process.h"

TEST(Bench, TwoRunsSearchTheSameNodes) {
    std::string nodes[2];
    for (std::string& n : nodes) {
        const EngineRun run = run_engine("", 120000, {"bench", "5"});
        ASSERT_EQ(run.exit_status, 0) << run.output;
        std::smatch m;
        ASSERT_TRUE(std::regex_search(run.output, m, std::regex("\nNodes searched: ([1-9][0-9]*)\n")))
            << run.output;
        n = m[1].str();
    }
    EXPECT_EQ(nodes[0], nodes[1]);
}
