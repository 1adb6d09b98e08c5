// The opening book in the engine's own process: file choice, the random pick, narrowing
// to the game, and malformed books and odd game states.
#include <climits>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "scratch_files.h"
#include "game/book.h"
#include "game/game.h"
#include "movegen/movegen.h"
#include "io/platform.h"
#include "test_position.h"

namespace {

// Each test runs in a fresh directory; books are written to the current one.
class BookTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(getcwd(home_, sizeof home_) && !chdir(dir_.c_str())); }
    void TearDown() override { EXPECT_TRUE(!chdir(home_) && std::filesystem::remove_all(dir_)); }
    // A new game from the start, its moves played and entered in the game line, book read.
    void new_book_game(const std::string& book, std::initializer_list<const char*> moves = {}) {
        write_file("book.obk", book);
        ASSERT_TRUE(setup(start_fen));
        for (const char* m : moves)
            ASSERT_TRUE((record_book_move(game.state.book, game.position.ply, m), play(m)));
        load_book(game.state.book, static_cast<int>(game.position.side));
    }
    // The book's move as text, or "" when it has none (then it has switched itself off).
    std::string probe() {
        ScoredMove out{};
        const bool found = probe_book(game.state.book, game.position, out);
        EXPECT_EQ(game.state.book.in_use, found ? 1 : 0);
        EXPECT_TRUE(!found || is_legal_move(game.position, out.move));
        return found ? move_text(out.move) : "";
    }
    char home_[PATH_MAX];
    std::string dir_ = temp_directory();
};

TEST_F(BookTest, RandomPickFollowsTheGameAndLeavesWithIt) {
    new_book_game("14346444\n13336343\n");
    c_srand(4242); // seeded once, then drawn on, as in the engine
    std::map<std::string, int> seen;
    for (int i = 0; i < 2000; ++i) ++seen[probe()];
    EXPECT_TRUE(seen["e2e4"] > 850 && seen["d2d4"] > 850) << seen["e2e4"];

    new_book_game("1434\n1333\n1232\n"); // the top draw 32767 takes the last line
    uint32_t seed = 0;
    while (c_srand(seed), c_rand() != 32767) ++seed;
    c_srand(seed);
    EXPECT_EQ(probe(), "c2c4");

    EXPECT_EQ((new_book_game("14346444\n", {"e2e4", "e7e5"}), probe()), "") << "no continuation";
    // A chosen line that ends here turns the book off even when another one goes on.
    seen.clear();
    for (int i = 0; i < 50; ++i) new_book_game("1434\n14346444\n", {"e2e4"}), ++seen[probe()];
    EXPECT_TRUE(seen.size() == 2 && seen[""] > 0 && seen["e7e5"] > 0);

    new_book_game("14346050344463434453\n", {"e2e4", "a7a6", "e4e5", "d7d5"});
    ScoredMove ep{};
    ASSERT_TRUE(probe_book(game.state.book, game.position, ep));
    EXPECT_TRUE(move_is_ep(ep.move) && move_captured(ep.move) == PAWN) << move_text(ep.move);
}

TEST_F(BookTest, ColourBookIsPreferredOverTheCommonOne) {
    write_file("whitebook.obk", "1333\n");
    write_file("blackbook.obk", "14346242\n");
    new_book_game("14346444\n");
    EXPECT_EQ(probe(), "d2d4");
    new_book_game("14346444\n", {"e2e4"});
    EXPECT_EQ(probe(), "c7c5");
}

TEST_F(BookTest, MalformedBooksAndOddGames) {
    // letters, digits 8 and 9, an incomplete move, e2e5, a Black move for White
    for (const char* text : {"abcd\n", "1484\n", "9434\n", "143\n", "1444\n", "6444\n"})
        EXPECT_EQ((new_book_game(text), probe()), "") << text;
    std::string big; // only the first 16,000 lines are read: all d2d4
    for (int i = 0; i < 20000; ++i) big += i < BOOK_LINES ? "1333\n" : "1434\n";
    new_book_game(big);
    EXPECT_EQ(book_table.count, BOOK_LINES);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(probe(), "d2d4");
    new_book_game("1434" + std::string(9996, '7') + "\n1333\n");
    EXPECT_EQ(book_table.count, 2);
    EXPECT_EQ(std::strlen(book_table.lines[0]), 255u);

    for (uint32_t ply = 0; ply < 70; ++ply)
        record_book_move(game.state.book, ply, ply % 2 ? "g8f6" : "g1f3");
    EXPECT_EQ(std::strlen(game.state.book.line), 4u * 64);

    // A FEN set-up, even of the start position, never loads a book.
    new_book_game("14346444\n");
    ASSERT_TRUE(setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1"));
    EXPECT_EQ(game.state.book.loaded, 1);
    EXPECT_EQ(probe(), "");

    // A directory that leaves the path no room for the file name: no book.
    const std::string deep = dir_ + "/" + std::string(BOOK_PATH_CHARS - 7 - dir_.size(), 'd');
    ASSERT_TRUE(std::filesystem::create_directory(deep));
    ASSERT_EQ(chdir(deep.c_str()), 0);
    new_book_game("1434\n");
    EXPECT_EQ(probe(), "");
}

} // namespace
