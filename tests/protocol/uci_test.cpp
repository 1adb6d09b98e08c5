// The UCI dialogue end to end: the real binary driven as a UCI interface drives it. The
// tests wait for answers and synchronise with "isready"; none measures time.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "engine_process.h"
#include "test_position.h"

namespace {

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

std::vector<std::string> words_of(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;) words.push_back(w);
    return words;
}

const std::string MIDDLEGAME = "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R2QKB1R w KQ - 0 8";

// An engine in its own directory (no book unless one is put there), switched to UCI.
class Uci : public EngineProcess {
  public:
    explicit Uci(const std::string& dir = temp_directory()) : EngineProcess({}, dir) {
        send("uci");
        ready = !wait_for("uciok", 10000).empty();
    }
    std::string answer(const std::string& position, const std::string& go, int timeout_ms = 60000) {
        if (!position.empty()) send(position);
        send(go);
        return wait_for("bestmove", timeout_ms);
    }
    // Everything the engine printed before this call has been read once readyok is in.
    bool sync() {
        send("isready");
        return !wait_for("readyok", 20000).empty();
    }
    int count_from(size_t first, const std::string& prefix) const {
        int n = 0;
        for (size_t i = first; i < lines().size(); ++i)
            if (lines()[i].compare(0, prefix.size(), prefix) == 0) ++n;
        return n;
    }
    // The last "info ... score" line read after the first `first` lines.
    std::string last_score_line(size_t first) const {
        std::string found;
        for (size_t i = first; i < lines().size(); ++i)
            if (lines()[i].find(" score ") != std::string::npos) found = lines()[i];
        return found;
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
        {"position fen " + MIDDLEGAME,
         "go wtime 2000 btime 2000 winc 100 binc 100",
         MIDDLEGAME,
         {}},
        {long_game, "go depth 2", start_fen, {}},
    };
    for (const auto& c : cases) {
        const size_t first = e.lines().size();
        const std::string best = best_of(e.answer(c.position, c.go));
        EXPECT_TRUE(legal_after(c.fen, c.moves, best)) << c.go << " -> " << best;
        ASSERT_TRUE(e.sync());
        EXPECT_EQ(e.count_from(first, "bestmove"), 1) << c.go;
        EXPECT_EQ(e.count_from(first, "info string"), 0) << c.go;
    }
    // No legal move at all.
    EXPECT_EQ(e.answer("position fen 7k/6Q1/6K1/8/8/8/8/8 b - - 0 1", "go depth 3"),
              "bestmove 0000");
}

TEST(UciSession, InfiniteAndPonderSearchesWaitForTheirRelease) {
    Uci e;
    ASSERT_TRUE(e.ready);
    // One legal move: the search ends at once by itself, but the answer waits for "stop".
    const std::string lone = "position fen 7k/8/5QK1/8/8/8/8/8 b - - 0 1";
    for (const char* go : {"go infinite", "go ponder wtime 3000 btime 3000"}) {
        const size_t first = e.lines().size();
        e.send(lone);
        e.send(go);
        ASSERT_TRUE(e.sync()) << "readyok comes during the search";
        EXPECT_EQ(e.count_from(first, "bestmove"), 0) << go;
        e.send(std::string(go) == "go infinite" ? "stop" : "ponderhit");
        EXPECT_EQ(e.wait_for("bestmove"), "bestmove h8g8") << go;
    }
    // A long search: readyok at once, the answer after stop.
    e.send("position fen " + MIDDLEGAME);
    e.send("go infinite");
    ASSERT_TRUE(e.sync());
    e.send("stop");
    EXPECT_TRUE(legal_after(MIDDLEGAME, {}, best_of(e.wait_for("bestmove"))));
    // After ponderhit the clock given with "go ponder" rules.
    e.send("position startpos moves e2e4 e7e5 g1f3");
    e.send("go ponder wtime 3000 btime 3000");
    ASSERT_TRUE(e.sync());
    e.send("ponderhit");
    const std::string best = best_of(e.wait_for("bestmove", 30000));
    EXPECT_TRUE(legal_after(start_fen, {"e2e4", "e7e5", "g1f3"}, best)) << best;
}

TEST(UciSession, GoAlwaysSearchesTheInterfacesPosition) {
    Uci e;
    ASSERT_TRUE(e.ready);
    // The engine's answer is not left on its board: a second "go" searches the same
    // position again, as analysis interfaces restart and deepen.
    e.send("position startpos");
    const std::string first = best_of(e.answer("", "go depth 3"));
    const std::string again = best_of(e.answer("", "go depth 3"));
    EXPECT_TRUE(legal_after(start_fen, {}, first)) << first;
    EXPECT_TRUE(legal_after(start_fen, {}, again)) << again;
    for (int i = 0; i < 2; ++i) {
        e.send("go infinite");
        ASSERT_TRUE(e.sync());
        e.send("stop");
        const std::string best = best_of(e.wait_for("bestmove"));
        EXPECT_TRUE(legal_after(start_fen, {}, best)) << best;
    }
    // A game driven with the whole move list before every "go" is still followed, with and
    // without thinking on the opponent's time.
    e.send("setoption name Ponder value true");
    std::vector<std::string> game;
    for (int ply = 0; ply < 16; ++ply) {
        std::string position = "position startpos moves";
        for (const auto& m : game) position += " " + m;
        std::vector<std::string> words;
        if (ply % 4 == 3) {
            // The expected reply is played: "go ponder" on it, then "ponderhit".
            e.send(position);
            const std::vector<std::string> w = words_of(e.answer("", "go depth 3"));
            ASSERT_GE(w.size(), 2u);
            game.push_back(w[1]);
            if (w.size() < 4) continue;
            e.send(position + " " + w[1] + " " + w[3]);
            e.send("go ponder wtime 5000 btime 5000");
            ASSERT_TRUE(e.sync());
            e.send("ponderhit");
            game.push_back(w[3]);
            words = words_of(e.wait_for("bestmove"));
        } else {
            words = words_of(e.answer(position, "go depth 3"));
        }
        ASSERT_GE(words.size(), 2u);
        ASSERT_TRUE(legal_after(start_fen, game, words[1])) << position << " -> " << words[1];
        game.push_back(words[1]);
    }
}

TEST(UciSession, InfoLinesEndWithALegalPvAndGiveMatesInMoves) {
    Uci e;
    ASSERT_TRUE(e.ready);
    const std::string promotion = "8/4P3/8/8/8/8/k7/6K1 w - - 0 1";
    size_t first = e.lines().size();
    EXPECT_EQ(e.answer("position fen " + promotion, "go depth 5"), "bestmove e7e8q");
    int checked = 0;
    for (size_t i = first; i < e.lines().size(); ++i) {
        const std::vector<std::string> w = words_of(e.lines()[i]);
        if (w.empty() || w[0] != "info" || w[1] == "string") continue;
        size_t pv = 0;
        for (size_t k = 0; k < w.size(); ++k)
            if (w[k] == "pv") pv = k;
        ASSERT_GT(pv, 0u) << e.lines()[i];
        for (const char* key : {"time", "nps", "nodes", "depth"})
            EXPECT_NE(std::find(w.begin(), w.begin() + pv, key), w.begin() + pv) << key;
        // Every word after "pv" is a move, legal in turn.
        ASSERT_TRUE(setup(promotion));
        for (size_t k = pv + 1; k < w.size(); ++k) EXPECT_TRUE(play(w[k])) << e.lines()[i];
        ++checked;
    }
    EXPECT_GT(checked, 0);

    first = e.lines().size();
    EXPECT_NE(e.answer("position fen k7/8/2K5/8/8/8/8/7R w - - 0 1", "go depth 6"), "");
    EXPECT_NE(e.last_score_line(first).find(" score mate 2 "), std::string::npos);
    // Each of Black's moves allows c7c8q mate.
    first = e.lines().size();
    EXPECT_NE(e.answer("position fen k7/2P4p/1K6/p7/8/8/8/8 b - - 0 1", "go depth 4"), "");
    EXPECT_NE(e.last_score_line(first).find(" score mate -1 "), std::string::npos);
}

TEST(UciSession, SearchmovesAndMate) {
    Uci e;
    ASSERT_TRUE(e.ready);
    const std::string best =
        best_of(e.answer("position startpos", "go depth 4 searchmoves a2a3 h2h4 e9e9"));
    EXPECT_TRUE(best == "a2a3" || best == "h2h4") << best;
    EXPECT_EQ(e.answer("position startpos", "go depth 2 searchmoves z1z1"), "bestmove e2e4")
        << "no legal move listed: all are searched";
    // "go mate" ends when the mate is proven, or after depth 2N without one.
    EXPECT_TRUE(legal_after(start_fen, {}, best_of(e.answer("position startpos", "go mate 2"))));
    const std::string mate =
        best_of(e.answer("position fen 7k/8/8/8/8/8/R7/1R4K1 w - - 0 1", "go mate 2"));
    EXPECT_TRUE(mate == "b1b7" || mate == "a2a7") << mate;
}

TEST(UciSession, QuitEndOfInputAndAClosedOutputEndTheProcess) {
    {
        Uci e;
        ASSERT_TRUE(e.ready);
        e.send("position fen " + MIDDLEGAME);
        e.send("go infinite");
        ASSERT_TRUE(e.sync());
        e.send("quit");
        EXPECT_EQ(e.wait_exit(30000), 0);
    }
    {
        Uci e;
        ASSERT_TRUE(e.ready);
        e.send("position fen " + MIDDLEGAME);
        e.send("go depth 40");
        ASSERT_TRUE(e.sync());
        EXPECT_EQ(e.wait_exit(30000), 0); // the end of input
    }
    for (const char* go : {"go infinite", "go depth 40"}) {
        Uci e;
        ASSERT_TRUE(e.ready);
        e.send("position fen " + MIDDLEGAME);
        e.send(go);
        ASSERT_TRUE(e.sync());
        e.close_output();
        EXPECT_EQ(e.wait_exit(30000, false), 0) << go;
    }
}

TEST(UciSession, BadInputIsExplainedAndKeepsThePosition) {
    Uci e;
    ASSERT_TRUE(e.ready);
    e.send("position startpos moves e2e4");
    for (const char* bad : {
             "position fen 8/8/8/8/8/8/8/8 w - - 0 1",
             "position startpos moves d2d4 e7e9",
             "position fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq - 0 1",
             "position fen rnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
             // The rook on h1 is captured and another takes its corner: no castling.
             "position fen 4k3/8/8/8/8/7R/6b1/4K2R b K - 0 1 moves g2h1 h3h1 e8d8 e1g1",
             // No pawn can have left e7 for e5: no capture en passant.
             "position fen 4k3/4n3/8/3Pp3/8/8/8/4K3 w - e6 0 1 moves d5e6",
         }) {
        const size_t first = e.lines().size();
        e.send(bad);
        ASSERT_TRUE(e.sync());
        EXPECT_EQ(e.count_from(first, "info string position refused"), 1) << bad;
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

TEST(UciSession, PonderMoveLinesKeptDuringASearchAndTheLongLineRefusal) {
    Uci e;
    ASSERT_TRUE(e.ready);
    // With the Ponder option the answer names a legal expected reply.
    e.send("setoption name Ponder value true");
    const std::vector<std::string> w =
        words_of(e.answer("position fen " + MIDDLEGAME, "go depth 4"));
    ASSERT_EQ(w.size(), 4u);
    EXPECT_EQ(w[2], "ponder");
    EXPECT_TRUE(legal_after(MIDDLEGAME, {w[1]}, w[3]));
    // Lines that do not concern the search wait for its answer and are then carried out
    // in order: the second search starts from the position sent during the first.
    e.send("position startpos");
    e.send("go infinite");
    e.send("position startpos moves e2e4");
    e.send("go depth 2");
    e.send("stop");
    EXPECT_TRUE(legal_after(start_fen, {}, best_of(e.wait_for("bestmove"))));
    EXPECT_TRUE(legal_after(start_fen, {"e2e4"}, best_of(e.wait_for("bestmove"))));
    // A position line longer than the line buffer is refused as a whole: a cut line could
    // end between two moves and silently lose the last ones.
    std::string huge = "position startpos moves";
    while (huge.size() < 70000) huge += " g1f3 g8f6 f3g1 f6g8";
    const size_t first = e.lines().size();
    e.send(huge);
    ASSERT_TRUE(e.sync());
    EXPECT_EQ(e.count_from(first, "info string position refused: the line is too long"), 1);
}
