// The XBoard dialogue end to end: the real binary, driven line by line as a GUI drives it.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <thread>
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

TEST(XboardDialogue, FeaturesQuitAndEndOfInput) {
    Session s;
    s.send("protover 2");
    EXPECT_EQ(s.wait_for("feature"),
              "feature setboard=1 playother=1 myname=\"Kelvorante 2.4\" done=1");
    EXPECT_EQ(s.quit(), 0);
    EXPECT_EQ(run_engine("xboard\nprotover 2\n", 10000, {}, temp_directory()).exit_status, 0);
}

TEST(XboardDialogue, ForceModeThenGoUnderAClockThenMovesAreAnswered) {
    Session s;
    s.send("new");
    s.send("force");
    s.send("e2e4");
    ASSERT_TRUE(s.sync());
    EXPECT_TRUE(s.moves().empty()) << "no reply in force mode";
    s.send("time 300");
    s.send("otim 300");
    s.send("go"); // leaves force mode; the engine plays Black
    ASSERT_FALSE(s.wait_for("move ").empty());
    s.send("go"); // a second "go" in the same game is ignored
    ASSERT_TRUE(s.sync());
    ASSERT_EQ(s.moves().size(), 1u);
    s.send("g1f3"); // legal after any first move of Black; answered
    ASSERT_TRUE(s.sync());
    ASSERT_EQ(s.moves().size(), 2u);
    EXPECT_TRUE(all_legal(START_FEN, {"e2e4", s.moves()[0], "g1f3", s.moves()[1]}));
    EXPECT_EQ(s.quit(), 0);
}

TEST(XboardDialogue, RefusalsLeaveThePositionAlone) {
    const EngineRun run = run_engine(
        "xboard\nnew\nforce\ne2e5\nhello\nlevel\ntime\nsetboard\nsetboard 8/8/8 w - - 0 1\n"
        "ping 7\ne2e4\ne2e4\nquit\n",
        10000, {}, temp_directory());
    EXPECT_EQ(run.exit_status, 0);
    const std::string& out = run.output;
    for (const char* line : {"Illegal move: e2e5\n", "Error (unknown command): hello\n",
                             "tellusererror Illegal position\n", "pong 7\n"})
        EXPECT_NE(out.find(line), std::string::npos) << line;
    // The start position survived: e2e4 is taken once, then refused (Black to move).
    const size_t refused = out.find("Illegal move: e2e4\n");
    EXPECT_NE(refused, std::string::npos);
    EXPECT_EQ(refused, out.rfind("Illegal move: e2e4\n"));
    EXPECT_EQ(out.find("\nmove "), std::string::npos);
}

TEST(XboardDialogue, RemoveTakesBackTwoPlies) {
    // d2d4 is legal only with White to move from the start again.
    const EngineRun run = run_engine("xboard\nnew\nforce\ne2e4\ne7e5\nremove\nd2d4\nd7d5\nquit\n",
                                     10000, {}, temp_directory());
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_EQ(run.output.find("Illegal move"), std::string::npos);
}

TEST(XboardDialogue, FiftyMoveDrawInForceMode) {
    Session s;
    s.send("force");
    s.send("setboard 8/8/8/4k3/8/8/4K3/R7 w - - 99 60");
    s.send("a1a2");
    ASSERT_TRUE(s.sync());
    EXPECT_TRUE(s.wait_for_text(0, "1/2-1/2", 0).empty()) << "not before the clock passes 100";
    s.send("setboard 8/8/8/4k3/8/8/4K3/R7 w - - 100 60");
    s.send("a1a2");
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

TEST(XboardDialogue, QuestionMarkStopsALongSearch) {
    Session s;
    s.send("new");
    s.send("go"); // no clock given: a short first search
    const std::string first = s.wait_for("move ");
    ASSERT_FALSE(first.empty());
    s.send("st 30");
    s.send("g8f6");
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const long long asked = now_ms();
    s.send("?");
    const std::string reply = s.wait_for("move ", 10000);
    ASSERT_FALSE(reply.empty());
    EXPECT_LT(now_ms() - asked, 3000);
    EXPECT_TRUE(all_legal(START_FEN, {first.substr(5), "g8f6", reply.substr(5)}));
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

} // namespace
