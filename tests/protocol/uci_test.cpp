// The UCI dialogue end to end: the real binary driven as a UCI interface drives it.
#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "engine_process.h"
#include "test_position.h"

namespace {

long long now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void pause_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// The move of a "bestmove" line ("" when there is none).
std::string best_of(const std::string& line) {
    std::istringstream in(line);
    std::string word, move;
    in >> word >> move;
    return word == "bestmove" ? move : "";
}

bool legal_after(const std::string& fen, const std::vector<std::string>& moves,
                 const std::string& text) {
    if (!setup(fen)) return false;
    for (const auto& m : moves)
        if (!play(m)) return false;
    return play(text);
}

const std::string MIDDLEGAME = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R2QKB1R w KQ - 0 8";

// An engine in its own directory (no book unless one is put there), switched to UCI.
class Uci : public EngineProcess {
  public:
    explicit Uci(const std::string& dir = temp_directory()) : EngineProcess({}, dir) {
        send("uci");
        ready = !wait_for("uciok", 10000).empty();
    }
    std::string answer(const std::string& position, const std::string& go, int timeout_ms = 20000) {
        send(position);
        send(go);
        return wait_for("bestmove", timeout_ms);
    }
    int count_from(size_t first, const std::string& prefix) const {
        int n = 0;
        for (size_t i = first; i < lines().size(); ++i)
            if (lines()[i].compare(0, prefix.size(), prefix) == 0) ++n;
        return n;
    }
    bool ready = false;
};

} // namespace

TEST(UciSession, IdentifiesItselfAndEndsWithItsInput) {
    const EngineRun run = run_engine("uci\nisready", 10000, {}, temp_directory());
    EXPECT_EQ(run.exit_status, 0);
    const size_t at = run.output.find("id name");
    ASSERT_NE(at, std::string::npos) << run.output;
    EXPECT_EQ(run.output.substr(at), "id name Kelvorante 2.3\n"
                                     "id author Tamsin Quorrelby\n"
                                     "option name OwnBook type check default true\n"
                                     "option name Ponder type check default false\n"
                                     "uciok\n"
                                     "readyok\n");
}

TEST(UciSession, SearchLimitsGiveOneLegalBestmove) {
    Uci e;
    ASSERT_TRUE(e.ready);
    std::string long_game = "position startpos moves";
    static const char* cycle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    for (int i = 0; i < 600; ++i) long_game += std::string(" ") + cycle[i % 4];
    const struct {
        std::string position, go, fen;
        std::vector<std::string> moves;
    } cases[] = {
        {"position fen r3k2r/p6p/8/8/8/8/P6P/R3K2R w KQkq - 0 1 moves e1g1 e8c8",
         "go depth 2",
         "r3k2r/p6p/8/8/8/8/P6P/R3K2R w KQkq - 0 1",
         {"e1g1", "e8c8"}},
        {"position startpos moves e2e4", "go nodes 3000", start_fen, {"e2e4"}},
        {"position fen " + MIDDLEGAME, "go movetime 500", MIDDLEGAME, {}},
        {long_game, "go depth 2", start_fen, {}},
    };
    for (const auto& c : cases) {
        const size_t first = e.lines().size();
        const long long t0 = now_ms();
        const std::string best = best_of(e.answer(c.position, c.go));
        EXPECT_LT(now_ms() - t0, 1200) << c.go;
        EXPECT_TRUE(legal_after(c.fen, c.moves, best)) << c.go << " -> " << best;
        pause_ms(100);
        EXPECT_EQ(e.count_from(first, "bestmove"), 1) << c.go;
        EXPECT_EQ(e.count_from(first, "info string"), 0) << c.go;
    }
    // No legal move at all.
    EXPECT_EQ(e.answer("position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", "go depth 3"),
              "bestmove 0000");
}

TEST(UciSession, InfiniteAndPonderSearchesWait) {
    Uci e;
    ASSERT_TRUE(e.ready);
    e.send("position fen " + MIDDLEGAME);
    e.send("go infinite");
    pause_ms(200);
    long long t0 = now_ms();
    e.send("isready");
    EXPECT_FALSE(e.wait_for("readyok", 1000).empty());
    EXPECT_LT(now_ms() - t0, 500) << "readyok during the search comes at once";
    EXPECT_TRUE(e.wait_for("bestmove", 700).empty()) << "no bestmove before stop";
    e.send("stop");
    EXPECT_TRUE(legal_after(MIDDLEGAME, {}, best_of(e.wait_for("bestmove", 2000))));

    e.send("position startpos moves e2e4 e7e5 g1f3");
    e.send("go ponder wtime 3000 btime 3000");
    EXPECT_TRUE(e.wait_for("bestmove", 800).empty()) << "pondering never stops by itself";
    t0 = now_ms();
    e.send("ponderhit");
    const std::string best = best_of(e.wait_for("bestmove", 3000));
    EXPECT_LT(now_ms() - t0, 1500) << "after ponderhit the clock rules";
    EXPECT_TRUE(legal_after(start_fen, {"e2e4", "e7e5", "g1f3"}, best)) << best;
}

TEST(UciSession, QuitDuringASearchEndsTheProcess) {
    Uci e;
    ASSERT_TRUE(e.ready);
    e.send("position fen " + MIDDLEGAME);
    e.send("go infinite");
    pause_ms(300);
    const long long t0 = now_ms();
    e.send("quit");
    EXPECT_EQ(e.wait_exit(3000), 0);
    EXPECT_LT(now_ms() - t0, 2000);
}

TEST(UciSession, BadInputIsExplainedAndKeepsThePosition) {
    Uci e;
    ASSERT_TRUE(e.ready);
    e.send("position startpos moves e2e4");
    for (const char* bad :
         {"position fen 8/8/8/8/8/8/8/8 w - - 0 1", "position startpos moves d2d4 e7e9"}) {
        const size_t first = e.lines().size();
        e.send(bad);
        e.send("isready");
        ASSERT_FALSE(e.wait_for("readyok", 5000).empty());
        EXPECT_EQ(e.count_from(first, "info string "), 1) << bad;
    }
    const std::string best = best_of(e.answer("", "go depth 2"));
    EXPECT_TRUE(legal_after(start_fen, {"e2e4"}, best)) << best;
}

TEST(UciSession, OwnBookSwitchesTheBook) {
    const std::string dir = temp_directory();
    write_file(dir + "/book.obk", "1030\n"); // a2a4, which no search would choose
    Uci e(dir);
    ASSERT_TRUE(e.ready);
    e.send("ucinewgame");
    EXPECT_EQ(e.answer("position startpos", "go depth 3"), "bestmove a2a4");
    e.send("setoption name ownbook value FALSE");
    e.send("ucinewgame");
    EXPECT_NE(e.answer("position startpos", "go depth 3"), "bestmove a2a4");
    e.send("setoption name OwnBook value true");
    e.send("ucinewgame");
    EXPECT_EQ(e.answer("position startpos", "go depth 3"), "bestmove a2a4");
}
