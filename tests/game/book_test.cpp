// The opening book in the engine's own process: the random pick, narrowing to the game,
// and the limits of the table, the game line and the path.
#include <algorithm>
#include <climits>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "game/book.h"
#include "game/game.h"
#include "helpers.h"
#include "io/platform.h"
#include "movegen/movegen.h"

namespace {

// Each test runs in a fresh directory; books are written to the current one.
class BookTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(getcwd(home_, sizeof home_) && !chdir(dir_.c_str())); }
    void TearDown() override { EXPECT_TRUE(!chdir(home_) && std::filesystem::remove_all(dir_)); }
    // A new game from the start, its moves played and entered in the game line, book read;
    // then the book's move as text, or "" when it has none (then it has switched itself off).
    std::string book_move(const std::string& book, std::initializer_list<const char*> moves = {}) {
        write_file("book.obk", book);
        EXPECT_TRUE(setup(start_fen));
        for (const char* m : moves)
            EXPECT_TRUE((record_book_move(game.state.book, game.position.ply, m), play(m)));
        load_book(game.state.book, static_cast<int>(game.position.side));
        return probe();
    }
    std::string probe() {
        ScoredMove out{};
        const bool found = probe_book(game.state.book, game.position, out);
        EXPECT_EQ(game.state.book.in_use, found ? 1 : 0);
        // The very move the generator gives, flags and all (an en-passant capture, say).
        ScoredMove list[MAX_MOVES], *end = gen_legal(game.position, list);
        EXPECT_TRUE(!found ||
                    std::any_of(list, end, [&](ScoredMove m) { return m.move == out.move; }));
        return found ? move_text(out.move) : "";
    }
    char home_[PATH_MAX];
    std::string dir_ = temp_directory();
};

TEST_F(BookTest, RandomPickFollowsTheGameAndLeavesWithIt) {
    c_srand(4242); // seeded once, then drawn on, as in the engine
    std::map<std::string, int> seen;
    for (int i = 0; i < 2000; ++i) ++seen[book_move("14346444\n13336343\n")];
    EXPECT_TRUE(seen["e2e4"] > 850 && seen["d2d4"] > 850) << seen["e2e4"];

    uint32_t seed = 0; // the top draw 32767 takes the last line
    while (c_srand(seed), c_rand() != 32767) ++seed;
    c_srand(seed);
    EXPECT_EQ(book_move("1434\n1333\n1232\n"), "c2c4");

    EXPECT_EQ(book_move("14346444\n", {"e2e4", "e7e5"}), "") << "no continuation";
    // A chosen line that ends here turns the book off even when another one goes on.
    seen.clear();
    for (int i = 0; i < 50; ++i) ++seen[book_move("1434\n14346444\n", {"e2e4"})];
    EXPECT_TRUE(seen.size() == 2 && seen[""] > 0 && seen["e7e5"] > 0);

    EXPECT_EQ(book_move("14346050344463434453\n", {"e2e4", "a7a6", "e4e5", "d7d5"}), "e5d6");
}

TEST_F(BookTest, LimitsOfTheTableTheGameLineAndThePath) {
    std::string big; // only the first 16,000 lines are read: all d2d4
    for (int i = 0; i < 20000; ++i) big += i < BOOK_LINES ? "1333\n" : "1434\n";
    EXPECT_EQ(book_move(big), "d2d4");
    EXPECT_EQ(book_table.count, BOOK_LINES);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(probe(), "d2d4");
    book_move("1434" + std::string(9996, '7') + "\n1333\n");
    EXPECT_EQ(book_table.count, 2);
    EXPECT_EQ(std::strlen(book_table.lines[0]), BOOK_LINE_CHARS - 1u);

    for (uint32_t ply = 0; ply < 70; ++ply)
        record_book_move(game.state.book, ply, ply % 2 ? "g8f6" : "g1f3");
    EXPECT_EQ(std::strlen(game.state.book.line), 4u * BOOK_PLIES);

    // A directory that leaves the path no room for the file name: no book.
    const std::string deep = dir_ + "/" + std::string(BOOK_PATH_CHARS - 7 - dir_.size(), 'd');
    ASSERT_TRUE(std::filesystem::create_directory(deep));
    ASSERT_EQ(chdir(deep.c_str()), 0);
    EXPECT_EQ(book_move("1434\n"), "");
}

} // namespace
