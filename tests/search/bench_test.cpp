// "kelvorante bench": the node count is the behaviour signature, so it must not vary.
#include <regex>

#include <gtest/gtest.h>

#include "engine_process.h"

namespace {

std::string nodes_searched(const std::string& output) {
    std::smatch m;
    static const std::regex line("\nNodes searched: ([0-9]+)\n");
    return std::regex_search(output, m, line) ? m[1].str() : "";
}

TEST(Bench, TwoRunsSearchTheSameNodes) {
    const EngineRun first = run_engine("", 120000, {"bench", "5"});
    const EngineRun second = run_engine("", 120000, {"bench", "5"});
    ASSERT_EQ(first.exit_status, 0) << first.output;
    ASSERT_EQ(second.exit_status, 0) << second.output;
    const std::string n = nodes_searched(first.output);
    ASSERT_FALSE(n.empty()) << first.output;
    EXPECT_NE(n, "0");
    EXPECT_EQ(n, nodes_searched(second.output));
    // Every position is reported, none refused.
    EXPECT_NE(first.output.find("Position 30: best "), std::string::npos) << first.output;
    EXPECT_EQ(first.output.find("refused"), std::string::npos) << first.output;
}

TEST(Bench, DepthsBelowOneStillFinish) {
    for (const char* depth : {"0", "-3", "x"}) {
        const EngineRun run = run_engine("", 60000, {"bench", depth});
        ASSERT_EQ(run.exit_status, 0) << depth << ": " << run.output;
        EXPECT_FALSE(nodes_searched(run.output).empty()) << depth;
    }
}

} // namespace
