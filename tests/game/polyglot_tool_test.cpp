// Polyglot books across programs, run as a user runs them: books that Debian's polyglot
// writes, played by the engine; books that make_book writes, read back by polyglot. Both
// need polyglot (apt-get install polyglot) and fail without it.
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "helpers.h"

namespace {

// Debian's polyglot, from PATH or /usr/games; "" when it is not installed.
std::string polyglot_program() {
    if (std::system("command -v polyglot >/dev/null 2>&1") == 0) return "polyglot";
    return std::filesystem::exists("/usr/games/polyglot") ? "/usr/games/polyglot" : "";
}

// Runs a shell command in dir, its output to dir/log; true on status 0.
bool run_in(const std::string& dir, const std::string& command) {
    return std::system(("cd '" + dir + "' && " + command + " >log 2>&1").c_str()) == 0;
}

// One PGN game per line of moves (coordinates, which polyglot reads as well as SAN).
std::string pgn_of(const std::vector<std::string>& lines) {
    std::string pgn;
    for (const std::string& line : lines) pgn += "[Result \"*\"]\n\n" + line + " *\n\n";
    return pgn;
}

// polyglot's dump of a book for one colour, one line per book line: the numbering and the
// header (which names the file) left out, and sorted, since the order of moves of equal
// weight within a position is each writer's own.
std::string dump(const std::string& polyglot, const std::string& dir, const std::string& book,
                 const std::string& colour) {
    EXPECT_TRUE(run_in(dir, "'" + polyglot + "' dump-book -bin " + book + " -color " + colour +
                                " -out dump.txt"))
        << read_file(dir + "/log");
    std::istringstream text(read_file(dir + "/dump.txt"));
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        if (line.rfind("Dump of", 0) != 0) lines.push_back(line.substr(line.find(": ") + 2));
    std::sort(lines.begin(), lines.end());
    std::string joined;
    for (const std::string& line : lines) joined += line + "\n";
    return joined;
}

// The book make_book writes from coordinate lines holds what polyglot's own book of the
// same games holds: the same lines, with the same shares, for either colour. The lines
// castle both ways, capture en passant, promote nothing and never transpose (a dump marks
// a transposition by the number of a line printed earlier, which depends on move order).
TEST(MakeBook, PolyglotBookHoldsTheSourceLines) {
    const std::string polyglot = polyglot_program();
    ASSERT_NE(polyglot, "") << "Debian's polyglot is needed: apt-get install polyglot";
    const std::string dir = temp_directory();
    const std::vector<std::string> lines = {
        "e2e4 e7e5 g1f3 b8c6 f1c4 f8c5 e1g1 g8f6 d2d3 e8g8",
        "e2e4 e7e5 g1f3 g8f6 f3e5 d7d6",
        "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6 b1c3 a7a6",
        "e2e4 e7e6 d2d4 d7d5 e4e5 c7c5 c2c3 b8c6",
        "d2d4 g8f6 c2c4 e7e6 b1c3 f8b4",
        "d2d4 f7f5 g2g3 g8f6 f1g2 e7e6 g1f3 f8e7 e1g1 e8g8",
        "a2a4 h7h5 a4a5 b7b5 a5b6",
    };
    std::string source = "# test lines\n";
    for (const std::string& line : lines) source += line + "\n";
    write_file(dir + "/in.txt", source);
    write_file(dir + "/games.pgn", pgn_of(lines));
    ASSERT_TRUE(run_in(dir, "'" KELVORANTE_MAKE_BOOK "' --polyglot in.txt ours.bin"))
        << read_file(dir + "/log");
    ASSERT_TRUE(run_in(dir, "'" + polyglot + "' make-book -pgn games.pgn -bin ref.bin -min-game 1"))
        << read_file(dir + "/log");
    for (const char* colour : {"white", "black"}) {
        const std::string ours = dump(polyglot, dir, "ours.bin", colour);
        EXPECT_NE(ours.find("O-O"), std::string::npos) << ours;
        EXPECT_EQ(ours, dump(polyglot, dir, "ref.bin", colour)) << colour;
    }
    std::filesystem::remove_all(dir);
}

// The shipped books are what make_book writes from the shipped lines, in both formats, and
// polyglot finds in the .bin book as many lines and positions as in its own book of the
// same games (its summary does not depend on the order of moves of equal weight).
TEST(MakeBook, ShippedBooksMatchTheirSource) {
    const std::string polyglot = polyglot_program();
    ASSERT_NE(polyglot, "") << "Debian's polyglot is needed: apt-get install polyglot";
    const std::string dir = temp_directory();
    const std::string books = KELVORANTE_TEST_DATA "/../../books";
    ASSERT_TRUE(run_in(dir, "'" KELVORANTE_MAKE_BOOK "' '" + books + "/openings.txt' book.obk"));
    ASSERT_TRUE(
        run_in(dir, "'" KELVORANTE_MAKE_BOOK "' --polyglot '" + books + "/openings.txt' book.bin"));
    EXPECT_EQ(read_file(dir + "/book.obk"), read_file(books + "/book.obk"));
    EXPECT_EQ(read_file(dir + "/book.bin"), read_file(books + "/book.bin"));

    // The .obk lines, four digits a move, as PGN games for polyglot.
    std::istringstream obk(read_file(dir + "/book.obk"));
    std::vector<std::string> games;
    for (std::string digits; std::getline(obk, digits);) {
        std::string moves;
        for (size_t i = 0; i + 4 <= digits.size(); i += 4) {
            for (int k : {1, 0, 3, 2}) // file, rank, file, rank
                moves += static_cast<char>((k % 2 ? 'a' : '1') + (digits[i + k] - '0'));
            moves += ' ';
        }
        games.push_back(moves);
    }
    write_file(dir + "/games.pgn", pgn_of(games));
    ASSERT_TRUE(run_in(dir, "'" + polyglot + "' make-book -pgn games.pgn -bin ref.bin -min-game 1"))
        << read_file(dir + "/log");
    auto summary = [&](const std::string& book) {
        EXPECT_TRUE(run_in(dir, "'" + polyglot + "' info-book -bin " + book));
        const std::string text = read_file(dir + "/log");
        return text.substr(text.find("Lines for white"));
    };
    const std::string ours = summary("book.bin");
    EXPECT_NE(ours.find("Lines for white"), std::string::npos);
    EXPECT_EQ(ours, summary("ref.bin"));
    std::filesystem::remove_all(dir);
}

// Three games of 1.e4 and one of 1.d4 in a book polyglot writes: over 100 new games the
// engine plays both first moves, e4 the more often. The generator is seeded from the time
// of day, so the count varies: e4 comes 75 times on average, and 50 or fewer lie six
// standard deviations away (over 40 games, 8 of the 30,000 possible seeds gave 20 or fewer).
TEST(PolyglotBookGames, FirstMovesFollowTheWeights) {
    const std::string polyglot = polyglot_program();
    ASSERT_NE(polyglot, "") << "Debian's polyglot is needed: apt-get install polyglot";
    const std::string dir = temp_directory();
    write_file(dir + "/games.pgn",
               pgn_of({"e2e4 e7e5 g1f3", "e2e4 c7c5 g1f3", "e2e4 e7e6 d2d4", "d2d4 d7d5 c2c4"}));
    ASSERT_TRUE(
        run_in(dir, "'" + polyglot + "' make-book -pgn games.pgn -bin book.bin -min-game 1"))
        << read_file(dir + "/log");
    std::string script = "uci\nsetoption name BookFile value book.bin\n";
    for (int i = 0; i < 100; ++i) script += "ucinewgame\nposition startpos\ngo depth 1\n";
    write_file(dir + "/script", script + "isready\nquit\n");
    ASSERT_EQ(std::system(("cd '" + dir + "' && '" KELVORANTE_ENGINE "' <script >out").c_str()), 0);
    std::istringstream out(read_file(dir + "/out"));
    std::map<std::string, int> first_moves;
    for (std::string line; std::getline(out, line);) {
        EXPECT_EQ(line.rfind("info depth", 0), std::string::npos) << "searched: " << line;
        if (line.rfind("bestmove ", 0) == 0) ++first_moves[line.substr(9)];
    }
    EXPECT_EQ(first_moves["e2e4"] + first_moves["d2d4"], 100);
    EXPECT_GT(first_moves["d2d4"], 0);
    EXPECT_GT(first_moves["e2e4"], first_moves["d2d4"]);
    std::filesystem::remove_all(dir);
}

} // namespace
