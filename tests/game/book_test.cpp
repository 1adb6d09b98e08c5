// The opening book in the engine's own process: file choice, the random pick, narrowing
// to the game, and malformed books and odd game states.
#include <algorithm>
#include <climits>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <unistd.h>

#include <gtest/gtest.h>

#include "engine_process.h"
#include "game/book.h"
#include "movegen/movegen.h"
#include "shell/platform.h"
#include "shell/settings.h"
#include "test_position.h"

namespace {

class BookTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_NE(getcwd(home_, sizeof home_), nullptr);
        dir_ = temp_directory();
        ASSERT_EQ(chdir(dir_.c_str()), 0);
    }
    void TearDown() override {
        EXPECT_EQ(chdir(home_), 0);
        std::filesystem::remove_all(dir_);
    }
    // A new game from the start position, the book read for the side to move after moves.
    void game(const std::string& book, std::initializer_list<const char*> moves = {}) {
        write_file(dir_ + "/book.obk", book);
        ASSERT_TRUE(setup(start_fen));
        for (const char* m : moves) move(m);
        load_book(static_cast<int>(game_position.side));
    }
    // A move of the game, entered in the game line as the front ends do.
    void move(const char* text) {
        record_book_move(game_position.ply, text);
        ASSERT_TRUE(play(text)) << text;
    }
    // The book's move as text, or "" when it has none (then it has switched itself off).
    std::string probe(ScoredMove* answer = nullptr) {
        ScoredMove out{};
        const bool found = probe_book(game_position, out);
        EXPECT_EQ(use_book, found ? 1 : 0);
        if (answer) *answer = out;
        if (!found) return "";
        EXPECT_TRUE(is_legal_move(game_position, out.move));
        return move_text(out.move);
    }
    char home_[PATH_MAX];
    std::string dir_;
};

uint32_t seed_with_first_draw(bool (*want)(int)) {
    for (uint32_t seed = 0;; ++seed) {
        c_srand(seed);
        if (want(c_rand())) return seed;
    }
}

TEST_F(BookTest, RandomPickReachesEveryLine) {
    game("14346444\n13336343\n");
    c_srand(4242); // seeded once, then drawn on, as in the engine
    std::map<std::string, int> seen;
    for (int i = 0; i < 2000; ++i) ++seen[probe()];
    EXPECT_GT(seen["e2e4"], 850);
    EXPECT_GT(seen["d2d4"], 850);

    // The top draw 32767 names the slot after the last line: the last line is taken.
    game("1434\n1333\n1232\n");
    c_srand(seed_with_first_draw([](int r) { return r == 32767; }));
    EXPECT_EQ(probe(), "c2c4");
}

TEST_F(BookTest, BookFollowsTheGameAndLeavesWithIt) {
    game("14346444\n13336343\n14346242\n", {"e2e4"});
    EXPECT_NE(probe(), "");
    EXPECT_EQ(book_count, 2);
    EXPECT_STREQ(book_lines[1], "14346242");

    game("14346444\n", {"e2e4", "e7e5"}); // no continuation
    EXPECT_EQ(probe(), "");
    game("14346444\n", {"d2d4"}); // no line at all
    EXPECT_EQ(probe(), "");

    // A chosen line that ends here turns the book off even when another one goes on.
    for (bool low : {true, false}) {
        game("1434\n14346444\n", {"e2e4"});
        c_srand(low ? seed_with_first_draw([](int r) { return r < 16384; })
                    : seed_with_first_draw([](int r) { return r >= 16384; }));
        EXPECT_EQ(probe(), low ? "" : "e7e5");
    }
}

TEST_F(BookTest, ColourBookIsPreferredOverTheCommonOne) {
    write_file(dir_ + "/whitebook.obk", "1333\n");
    write_file(dir_ + "/blackbook.obk", "14346242\n");
    game("14346444\n");
    EXPECT_EQ(probe(), "d2d4");
    game("14346444\n", {"e2e4"});
    EXPECT_EQ(probe(), "c7c5");

    std::filesystem::remove(dir_ + "/whitebook.obk");
    game("14346444\n");
    EXPECT_EQ(probe(), "e2e4");

    std::filesystem::remove(dir_ + "/book.obk");
    ASSERT_TRUE(setup(start_fen));
    load_book(WHITE);
    EXPECT_EQ(use_book, 0);
}

TEST_F(BookTest, EnPassantMoveIsRecordedAsSuch) {
    game("14346050344463434453\n", {"e2e4", "a7a6", "e4e5", "d7d5"});
    ScoredMove out{};
    EXPECT_EQ(probe(&out), "e5d6");
    EXPECT_TRUE(move_is_ep(out.move));
    EXPECT_EQ(move_captured(out.move), PAWN);
}

TEST_F(BookTest, MalformedBooksNeverGiveAnIllegalMove) {
    // letters, digits 8 and 9, an incomplete move, e2e5, castling through pieces, a Black
    // move for White, a leading blank, an empty line, a control character
    for (const char* text :
         {"abcd\n", "1484\n", "9434\n", "143\n", "1444\n", "0406\n", "6444\n", " 1434\n", "\n",
          "\x01"
          "434\n"}) {
        game(text);
        EXPECT_EQ(probe(), "") << text;
    }

    // Only the first BOOK_LINES lines are read: they all say d2d4, the rest e2e4.
    std::string big;
    for (int i = 0; i < 20000; ++i) big += i < BOOK_LINES ? "1333\n" : "1434\n";
    game(big);
    EXPECT_EQ(book_count, BOOK_LINES);
    for (int i = 0; i < 50; ++i) EXPECT_EQ(probe(), "d2d4");

    // Long lines are cut; a carriage return is not part of a line; a last line without a
    // line feed does not count.
    game("1434" + std::string(9996, '7') + "\n1333\r\n" + std::string(10000, 'x') + "\n1232");
    ASSERT_EQ(book_count, 3);
    EXPECT_EQ(std::strlen(book_lines[0]), static_cast<size_t>(BOOK_LINE_CHARS - 1));
    EXPECT_STREQ(book_lines[1], "1333");
}

TEST_F(BookTest, GameLineHoldsSixtyFourPlies) {
    ASSERT_TRUE(setup(start_fen));
    move("e2e4");
    move("e7e5");
    record_book_move(0, "d2d4"); // after a take-back: the line ends at the new move
    EXPECT_STREQ(book_line, "1333");
    for (uint32_t ply = 0; ply < 70; ++ply) record_book_move(ply, ply % 2 ? "g8f6" : "g1f3");
    record_book_move(1000000, "e2e4");
    EXPECT_EQ(std::strlen(book_line), static_cast<size_t>(4 * BOOK_PLIES));
}

TEST_F(BookTest, BookAnswersOnlyForTheGameItFollowed) {
    game("06257655\n");
    record_book_move(0, "g1f3");
    ASSERT_TRUE(play("f2f3")); // the line names another move to the same square
    EXPECT_EQ(probe(), "");

    // A FEN set-up never loads a book, and the last game's lines are not consulted, even
    // for a FEN of the start position at ply 0.
    game("14346444\n");
    ASSERT_TRUE(setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 00"));
    EXPECT_EQ(book_loaded, 1);
    EXPECT_EQ(probe(), "");

    // Another board at ply 0, even with a book read for it.
    ASSERT_TRUE(setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKB1R w KQkq"));
    load_book(WHITE);
    EXPECT_EQ(probe(), "");

    // A directory that fits the path buffer but leaves no room for the file name: no book.
    std::string deep = dir_;
    while (deep.size() < static_cast<size_t>(BOOK_PATH_CHARS) - 6) {
        const size_t room = static_cast<size_t>(BOOK_PATH_CHARS) - 7 - deep.size();
        deep.push_back('/');
        deep.append(room < 60 ? room : 60, 'd');
    }
    std::filesystem::create_directories(deep);
    write_file(deep + "/book.obk", "1434\n");
    ASSERT_EQ(chdir(deep.c_str()), 0);
    ASSERT_TRUE(setup(start_fen));
    load_book(WHITE);
    EXPECT_EQ(use_book, 0);
}

} // namespace
