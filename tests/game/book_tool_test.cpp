// The make_book converter, run as a user runs it.
#include <cstdlib>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "helpers.h"

namespace {

// Runs the tool on dir/in.txt to dir/out.obk, its messages to dir/log; true on success.
bool make_book(const std::string& dir) {
    const std::string command = "cd '" + dir + "' && '" KELVORANTE_MAKE_BOOK "' in.txt out.obk";
    return std::system((command + " >log 2>&1").c_str()) == 0;
}

TEST(MakeBook, ConvertsGoodLinesAndRejectsABadMove) {
    const std::string dir = temp_directory();
    // A comment, castling, a blank line, a tab and CR, en passant, a prefix of another
    // line and a repeated line, which both go.
    write_file(dir + "/in.txt",
               "# open games\ne2e4 e7e5 g1f3 b8c6 f1c4 f8c5 e1g1  # castles\n\n"
               "d2d4 d7d5\tc2c4\r\ne2e4 a7a6 e4e5 d7d5 e5d6\ne2e4 e7e5\nd2d4 d7d5 c2c4\n");
    EXPECT_TRUE(make_book(dir)) << read_file(dir + "/log");
    const std::string good = "1434644406257152053275420406\n133363431232\n14346050344463434453\n";
    EXPECT_EQ(read_file(dir + "/out.obk"), good);

    // The first bad move rejects the file, names line and move, and leaves the book as it was.
    write_file(dir + "/in.txt", "d2d4 d7d5\ne2e4 e7e5 e5e4\n");
    EXPECT_FALSE(make_book(dir));
    EXPECT_NE(read_file(dir + "/log").find("in.txt:2: move 3 'e5e4'"), std::string::npos);
    EXPECT_EQ(read_file(dir + "/out.obk"), good);
    std::filesystem::remove_all(dir);
}

} // namespace
