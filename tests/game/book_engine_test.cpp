// The real engine with a book beside it: book moves without search, leaving the book with
// the game, and any file named book.obk survived.
#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine_process.h"
#include "movegen/movegen.h"
#include "shell/notation.h"
#include "test_position.h"

namespace {

std::string digits_of(const std::string& move) {
    char d[5] = {};
    text_to_book_digits(move.c_str(), d);
    return d;
}

// The word after prefix on the first output line that starts with it, or "".
std::string word_after(const std::string& output, const std::string& prefix) {
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        if (line.compare(0, prefix.size(), prefix) == 0) return line.substr(prefix.size());
    return "";
}

TEST(BookEngine, PlaysFromTheBookUntilTheGameLeavesIt) {
    const std::string dir = temp_directory(),
                      shipped = std::string(KELVORANTE_SOURCE_DIR) + "/books/book.obk";
    std::filesystem::copy_file(shipped, dir + "/book.obk");
    std::vector<std::string> book;
    std::istringstream in(read_file(shipped));
    for (std::string line; std::getline(in, line);) book.push_back(line);
    auto lines_from = [&](const std::string& game, size_t plies_after) {
        int n = 0;
        for (const std::string& l : book)
            n += l.size() >= game.size() + 4 * plies_after && !l.compare(0, game.size(), game);
        return n;
    };

    ASSERT_TRUE(setup(start_fen));
    std::string game; // the moves so far in digit form
    EngineProcess engine({}, dir);
    size_t seen = 0;
    // Sends our move (or "go"), then checks the engine's reply; true when it searched.
    auto exchange = [&](const std::string& ours) {
        engine.send(ours);
        const std::string reply = engine.wait_for("move ");
        EXPECT_NE(reply, "") << ours;
        bool searched = false;
        for (; seen < engine.lines().size(); ++seen)
            searched |= !engine.lines()[seen].compare(0, 6, "Depth:");
        EXPECT_TRUE(play(reply.substr(5))) << reply;
        game += digits_of(reply.substr(5));
        return searched;
    };

    EXPECT_FALSE(exchange("go"));
    for (int round = 0; round < 3; ++round) {
        EXPECT_GT(lines_from(game, 0), 0) << "the engine's book move is on no line";
        // Our reply: a move after which every line still goes on for the engine.
        const auto next = std::find_if(book.begin(), book.end(), [&](const std::string& l) {
            return l.size() >= game.size() + 8 && !l.compare(0, game.size(), game);
        });
        ASSERT_NE(next, book.end());
        char text[5] = {};
        square_to_text((*next)[game.size()], (*next)[game.size() + 1], text);
        square_to_text((*next)[game.size() + 2], (*next)[game.size() + 3], text + 2);
        ASSERT_TRUE(play(text));
        game += digits_of(text);
        EXPECT_FALSE(exchange(text)) << "searched instead of using the book";
    }
    EXPECT_GT(lines_from(game, 0), 0);

    // A legal reply that no line knows: the engine searches from now on.
    ScoredMove list[256];
    ScoredMove* end = gen_legal(game_position, list);
    ScoredMove* outside = std::find_if(list, end, [&](const ScoredMove& m) {
        return lines_from(game + digits_of(move_text(m.move)), 0) == 0;
    });
    ASSERT_NE(outside, end);
    const std::string text = move_text(outside->move);
    ASSERT_TRUE(play(text));
    game += digits_of(text);
    EXPECT_TRUE(exchange(text));
    engine.send("quit");
    EXPECT_EQ(engine.wait_exit(), 0);

    // Console "load" switches the book off, even for a position the book knows.
    write_file(dir + "/e4.fen", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1\n");
    const EngineRun run = run_engine("load e4.fen\ngo\nquit\n", 20000, {}, dir);
    EXPECT_NE(run.output.find("Depth:"), std::string::npos);
    EXPECT_NE(word_after(run.output, "move "), "");
    std::filesystem::remove_all(dir);
}

TEST(BookEngine, HostileBooksNeverBreakTheEngine) {
    std::string garbage, many, wide;
    uint32_t state = 2024;
    for (int i = 0; i < 200000; ++i)
        garbage += static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
    for (int i = 0; i < 20000; ++i) many += i % 2 ? "1434644406257152\n" : "1444\n";
    for (int i = 0; i < 5; ++i) wide += std::string(10000, static_cast<char>('0' + i)) + "\n";
    const std::string dir = temp_directory();
    for (const std::string& text :
         {std::string(), garbage, many, wide, std::string("1444\n0406\n6444\n"),
          std::string("e2e4e7e5\n"), std::string("1484\n9999\n")}) {
        write_file(dir + "/book.obk", text);
        for (const std::string input :
             {"go\nquit\n", "uci\nposition startpos\ngo depth 3\nquit\n"}) {
            const EngineRun run = run_engine(input, 20000, {}, dir);
            EXPECT_EQ(run.exit_status, 0);
            const std::string move =
                word_after(run.output, input[0] == 'u' ? "bestmove " : "move ");
            ASSERT_TRUE(setup(start_fen));
            EXPECT_TRUE(play(move)) << text.substr(0, 20) << ": played '" << move << "'";
        }
    }
    std::filesystem::remove_all(dir);
}

} // namespace
