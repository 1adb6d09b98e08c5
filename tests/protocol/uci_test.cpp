// The UCI dialogue end to end: the real binary driven as a UCI interface drives it.
#include <chrono>
#include <regex>
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

void pause_ms(int ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

std::vector<std::string> words_of(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

// The move of a "bestmove" line ("" when there is none).
std::string best_of(const std::string& line) {
    const auto w = words_of(line);
    return w.size() >= 2 && w[0] == "bestmove" ? w[1] : "";
}

// Is text a legal move after fen and the moves (in process, with our own generator)?
bool legal_after(const std::string& fen, const std::vector<std::string>& moves,
                 const std::string& text) {
    if (!setup(fen)) return false;
    for (const auto& m : moves)
        if (!play(m)) return false;
    return play(text);
}

const char* const MIDDLEGAME = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R2QKB1R w KQ - 0 8";
// White's only legal move is Kxb2.
const char* const ONE_MOVE = "k7/8/8/8/8/8/1r6/K7 w - - 0 1";

// An engine in its own empty directory (no book files), switched to UCI.
class Uci : public EngineProcess {
  public:
    explicit Uci(const std::string& dir = temp_directory()) : EngineProcess({}, dir) {
        send("uci");
        ready = !wait_for("uciok", 10000).empty();
    }
    // Sends the lines and returns the bestmove line of the search they start.
    std::string answer(const std::string& position, const std::string& go, int timeout_ms = 20000) {
        send(position);
        send(go);
        return wait_for("bestmove", timeout_ms);
    }
    // Lines from "go" to its bestmove, counted from the index given.
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
    const std::string dir = temp_directory();
    EngineRun run = run_engine("uci\nisready\nquit\n", 10000, {}, dir);
    EXPECT_EQ(run.exit_status, 0);
    const size_t at = run.output.find("id name");
    ASSERT_NE(at, std::string::npos) << run.output;
    EXPECT_EQ(run.output.substr(at), "id name Kelvorante 2.3\n"
                                     "id author Tamsin Quorrelby\n"
                                     "option name OwnBook type check default true\n"
                                     "option name Ponder type check default false\n"
                                     "uciok\n"
                                     "readyok\n");

    // The end of input ends the process as "quit" does.
    run = run_engine("uci\nisready", 10000, {}, dir);
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_NE(run.output.find("readyok\n"), std::string::npos);
}

TEST(UciSession, PositionsWithMovesAndSearchLimits) {
    Uci e;
    ASSERT_TRUE(e.ready);
    const struct {
        const char* fen;
        std::vector<std::string> moves;
        const char* go;
        long node_limit; // 0: none
    } cases[] = {
        {"r3k2r/p6p/8/8/8/8/P6P/R3K2R w KQkq - 0 1", {"e1g1", "e8c8"}, "go depth 2", 0},
        {"4k3/P7/8/8/8/8/8/4K3 w - - 0 1", {"a7a8q", "e8d7"}, "go depth 3", 0},
        {"startpos", {"e2e4", "a7a6", "e4e5", "d7d5"}, "go nodes 3000", 3000},
    };
    for (const auto& c : cases) {
        const bool from_start = c.fen == std::string("startpos");
        const std::string fen = from_start ? start_fen : c.fen;
        std::string command =
            from_start ? "position startpos moves" : "position fen " + fen + " moves";
        for (const auto& m : c.moves) command += " " + m;
        const size_t first = e.lines().size();
        const std::string best = best_of(e.answer(command, c.go));
        EXPECT_TRUE(legal_after(fen, c.moves, best)) << command << " -> " << best;
        EXPECT_EQ(e.count_from(first, "bestmove"), 1) << command;
        EXPECT_EQ(e.count_from(first, "info string"), 0) << command;
        // "info depth D score cp S nodes N ...": no report beyond the node limit.
        int reports = 0;
        for (size_t i = first; c.node_limit && i < e.lines().size(); ++i) {
            const auto w = words_of(e.lines()[i]);
            if (w.size() > 7 && w[0] == "info" && w[6] == "nodes") {
                ++reports;
                EXPECT_LE(std::stol(w[7]), c.node_limit) << e.lines()[i];
            }
        }
        if (c.node_limit) {
            EXPECT_GT(reports, 0) << command;
        }
    }
}

TEST(UciSession, TimedSearchesKeepTheirTime) {
    Uci e;
    ASSERT_TRUE(e.ready);
    long long t0 = now_ms();
    std::string best =
        best_of(e.answer(std::string("position fen ") + MIDDLEGAME, "go movetime 500"));
    long long took = now_ms() - t0;
    EXPECT_TRUE(legal_after(MIDDLEGAME, {}, best)) << best;
    EXPECT_LT(took, 500 + 700);
    EXPECT_GE(took, 250) << "a fixed time is used, not thrown away";

    // An overstepped (negative) clock answers at once.
    t0 = now_ms();
    best = best_of(
        e.answer(std::string("position fen ") + MIDDLEGAME, "go btime 3000 wtime -20 winc 10"));
    EXPECT_LT(now_ms() - t0, 1000);
    EXPECT_TRUE(legal_after(MIDDLEGAME, {}, best)) << best;

    // Two seconds with an increment: a move takes a fraction of it.
    t0 = now_ms();
    best = best_of(e.answer(std::string("position fen ") + MIDDLEGAME,
                            "go winc 100 wtime 2000 binc 100 btime 2000"));
    EXPECT_LT(now_ms() - t0, 1000 + 700);
    EXPECT_TRUE(legal_after(MIDDLEGAME, {}, best)) << best;
}

TEST(UciSession, InfiniteSearchAnswersOnlyAfterStop) {
    Uci e;
    ASSERT_TRUE(e.ready);
    e.send(std::string("position fen ") + MIDDLEGAME);
    e.send("go infinite");
    pause_ms(200);
    long long t0 = now_ms();
    e.send("isready");
    EXPECT_FALSE(e.wait_for("readyok", 1000).empty());
    EXPECT_LT(now_ms() - t0, 500) << "readyok during the search comes at once";
    EXPECT_TRUE(e.wait_for("bestmove", 700).empty()) << "the search goes on after isready";
    t0 = now_ms();
    e.send("stop");
    const std::string best = best_of(e.wait_for("bestmove", 2000));
    EXPECT_LT(now_ms() - t0, 1000);
    EXPECT_TRUE(legal_after(MIDDLEGAME, {}, best)) << best;

    // A search that ends by itself (one legal move, a mate found) still waits for stop.
    for (const char* fen : {ONE_MOVE, "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1"}) {
        e.send(std::string("position fen ") + fen);
        e.send("go infinite");
        EXPECT_TRUE(e.wait_for("bestmove", 800).empty()) << fen;
        e.send("isready");
        EXPECT_FALSE(e.wait_for("readyok", 1000).empty()) << fen;
        e.send("stop");
        EXPECT_EQ(best_of(e.wait_for("bestmove", 2000)), fen == ONE_MOVE ? "a1b2" : "a1a8");
    }
}

TEST(UciSession, PonderSearchWaitsForPonderhit) {
    Uci e;
    ASSERT_TRUE(e.ready);
    const std::vector<std::string> moves = {"e2e4", "e7e5", "g1f3"};
    e.send("position startpos moves e2e4 e7e5 g1f3");
    e.send("go ponder wtime 3000 btime 3000");
    EXPECT_TRUE(e.wait_for("bestmove", 800).empty()) << "pondering never stops by itself";
    long long t0 = now_ms();
    e.send("ponderhit");
    std::string best = best_of(e.wait_for("bestmove", 3000));
    EXPECT_LT(now_ms() - t0, 1500) << "after ponderhit the clock rules";
    EXPECT_TRUE(legal_after(start_fen, moves, best)) << best;

    // After a long ponder the iteration under way may be a deep one: the move still comes
    // within the clock's share once the ponder is confirmed.
    e.send(std::string("position fen ") + MIDDLEGAME);
    e.send("go ponder wtime 3000 btime 3000");
    pause_ms(3000);
    t0 = now_ms();
    e.send("ponderhit");
    best = best_of(e.wait_for("bestmove", 5000));
    EXPECT_LT(now_ms() - t0, 1000);
    EXPECT_TRUE(legal_after(MIDDLEGAME, {}, best)) << best;

    // A ponder miss: the interface stops the search and sends the real move.
    e.send("position startpos moves e2e4 e7e5 g1f3 b8c6 f1c4");
    e.send("go ponder wtime 3000 btime 3000");
    pause_ms(300);
    e.send("stop");
    best = best_of(e.wait_for("bestmove", 2000));
    EXPECT_TRUE(legal_after(start_fen, {"e2e4", "e7e5", "g1f3", "b8c6", "f1c4"}, best)) << best;
    best = best_of(
        e.answer("position startpos moves e2e4 e7e5 g1f3 b8c6 f1b5", "go wtime 3000 btime 3000"));
    EXPECT_TRUE(legal_after(start_fen, {"e2e4", "e7e5", "g1f3", "b8c6", "f1b5"}, best)) << best;

    // A ponder search that ended by itself answers at the ponderhit.
    e.send(std::string("position fen ") + ONE_MOVE);
    e.send("go ponder wtime 3000 btime 3000");
    EXPECT_TRUE(e.wait_for("bestmove", 600).empty());
    t0 = now_ms();
    e.send("ponderhit");
    EXPECT_EQ(best_of(e.wait_for("bestmove", 2000)), "a1b2");
    EXPECT_LT(now_ms() - t0, 500);
}

TEST(UciSession, LongGamesOnOneLine) {
    Uci e;
    ASSERT_TRUE(e.ready);
    for (int plies : {600, 2000}) {
        std::string command = "position startpos moves";
        static const char* cycle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
        for (int i = 0; i < plies; ++i) command += std::string(" ") + cycle[i % 4];
        const size_t first = e.lines().size();
        const std::string best = best_of(e.answer(command, "go depth 2"));
        EXPECT_EQ(e.count_from(first, "info string"), 0) << plies;
        EXPECT_TRUE(legal_after(start_fen, {}, best)) << plies << " plies -> " << best;
    }
}

TEST(UciSession, QuitOrEndOfInputDuringASearch) {
    {
        Uci e;
        ASSERT_TRUE(e.ready);
        e.send(std::string("position fen ") + MIDDLEGAME);
        e.send("go infinite");
        pause_ms(300);
        const long long t0 = now_ms();
        e.send("quit");
        e.wait_for("never printed", 3000); // returns when the engine closes its output
        EXPECT_LT(now_ms() - t0, 2000);
        EXPECT_EQ(e.wait_exit(1000), 0);
    }
    for (const char* fen : {MIDDLEGAME, ONE_MOVE}) {
        Uci e;
        ASSERT_TRUE(e.ready);
        e.send(std::string("position fen ") + fen);
        e.send("go infinite");
        pause_ms(300);
        const long long t0 = now_ms();
        EXPECT_EQ(e.wait_exit(3000), 0) << fen;
        EXPECT_LT(now_ms() - t0, 2000) << fen;
    }
}

TEST(UciSession, EveryGoGetsOneAnswer) {
    Uci e;
    ASSERT_TRUE(e.ready);
    // Checkmated and stalemated: no move to make.
    EXPECT_EQ(e.answer("position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", "go depth 3"),
              "bestmove 0000");
    EXPECT_EQ(e.answer("position fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1", "go depth 3"),
              "bestmove 0000");
    e.send("position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1");
    e.send("go infinite");
    EXPECT_TRUE(e.wait_for("bestmove", 500).empty());
    e.send("stop");
    EXPECT_EQ(e.wait_for("bestmove", 2000), "bestmove 0000");

    // Lost whatever it plays (mated next move): it still plays on, as UCI has no resigning.
    std::string lost =
        best_of(e.answer("position fen k7/2K4p/1Q6/8/8/8/8/8 b - - 0 1", "go depth 3"));
    EXPECT_TRUE(legal_after("k7/2K4p/1Q6/8/8/8/8/8 b - - 0 1", {}, lost)) << lost;

    // Past the fifty-move line: the line is printed and the engine still moves.
    size_t first = e.lines().size();
    std::string best =
        best_of(e.answer("position fen 4k3/8/8/8/8/8/8/R3K3 w - - 101 80", "go depth 2"));
    EXPECT_EQ(e.count_from(first, "1/2-1/2 {Kelvorante saw Draw by 50 move rule}"), 1);
    EXPECT_TRUE(legal_after("4k3/8/8/8/8/8/8/R3K3 w - - 101 80", {}, best)) << best;

    // After the engine has mated, the same position again is answered with a move again.
    const char* mate_in_one = "6k1/5ppp/8/8/8/8/8/R5K1 w - - 0 1";
    for (int round = 0; round < 2; ++round) {
        first = e.lines().size();
        EXPECT_EQ(e.answer(std::string("position fen ") + mate_in_one, "go depth 3"),
                  "bestmove a1a8")
            << round;
        EXPECT_FALSE(e.wait_for("1-0 {Kelvorante mates}", 2000).empty()) << round;
        EXPECT_EQ(e.count_from(first, "bestmove"), 1);
    }
}

TEST(UciSession, PonderOptionNamesTheExpectedReply) {
    Uci e;
    ASSERT_TRUE(e.ready);
    const std::vector<std::string> moves = {"e2e4", "e7e5"};
    std::string line = e.answer("position startpos moves e2e4 e7e5", "go depth 4");
    EXPECT_TRUE(std::regex_match(line, std::regex("bestmove [a-h][1-8][a-h][1-8][qrbn]?"))) << line;

    e.send("setoption name PONDER value True");
    line = e.answer("position startpos moves e2e4 e7e5", "go depth 4");
    const auto w = words_of(line);
    ASSERT_EQ(w.size(), 4u) << line;
    EXPECT_EQ(w[2], "ponder");
    std::vector<std::string> after = moves;
    after.push_back(w[1]);
    EXPECT_TRUE(legal_after(start_fen, after, w[3])) << line;

    e.send("setoption name Ponder value false");
    line = e.answer("position startpos moves e2e4 e7e5", "go depth 4");
    EXPECT_EQ(words_of(line).size(), 2u) << line;
}

TEST(UciSession, OwnBookSwitchesTheBook) {
    const std::string dir = temp_directory();
    write_file(dir + "/book.obk", "1030\n"); // a2a4, which no search would choose
    Uci e(dir);
    ASSERT_TRUE(e.ready);
    e.send("ucinewgame");
    size_t first = e.lines().size();
    EXPECT_EQ(e.answer("position startpos", "go depth 3"), "bestmove a2a4");
    EXPECT_EQ(e.count_from(first, "info depth"), 0) << "a book move is not searched";

    e.send("setoption name ownbook value FALSE");
    e.send("ucinewgame");
    first = e.lines().size();
    EXPECT_NE(e.answer("position startpos", "go depth 3"), "");
    EXPECT_GT(e.count_from(first, "info depth"), 0) << "without the book the engine searches";

    e.send("setoption name OwnBook value true");
    e.send("ucinewgame");
    EXPECT_EQ(e.answer("position startpos", "go depth 3"), "bestmove a2a4");
}

TEST(UciSession, LinesDuringASearchWaitForItsEnd) {
    Uci e;
    ASSERT_TRUE(e.ready);
    e.send(std::string("position fen ") + MIDDLEGAME);
    e.send("go infinite");
    pause_ms(200);
    e.send("position startpos moves e2e4");
    e.send("go depth 2");
    e.send("stop");
    const std::string first = best_of(e.wait_for("bestmove", 2000));
    EXPECT_TRUE(legal_after(MIDDLEGAME, {}, first)) << first;
    const std::string second = best_of(e.wait_for("bestmove", 5000));
    EXPECT_TRUE(legal_after(start_fen, {"e2e4"}, second)) << second;
}

TEST(UciSession, BadInputIsSurvived) {
    Uci e;
    ASSERT_TRUE(e.ready);
    std::string too_long = "position startpos moves";
    while (too_long.size() < 70000) too_long += " g1f3 g8f6 f3g1 f6g8";
    const char* garbage[] = {"",
                             "   ",
                             "\t",
                             "hello world",
                             "position",
                             "position fen",
                             "position fen 8/8/8/8/8/8/8/8 w - - 0 1",
                             "position startpos moves e2e4 e7e9",
                             "position startpos moves",
                             "setoption",
                             "setoption name",
                             "setoption name OwnBook",
                             "setoption name OwnBook value maybe",
                             "setoption name Hash value 128",
                             "ponderhit",
                             "stop",
                             "debug on",
                             "register later",
                             "\x01\x02\xff\xfe",
                             "uci",
                             "ucinewgame"};
    for (const char* g : garbage) e.send(g);
    e.send(too_long);
    e.send("isready");
    EXPECT_FALSE(e.wait_for("readyok", 5000).empty());
    int explained = 0;
    for (const auto& l : e.lines())
        if (l.compare(0, 12, "info string ") == 0) ++explained;
    EXPECT_GE(explained, 5) << "each refusal is explained";

    // The position survives all of it: Black's reply after e2e4 is legal.
    size_t first = e.lines().size();
    std::string best = best_of(e.answer("position startpos moves e2e4\r", "go depth 2"));
    EXPECT_TRUE(legal_after(start_fen, {"e2e4"}, best)) << best;
    EXPECT_EQ(e.count_from(first, "info string"), 0);

    // A "go" whose numbers are missing searches until it is stopped, and still answers.
    for (const char* go : {"go depth", "go nodes movetime", "go"}) {
        first = e.lines().size();
        e.send("position startpos moves e2e4");
        e.send(go);
        EXPECT_TRUE(e.wait_for("bestmove", 300).empty()) << go;
        e.send("stop");
        best = best_of(e.wait_for("bestmove", 2000));
        EXPECT_TRUE(legal_after(start_fen, {"e2e4"}, best)) << go << " -> " << best;
        EXPECT_EQ(e.count_from(first, "bestmove"), 1) << go;
    }
    e.send("quit");
    EXPECT_EQ(e.wait_exit(3000), 0);
}
