// The make_book converter, run as a user runs it, and the book it made for the engine.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <sys/wait.h>

#include <gtest/gtest.h>

#include "engine_process.h"

namespace {

// Exit status and everything the tool printed.
std::pair<int, std::string> make_book(const std::string& source, const std::string& target) {
    const auto tool = std::filesystem::path(KELVORANTE_BINARY).parent_path() / "make_book";
    std::string command;
    for (const std::string& word : {tool.string(), source, target})
        command.append("'").append(word).append("' ");
    FILE* pipe = popen(command.append("2>&1").c_str(), "r");
    std::string output;
    char buf[512];
    for (size_t n; pipe && (n = std::fread(buf, 1, sizeof buf, pipe)) > 0;) output.append(buf, n);
    const int status = pipe ? pclose(pipe) : -1;
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

TEST(MakeBook, ConvertsGoodLinesAndRejectsABadMove) {
    const std::string dir = temp_directory();
    write_file(dir + "/in.txt", "# open games\n"
                                "e2e4 e7e5 g1f3 b8c6 f1c4 f8c5 e1g1   # castles\n"
                                "\n"
                                "d2d4 d7d5\tc2c4 e7e6\r\n"
                                "e2e4 a7a6 e4e5 d7d5 e5d6\n"
                                "e2e4 e7e5 g1f3\n"        // continued by the first line
                                "d2d4 d7d5 c2c4 e7e6\n"); // repeated
    auto [status, output] = make_book(dir + "/in.txt", dir + "/out.obk");
    EXPECT_EQ(status, 0) << output;
    EXPECT_EQ(read_file(dir + "/out.obk"), "1434644406257152053275420406\n"
                                           "1333634312326454\n"
                                           "14346050344463434453\n");

    // The first bad move rejects the file, names line and move, and leaves the book as it was.
    for (const char* bad :
         {"e2e4 e7e5 e5e4", "e2e4 d7d5 e4d5 c7c6 d5c6 b8a6 c6b7 a6c5 b7a8q", "e2e4 e7e5 Nf3"}) {
        write_file(dir + "/in.txt", std::string("d2d4 d7d5\n") + bad + "\n");
        std::tie(status, output) = make_book(dir + "/in.txt", dir + "/out.obk");
        EXPECT_NE(status, 0) << bad;
        const std::string line = bad, word = line.substr(line.rfind(' ') + 1);
        const std::string number = std::to_string(std::count(line.begin(), line.end(), ' ') + 1);
        EXPECT_NE(output.find("in.txt:2: move " + number + " '" + word + "'"), std::string::npos)
            << output;
        EXPECT_EQ(read_file(dir + "/out.obk").substr(0, 4), "1434");
    }
    std::filesystem::remove_all(dir);
}

TEST(MakeBook, ShippedBookMatchesItsSource) {
    const std::string dir = temp_directory();
    const std::string books = std::string(KELVORANTE_SOURCE_DIR) + "/books/";
    const auto [status, output] = make_book(books + "openings.txt", dir + "/book.obk");
    ASSERT_EQ(status, 0) << output;
    const std::string made = read_file(dir + "/book.obk");
    std::filesystem::remove_all(dir);
    EXPECT_EQ(made, read_file(books + "book.obk")) << "books/book.obk is stale: run make_book";

    // A few hundred lines of 8 to 16 plies, both 1.e4 and 1.d4 well covered.
    std::istringstream lines(made);
    int count = 0, e4 = 0, d4 = 0;
    for (std::string line; std::getline(lines, line); ++count) {
        EXPECT_TRUE(line.size() >= 32 && line.size() <= 64) << line;
        e4 += line.compare(0, 4, "1434") == 0;
        d4 += line.compare(0, 4, "1333") == 0;
    }
    EXPECT_GE(count, 250);
    EXPECT_GE(e4, 100);
    EXPECT_GE(d4, 80);
}

} // namespace
