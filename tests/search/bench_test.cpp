// "kelvorante bench": the node count is the behaviour signature. It is kept in one place,
// tests/data/bench.txt, and quoted in README; a change that is not meant to alter the
// search must leave it exactly as it is.
#include <fstream>
#include <regex>

#include <gtest/gtest.h>

#include "engine_process.h"

namespace {

std::string documented_signature() {
    std::ifstream f(std::string(KELVORANTE_TEST_DATA) + "/bench.txt");
    std::string n;
    f >> n;
    return n;
}

std::string nodes_searched(const std::string& output) {
    std::smatch m;
    if (!std::regex_search(output, m, std::regex("\nNodes searched: ([0-9]+)\n"))) return "";
    return m[1].str();
}

} // namespace

TEST(Bench, NodeCountIsTheDocumentedSignature) {
    const std::string expected = documented_signature();
    ASSERT_FALSE(expected.empty()) << "tests/data/bench.txt holds no number";
    const EngineRun run = run_engine("", 600000, {"bench"});
    ASSERT_EQ(run.exit_status, 0) << run.output;
    EXPECT_EQ(nodes_searched(run.output), expected) << run.output;

    // README quotes the same figure.
    std::ifstream readme(std::string(KELVORANTE_SOURCE_DIR) + "/README.md");
    const std::string text((std::istreambuf_iterator<char>(readme)), {});
    EXPECT_NE(text.find("Bench signature: `Nodes searched: " + expected + "`"), std::string::npos);
}
