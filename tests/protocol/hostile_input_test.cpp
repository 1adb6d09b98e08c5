// Hostile input in every dialect, end to end: garbage, NULs, huge and empty lines, absurd
// games and commands out of place. The engine must answer a liveness probe afterwards (or
// end cleanly with status 0), with its position intact.
#include <string>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include "engine_process.h"
#include "test_position.h"

namespace {

struct Dialect {
    const char* name;
    std::string enter; // the lines that switch the console to the dialect
    std::string probe; // a line that must be answered
    std::string answer;
};

const Dialect DIALECTS[] = {
    {"console", "", "eval\n", "val = "},
    {"xboard", "xboard\nprotover 2\n", "ping 9\n", "pong 9\n"},
    {"uci", "uci\n", "isready\n", "readyok\n"},
};

// Bytes of every value, NULs and line feeds among them, the same in every run.
std::string garbage(size_t n, uint32_t seed) {
    std::string text;
    for (size_t i = 0; i < n; ++i) {
        seed = seed * 1103515245u + 12345u;
        text += static_cast<char>(seed >> 23);
    }
    return text;
}

std::string bestmove_in(const std::string& output) {
    const size_t at = output.find("bestmove ");
    if (at == std::string::npos) return "";
    return output.substr(at + 9, output.find_first_of(" \n", at + 9) - at - 9);
}

bool legal_from_start(const std::string& move) { return setup(start_fen) && play(move); }

void expect_alive_after(const Dialect& d, const std::string& input, const std::string& what) {
    const EngineRun run = run_engine(d.enter + input + "\n" + d.probe, 60000, {}, temp_directory());
    EXPECT_EQ(run.exit_status, 0) << d.name << ": " << what;
    EXPECT_NE(run.output.find(d.answer), std::string::npos) << d.name << ": " << what;
}

} // namespace

TEST(HostileInput, GarbageHugeAndEmptyLinesInEveryDialect) {
    for (const Dialect& d : DIALECTS) {
        expect_alive_after(d, garbage(20000, 7), "random bytes");
        expect_alive_after(d, std::string(5000, '\0') + "\n" + garbage(3000, 11), "NULs");
        expect_alive_after(d, std::string(100000, 'e') + "\n", "a 100,000-character line");
        expect_alive_after(d, std::string(10000, '\n'), "10,000 empty lines");
    }
}

TEST(HostileInput, UciGamesOutOfTheOrdinary) {
    // 2,000 legal moves in one line, then one with an illegal move in the middle, which
    // is refused and leaves the long game in place.
    std::string game = "position startpos moves";
    static const char* cycle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int i = 0; i < 2000; ++i) game += std::string(" ") + cycle[i % 4];
    std::string broken = "position startpos moves e2e4 e7e5 e1e3 d7d5";
    EngineRun run = run_engine("uci\n" + game + "\n" + broken + "\ngo depth 2\nisready\n", 60000,
                               {}, temp_directory());
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_NE(run.output.find("info string position refused: illegal move e1e3"),
              std::string::npos);
    // After 2,000 plies of knight shuffles the position is the start position again.
    EXPECT_TRUE(legal_from_start(bestmove_in(run.output))) << run.output.substr(0, 300);
    EXPECT_NE(run.output.find("readyok"), std::string::npos);

    // "go" before any position searches the start position; "stop" without a search and
    // "ponderhit" without a ponder search are ignored.
    run = run_engine("uci\nstop\nponderhit\ngo depth 2\nstop\nisready\n", 60000, {},
                     temp_directory());
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_TRUE(legal_from_start(bestmove_in(run.output)));
    EXPECT_NE(run.output.find("readyok"), std::string::npos);
    // Absurd clock values.
    run = run_engine("uci\nposition startpos\ngo wtime -5 btime 99999999999999999999 winc "
                     "-100 movestogo 0\nisready\n",
                     60000, {}, temp_directory());
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_TRUE(legal_from_start(bestmove_in(run.output)));
}

TEST(HostileInput, XboardMovesAfterTheGameHasEnded) {
    const EngineRun run =
        run_engine("xboard\nprotover 2\nsetboard 6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1\n"
                   "go\ng8h8\ne2e4\ngo\nping 3\n",
                   60000, {}, temp_directory());
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_NE(run.output.find("move a1a8\n1-0 {Kelvorante mates}\n"), std::string::npos);
    EXPECT_NE(run.output.find("Illegal move: g8h8\n"), std::string::npos);
    EXPECT_NE(run.output.find("Illegal move: e2e4\n"), std::string::npos);
    EXPECT_NE(run.output.find("pong 3\n"), std::string::npos);
}

TEST(HostileInput, ConsoleLogThatCannotBeWrittenAndPerftCutShort) {
    // A directory where the log file should be: it cannot be opened for appending.
    const std::string dir = temp_directory();
    ASSERT_EQ(mkdir((dir + "/Kelvorante.log").c_str(), 0755), 0);
    EngineRun run = run_engine("board 1\neval\n", 20000, {}, dir);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_NE(run.output.find("Open file error\nval = "), std::string::npos);
    // The end of input cuts a count that would run for days short.
    run = run_engine("perft 20\n", 60000);
    EXPECT_EQ(run.exit_status, 0);
}
