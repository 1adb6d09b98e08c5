// The XBoard dialogue end to end: the real binary, driven line by line as a GUI drives it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine_process.h"
#include "test_position.h"

namespace {

const char* const START_FEN = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

long long now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The engine in XBoard mode, in an empty directory of its own (no book unless given one).
class Session : public EngineProcess {
  public:
    explicit Session(const std::string& book = "") : EngineProcess({}, make_dir(book)) {
        send("xboard");
    }
    // Everything printed before this call has been read once the pong is in.
    bool sync() {
        const std::string pong = "pong " + std::to_string(++pings_);
        send("ping " + std::to_string(pings_));
        return wait_for(pong) == pong;
    }
    // Waits for a line after the first `from` lines containing text; "" after the timeout.
    std::string wait_for_text(size_t from, const std::string& text, int timeout_ms) {
        const long long end = now_ms() + timeout_ms;
        for (;;) {
            for (size_t i = from; i < lines().size(); ++i)
                if (lines()[i].find(text) != std::string::npos) return lines()[i];
            if (now_ms() >= end) return "";
            wait_for("", 100);
        }
    }
    std::vector<std::string> moves() const {
        std::vector<std::string> found;
        for (const auto& l : lines())
            if (l.compare(0, 5, "move ") == 0) found.push_back(l.substr(5));
        return found;
    }
    // Waits for a thinking line after the first `from` lines; "" after the timeout.
    std::string wait_thinking(size_t from, int timeout_ms = 30000) {
        const long long end = now_ms() + timeout_ms;
        while (thinking(from).empty() && now_ms() < end) wait_for("", 100);
        return thinking(from).empty() ? "" : thinking(from)[0];
    }
    // Thinking lines ("depth score time nodes pv...") read after the first `from` lines.
    std::vector<std::string> thinking(size_t from = 0) const {
        std::vector<std::string> found;
        for (size_t i = from; i < lines().size(); ++i)
            if (!lines()[i].empty() && lines()[i][0] >= '0' && lines()[i][0] <= '9')
                found.push_back(lines()[i]);
        return found;
    }
    int quit() {
        send("quit");
        return wait_exit(10000);
    }

  private:
    static std::string make_dir(const std::string& book) {
        std::string dir = temp_directory();
        if (!book.empty()) write_file(dir + "/book.obk", book);
        return dir;
    }
    int pings_ = 0;
};

bool all_legal(const std::string& fen, const std::vector<std::string>& moves) {
    if (!setup(fen)) return false;
    for (const auto& m : moves)
        if (!play(m)) return false;
    return true;
}

// The first move of a thinking line's principal variation.
std::string first_pv_move(const std::string& line) {
    size_t p = 0;
    for (int field = 0; field < 4; ++field) p = line.find(' ', p) + 1;
    if (line[p] == '(') p = line.find(' ', p) + 1;
    return line.substr(p, line.find(' ', p) - p);
}

TEST(XboardDialogue, FeatureLineQuitAndEndOfInput) {
    Session s;
    s.send("protover 2");
    EXPECT_EQ(s.wait_for("feature"), "feature ping=1 setboard=1 playother=1 "
                                     "myname=\"Kelvorante 2.4\" variants=\"normal\" done=1");
    s.send("variant crazyhouse");
    EXPECT_EQ(s.wait_for("Error"), "Error (unsupported variant): crazyhouse");
    EXPECT_EQ(s.quit(), 0);
    EXPECT_EQ(run_engine("xboard\nprotover 2\n", 10000, {}, temp_directory()).exit_status, 0);
}

TEST(XboardDialogue, ForceAndGoForEveryMoveAsBotBridgesDrive) {
    Session s;
    s.send("new");
    std::vector<std::string> game;
    for (int i = 0; i < 10; ++i) {
        s.send("force");
        s.send("go"); // the engine plays the side to move, whichever it is
        const std::string move = s.wait_for("move ");
        ASSERT_FALSE(move.empty()) << "no answer to go number " << i + 1;
        game.push_back(move.substr(5));
        ASSERT_TRUE(all_legal(START_FEN, game)) << move;
    }
    EXPECT_EQ(s.quit(), 0);
}

TEST(XboardDialogue, NewAndPlayotherLeaveForceMode) {
    Session s;
    s.send("force");
    s.send("new"); // leaves force mode: the engine plays Black
    s.send("e2e4");
    const std::string reply = s.wait_for("move ");
    ASSERT_FALSE(reply.empty());
    EXPECT_TRUE(all_legal(START_FEN, {"e2e4", reply.substr(5)}));

    s.send("new");
    s.send("force");
    s.send("playother"); // White to move: the engine takes Black and waits
    ASSERT_TRUE(s.sync());
    EXPECT_EQ(s.moves().size(), 1u);
    s.send("d2d4");
    const std::string second = s.wait_for("move ");
    ASSERT_FALSE(second.empty());
    EXPECT_TRUE(all_legal(START_FEN, {"d2d4", second.substr(5)}));
    EXPECT_EQ(s.quit(), 0);
}

TEST(XboardDialogue, NewRemovesTheDepthLimit) {
    Session s;
    s.send("sd 1");
    s.send("new");
    s.send("st 1");
    s.send("go");
    ASSERT_FALSE(s.wait_for("move ").empty());
    int deepest = 0;
    for (const std::string& l : s.thinking()) deepest = std::max(deepest, std::stoi(l));
    EXPECT_GT(deepest, 1);
    EXPECT_EQ(s.quit(), 0);
}

TEST(XboardDialogue, UndoAndRemoveTakePliesBack) {
    Session s;
    s.send("new");
    s.send("force");
    for (const char* m : {"e2e4", "e7e5", "undo"}) s.send(m);
    s.send("go"); // Black to move again after the undo
    const std::string reply = s.wait_for("move ");
    ASSERT_FALSE(reply.empty());
    EXPECT_TRUE(all_legal(START_FEN, {"e2e4", reply.substr(5)})) << reply;
    // d2d4 is legal only with White to move from the start again.
    const EngineRun run = run_engine("xboard\nnew\nforce\ne2e4\ne7e5\nremove\nd2d4\nd7d5\nquit\n",
                                     10000, {}, temp_directory());
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.output.find("Illegal move"), std::string::npos);
    EXPECT_EQ(s.quit(), 0);
}

TEST(XboardDialogue, LinesDuringTheFirstSearch) {
    // "force" takes the position away: no move, and the interface's next move is taken.
    Session s;
    s.send("new");
    s.send("st 3600");
    s.send("go");
    s.send("force");
    ASSERT_TRUE(s.sync());
    EXPECT_TRUE(s.moves().empty());
    s.send("e2e4");
    ASSERT_TRUE(s.sync());
    EXPECT_EQ(s.wait_for_text(0, "Illegal", 0), "");

    // "?" moves at once, also in the first search of a game. An hour of thinking time
    // makes any other way out of the search show as a timeout.
    s.send("new");
    s.send("go");
    s.send("?");
    const std::string move = s.wait_for("move ", 60000);
    ASSERT_FALSE(move.empty());
    EXPECT_TRUE(all_legal(START_FEN, {move.substr(5)}));
    EXPECT_EQ(s.quit(), 0);

    // The end of input during the first search ends the process.
    for (const char* clock : {"time 100000000", "st 3600"}) {
        const std::string script = std::string("xboard\nnew\n") + clock + "\ngo\n";
        EXPECT_EQ(run_engine(script, 60000, {}, temp_directory()).exit_status, 0) << clock;
    }
}

TEST(XboardDialogue, RefusedPositionsAndMoves) {
    const EngineRun run =
        run_engine("xboard\nnew\nforce\ne2e5\nhello\nlevel\ntime\nsetboard\n"
                   "setboard rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR/8 w KQkq - 0 1\n"
                   "e2e4\ngo\nping 7\nnew\nforce\ne2e4\ne2e4\n"
                   "setboard 4k3/8/8/8/8/7R/6b1/4K2R b K - 0 1\ng2h1\nh3h1\ne8d8\ne1g1\n"
                   "setboard 4k3/4n3/8/3Pp3/8/8/8/4K3 w - e6 0 1\nd5e6\nquit\n",
                   10000, {}, temp_directory());
    EXPECT_EQ(run.exit_status, 0);
    const std::string& out = run.output;
    for (const char* line :
         {"Illegal move: e2e5\n", "Error (unknown command): hello\n",
          "Error (missing argument): level\n", "Error (missing argument): time\n",
          "Error (missing argument): setboard\n", "tellusererror Illegal position\n", "pong 7\n",
          "Illegal move: e1g1\n", "Illegal move: d5e6\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line;
    // After the refused setboard the interface's board is unknown: the move is refused and
    // "go" plays nothing. After "new" e2e4 is taken once, then refused (Black to move).
    const size_t first = out.find("Illegal move: e2e4\n");
    const size_t second = out.find("Illegal move: e2e4\n", first + 1);
    EXPECT_LT(first, out.find("pong 7"));
    EXPECT_GT(second, out.find("pong 7"));
    EXPECT_EQ(out.find("Illegal move: e2e4\n", second + 1), std::string::npos);
    EXPECT_EQ(out.find("\nmove "), std::string::npos);
}

TEST(XboardDialogue, NoClaimInForceMode) {
    Session s;
    s.send("force");
    s.send("setboard 8/8/8/4k3/8/8/4K3/R7 w - - 100 60");
    s.send("a1a2");
    ASSERT_TRUE(s.sync());
    EXPECT_EQ(s.wait_for_text(0, "1/2-1/2", 0), "") << "the engine plays neither side";
    // Answering a move past the hundredth half-move, the engine claims the draw.
    s.send("setboard 8/8/8/4k3/8/8/4K3/R7 w - - 100 60");
    s.send("go");
    s.send("a2a1");
    ASSERT_FALSE(s.wait_for("move ").empty());
    EXPECT_EQ(s.wait_for("1/2-1/2"), "1/2-1/2 {Kelvorante saw Draw by 50 move rule}");
    EXPECT_EQ(s.quit(), 0);
}

TEST(XboardDialogue, SetboardMovesInForceModeThenGo) {
    // A book whose every entry is a7a6: a set-up game never uses it.
    std::string bait;
    for (int i = 0; i < 40; ++i) bait += "6050";
    Session s(bait + "\n");
    const std::string fen = "rnbqkb1r/pppppppp/5n2/8/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 1 2";
    s.send("new");
    s.send("force");
    s.send("setboard " + fen);
    s.send("d1g4"); // the queen walks into the knight's reach
    s.send("sd 2");
    s.send("go");
    EXPECT_EQ(s.wait_for("move "), "move f6g4");
    EXPECT_EQ(s.quit(), 0);
}

TEST(XboardDialogue, PromotionsInTheThinkingLineCarryTheirLetter) {
    Session s;
    s.send("setboard 8/4P3/8/8/8/8/k7/6K1 w - - 0 1");
    s.send("sd 3");
    s.send("go");
    EXPECT_EQ(s.wait_for("move "), "move e7e8q");
    bool seen = false;
    for (const std::string& l : s.thinking()) seen |= first_pv_move(l) == "e7e8q";
    EXPECT_TRUE(seen);
    EXPECT_EQ(s.quit(), 0);
}

TEST(XboardDialogue, HardAfterNewPonders) {
    Session s;
    s.send("new");
    s.send("hard");
    s.send("st 1");
    s.send("go");
    const std::string first = s.wait_for("move ");
    ASSERT_FALSE(first.empty());
    // Thinking on the opponent's time names the expected reply: "(e7e5) ".
    const std::string ponder = s.wait_for_text(s.lines().size(), " (", 10000);
    ASSERT_FALSE(ponder.empty());
    const std::string expected = ponder.substr(ponder.find('(') + 1, 4);
    s.send(expected);
    const std::string second = s.wait_for("move ", 10000);
    EXPECT_TRUE(all_legal(START_FEN, {first.substr(5), expected, second.substr(5)}));
    EXPECT_EQ(s.quit(), 0);
}

TEST(XboardDialogue, AnalysisFollowsTheBoardAndNeverMoves) {
    Session s;
    s.send("new");
    s.send("force");
    s.send("analyze");
    const std::string start_line = s.wait_thinking(0);
    ASSERT_TRUE(all_legal(START_FEN, {first_pv_move(start_line)})) << start_line;
    s.send("e2e4"); // played; the analysis starts again from the new position
    s.send(".");
    ASSERT_TRUE(s.sync());
    const std::string reply_line = s.wait_thinking(s.lines().size());
    EXPECT_TRUE(all_legal(START_FEN, {"e2e4", first_pv_move(reply_line)})) << reply_line;
    s.send("undo"); // back to the start: White's moves again
    s.send("exit");
    s.send("ping 5");
    EXPECT_EQ(s.wait_for("pong"), "pong 5");
    EXPECT_TRUE(s.moves().empty());
    // Analysis ended in force mode: a move is played without an answer.
    s.send("e2e4");
    ASSERT_TRUE(s.sync());
    EXPECT_TRUE(s.moves().empty());
    EXPECT_EQ(s.wait_for_text(0, "Illegal", 0), "");
    EXPECT_EQ(s.quit(), 0);
}

TEST(XboardDialogue, ClosedOutputEndsTheEngine) {
    Session s;
    s.send("new");
    s.send("analyze");
    ASSERT_FALSE(s.wait_thinking(0).empty());
    s.close_output();
    EXPECT_EQ(s.wait_exit(60000, false), 0);
}

} // namespace
