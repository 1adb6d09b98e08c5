// The real engine with a book beside it: book moves without search, leaving the book with
// the game, and any file named book.obk survived.
#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "engine_process.h"
#include "test_position.h"

namespace {

// The rest of the first output line that starts with prefix, or "".
std::string word_after(const std::string& output, const std::string& prefix) {
    std::istringstream in(output);
    for (std::string line; std::getline(in, line);)
        if (line.rfind(prefix, 0) == 0) return line.substr(prefix.size());
    return "";
}

TEST(BookEngine, PlaysFromTheBookUntilTheGameLeavesIt) {
    const std::string dir = temp_directory(), shipped = KELVORANTE_SOURCE_DIR "/books/book.obk";
    std::filesystem::copy_file(shipped, dir + "/book.obk");
    const std::string book = std::string("\n").append(read_file(shipped));
    EngineProcess engine({}, dir);
    const auto searched = [&] {
        return std::any_of(engine.lines().begin(), engine.lines().end(),
                           [](const std::string& l) { return l.rfind("Depth:", 0) == 0; });
    };
    engine.send("go");
    const std::string m = word_after(engine.wait_for("move "), "move ") + "????";
    EXPECT_FALSE(searched()) << "no instant book move";
    // The move in the book's digits: from-rank, from-file, to-rank, to-file.
    const std::string first = {char(m[1] - 1), char(m[0] - 'a' + '0'), char(m[3] - 1),
                               char(m[2] - 'a' + '0')};
    EXPECT_NE(book.find("\n" + first), std::string::npos) << m;

    // A legal reply that no line knows (h7h5 = 6757): the engine searches from now on.
    ASSERT_EQ(book.find("\n" + first + "6757"), std::string::npos);
    engine.send("h7h5");
    EXPECT_NE(engine.wait_for("move "), "");
    EXPECT_TRUE(searched());

    // Console "load" switches the book off, even for a position the book knows.
    write_file(dir + "/e4.fen", "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1\n");
    const EngineRun run = run_engine("load e4.fen\ngo\nquit\n", 20000, {}, dir);
    EXPECT_NE(run.output.find("Depth:"), std::string::npos);
    EXPECT_NE(word_after(run.output, "move "), "");
    std::filesystem::remove_all(dir);
}

TEST(BookEngine, HostileBooksNeverBreakTheEngine) {
    std::string garbage, many, wide;
    for (uint32_t i = 0, state = 2024; i < 200000; ++i)
        garbage += static_cast<char>((state = state * 1103515245u + 12345u) >> 24);
    for (int i = 0; i < 20000; ++i) many += i % 2 ? "1434644406257152\n" : "1444\n";
    for (int i = 0; i < 5; ++i) wide += std::string(10000, static_cast<char>('0' + i)) + "\n";
    const std::string dir = temp_directory();
    // empty, binary garbage, 20,000 lines, 10,000-character lines, illegal moves, letters
    for (const std::string& text :
         {std::string(), garbage, many, wide, std::string("1444\n0406\n6444\ne2e4\n1484\n")}) {
        write_file(dir + "/book.obk", text);
        const EngineRun run =
            run_engine("uci\nposition startpos\ngo depth 3\nquit\n", 20000, {}, dir);
        const std::string move = word_after(run.output, "bestmove ");
        ASSERT_TRUE(setup(start_fen));
        EXPECT_TRUE(run.exit_status == 0 && play(move)) << text.substr(0, 20) << ": " << move;
    }
    std::filesystem::remove_all(dir);
}

} // namespace
