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
const char* const DRAW_LINE = "1/2-1/2 {Kelvorante saw Draw by 50 move rule}";

long long now_ms() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

bool starts_with(const std::string& s, const std::string& prefix) {
    return s.compare(0, prefix.size(), prefix) == 0;
}

// The engine in XBoard mode, in an empty directory of its own so that no opening book
// is found unless a test puts one there.
class Session {
  public:
    explicit Session(const std::string& book = "") : dir_(make_dir(book)), engine_({}, dir_) {
        engine_.send("xboard");
    }
    void send(const std::string& line) { engine_.send(line); }
    std::string wait_for(const std::string& prefix, int timeout_ms = 20000) {
        return engine_.wait_for(prefix, timeout_ms);
    }
    // Everything the engine printed before this call has been read once the pong is in.
    bool sync() {
        const std::string pong = "pong " + std::to_string(++pings_);
        engine_.send("ping " + std::to_string(pings_));
        return engine_.wait_for(pong) == pong;
    }
    // Lines read so far are not searched by wait_for_text.
    void mark() { seen_ = engine_.lines().size(); }
    // Waits for a line containing text; returns it, or "" after the timeout.
    std::string wait_for_text(const std::string& text, int timeout_ms) {
        const long long end = now_ms() + timeout_ms;
        for (;;) {
            for (; seen_ < engine_.lines().size(); ++seen_)
                if (engine_.lines()[seen_].find(text) != std::string::npos)
                    return engine_.lines()[seen_++];
            const long long left = end - now_ms();
            if (left <= 0) return "";
            engine_.wait_for("", static_cast<int>(left < 100 ? left : 100));
        }
    }
    std::vector<std::string> lines_starting(const std::string& prefix) const {
        std::vector<std::string> found;
        for (const auto& l : engine_.lines())
            if (starts_with(l, prefix)) found.push_back(l);
        return found;
    }
    std::vector<std::string> moves() const {
        std::vector<std::string> found;
        for (const auto& l : lines_starting("move ")) found.push_back(l.substr(5));
        return found;
    }
    const std::vector<std::string>& lines() const { return engine_.lines(); }
    int quit_and_wait() {
        engine_.send("quit");
        return engine_.wait_exit(10000);
    }
    int close_and_wait(int timeout_ms) { return engine_.wait_exit(timeout_ms); }

  private:
    static std::string make_dir(const std::string& book) {
        std::string dir = temp_directory();
        if (!book.empty()) write_file(dir + "/book.obk", book);
        return dir;
    }
    std::string dir_;
    EngineProcess engine_;
    int pings_ = 0;
    size_t seen_ = 0;
};

// Replays moves from a FEN in this process; false at the first illegal one.
bool all_legal(const std::string& fen, const std::vector<std::string>& moves) {
    if (!setup(fen)) return false;
    for (const auto& m : moves)
        if (!play(m)) return false;
    return true;
}

TEST(XboardDialogue, AnnouncesFeaturesAndEndsOnQuitOrEndOfInput) {
    Session s;
    s.send("protover 2");
    EXPECT_EQ(s.wait_for("feature"),
              "feature setboard=1 playother=1 myname=\"Kelvorante 2.4\" done=1");
    ASSERT_TRUE(s.sync());
    EXPECT_EQ(s.lines_starting("feature").size(), 1u);
    EXPECT_EQ(s.quit_and_wait(), 0);

    const EngineRun run =
        run_engine("xboard\nprotover 2\naccepted setboard\n", 10000, {}, temp_directory());
    EXPECT_EQ(run.exit_status, 0);
}

TEST(XboardDialogue, PlaysAfterGoAndAnswersMovesOutsideForceMode) {
    Session s;
    s.send("new");
    s.send("go");
    const std::string first = s.wait_for("move ");
    ASSERT_FALSE(first.empty());
    // A second "go" in the same game is ignored.
    s.send("go");
    ASSERT_TRUE(s.sync());
    EXPECT_EQ(s.moves().size(), 1u);

    // b8c6 is legal after any first move of White.
    s.send("b8c6");
    s.send("ping 99");
    ASSERT_FALSE(s.wait_for("pong 99").empty());
    // The pong comes after the reply, since the line is read once the engine has moved.
    ASSERT_EQ(s.moves().size(), 2u);
    std::vector<std::string> game = {s.moves()[0], "b8c6", s.moves()[1]};
    EXPECT_TRUE(all_legal(START_FEN, game));
    EXPECT_EQ(s.quit_and_wait(), 0);
}

TEST(XboardDialogue, ForceModePlaysMovesWithoutReplyUntilGo) {
    Session s;
    s.send("new");
    s.send("force");
    s.send("e2e4");
    s.send("e7e5");
    s.send("g1f3");
    ASSERT_TRUE(s.sync());
    EXPECT_TRUE(s.moves().empty());
    EXPECT_TRUE(s.lines_starting("Illegal").empty());

    // "go" leaves force mode and starts the engine for the side to move (Black).
    s.send("go");
    const std::string reply = s.wait_for("move ");
    ASSERT_FALSE(reply.empty());
    EXPECT_TRUE(all_legal(START_FEN, {"e2e4", "e7e5", "g1f3", reply.substr(5)}));

    // Once the engine has played in this game, "go" changes nothing, not even force mode.
    s.send("force");
    s.send("b1c3");
    s.send("go");
    ASSERT_TRUE(s.sync());
    EXPECT_EQ(s.moves().size(), 1u);
    EXPECT_EQ(s.quit_and_wait(), 0);
}

TEST(XboardDialogue, RefusesIllegalMovesAndUnknownWordsWithoutChangingThePosition) {
    const std::string long_word(1000, 'x');
    const EngineRun run =
        run_engine("xboard\nnew\nforce\ne2e5\ne7e5\ne2e4q\nhello\nE2E4\n" + long_word +
                       "\nlevel\ntime\nsetboard\nsd\nst\nsetboard 8/8/8 w - - 0 1\n"
                       "e2e4\ne2e4\nquit\n",
                   10000, {}, temp_directory());
    EXPECT_EQ(run.exit_status, 0);
    const std::string& out = run.output;
    EXPECT_NE(out.find("Illegal move: e2e5\n"), std::string::npos);
    EXPECT_NE(out.find("Illegal move: e7e5\n"), std::string::npos);
    EXPECT_NE(out.find("Illegal move: e2e4q\n"), std::string::npos);
    EXPECT_NE(out.find("Error (unknown command): hello\n"), std::string::npos);
    EXPECT_NE(out.find("Error (unknown command): E2E4\n"), std::string::npos);
    // The over-long line is cut to the line buffer, reported, and the next line read whole.
    EXPECT_NE(out.find("Error (unknown command): " + std::string(255, 'x') + "\n"),
              std::string::npos);
    for (const char* command : {"level", "time", "setboard", "sd", "st"})
        EXPECT_NE(out.find(std::string("Error (missing argument): ") + command + "\n"),
                  std::string::npos)
            << command;
    EXPECT_NE(out.find("tellusererror Illegal position\n"), std::string::npos);
    // None of that touched the start position: e2e4 is taken once, then refused (Black to move).
    EXPECT_EQ(out.find("Illegal move: e2e4\n"), out.rfind("Illegal move: e2e4\n"));
    EXPECT_NE(out.find("Illegal move: e2e4\n"), std::string::npos);
    EXPECT_EQ(out.find("\nmove "), std::string::npos);
}

TEST(XboardDialogue, RemoveTakesBackTwoPliesAndUndoNothing) {
    // d2d4 is legal only with White to move from the start again; after "undo" c2c4 is
    // still White's move, and the last c2c4 has no pawn left to move.
    const EngineRun run = run_engine("xboard\nnew\nforce\ne2e4\ne7e5\nremove\nd2d4\nd7d5\nundo\n"
                                     "c2c4\nc7c5\nc2c4\nquit\n",
                                     10000, {}, temp_directory());
    EXPECT_EQ(run.exit_status, 0);
    const size_t refused = run.output.find("Illegal move: ");
    ASSERT_NE(refused, std::string::npos);
    EXPECT_EQ(run.output.substr(refused), "Illegal move: c2c4\n");
}

TEST(XboardDialogue, FiftyMoveDrawIsAnnouncedInForceMode) {
    Session s;
    s.send("force");
    // The clock at 99: the move makes it 100, no announcement yet; past 100 there is one.
    s.send("setboard 8/8/8/4k3/8/8/4K3/R7 w - - 99 60");
    s.send("a1a2");
    ASSERT_TRUE(s.sync());
    EXPECT_TRUE(s.lines_starting("1/2-1/2").empty());
    s.send("setboard 8/8/8/4k3/8/8/4K3/R7 w - - 100 60");
    s.send("a1a2");
    EXPECT_EQ(s.wait_for("1/2-1/2"), DRAW_LINE);
    ASSERT_TRUE(s.sync());
    EXPECT_TRUE(s.moves().empty());
    EXPECT_EQ(s.quit_and_wait(), 0);
}

TEST(XboardDialogue, SetboardWithMovesInForceModeThenGoSearchesTheSetPosition) {
    // A book beside the engine whose every entry is a7a6: a set-up game never loads it.
    std::string bait;
    for (int i = 0; i < 40; ++i) bait += "6050";
    Session s(bait + "\n" + bait + "\n");
    const std::string fen = "rnbqkb1r/pppppppp/5n2/8/4P3/8/PPPP1PPP/RNBQKBNR w KQkq - 1 2";
    s.send("new");
    s.send("force");
    s.send("setboard " + fen);
    s.send("d1g4"); // the queen walks into the knight's reach
    s.send("go");
    const std::string reply = s.wait_for("move ");
    ASSERT_FALSE(reply.empty());
    EXPECT_EQ(reply, "move f6g4");
    EXPECT_TRUE(all_legal(fen, {"d1g4", reply.substr(5)}));
    EXPECT_EQ(s.quit_and_wait(), 0);
}

TEST(XboardDialogue, QuestionMarkStopsALongSearch) {
    Session s;
    s.send("new");
    s.send("go"); // no clock given: a short first search
    const std::string first = s.wait_for("move ");
    ASSERT_FALSE(first.empty());
    s.send("st 30");
    s.send("g8f6");
    // Let the search get under way; left alone it would run for many seconds.
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    const long long asked = now_ms();
    s.send("?");
    const std::string reply = s.wait_for("move ", 10000);
    const long long waited = now_ms() - asked;
    ASSERT_FALSE(reply.empty());
    EXPECT_LT(waited, 3000);
    EXPECT_TRUE(all_legal(START_FEN, {first.substr(5), "g8f6", reply.substr(5)}));
    ASSERT_TRUE(s.sync());
    EXPECT_EQ(s.moves().size(), 2u);
    EXPECT_EQ(s.quit_and_wait(), 0);
}

TEST(XboardDialogue, HardAfterNewPondersAndTheReplyStillComes) {
    Session s;
    s.send("new");
    s.send("hard");
    s.send("st 1");
    s.send("go");
    const std::string first = s.wait_for("move ");
    ASSERT_FALSE(first.empty());
    s.mark();
    // Progress lines of thinking on the opponent's time name the expected reply: "(e7e5) ".
    const std::string ponder_line = s.wait_for_text(" (", 10000);
    ASSERT_FALSE(ponder_line.empty());
    const size_t open = ponder_line.find('(');
    const std::string expected = ponder_line.substr(open + 1, 4);

    // The expected reply arrives well before a ponder hit could be used: the engine
    // searches again and answers within its second.
    const long long sent = now_ms();
    s.send(expected);
    const std::string second = s.wait_for("move ", 10000);
    ASSERT_FALSE(second.empty());
    EXPECT_LT(now_ms() - sent, 5000);
    EXPECT_TRUE(all_legal(START_FEN, {first.substr(5), expected, second.substr(5)}));

    // It thinks on the opponent's time again; the end of input ends it at once.
    s.mark();
    ASSERT_FALSE(s.wait_for_text(" (", 10000).empty());
    const long long closed = now_ms();
    EXPECT_EQ(s.close_and_wait(10000), 0);
    EXPECT_LT(now_ms() - closed, 5000);
}

TEST(XboardDialogue, HardBeforeNewIsCancelledByTheNewGame) {
    Session s;
    s.send("hard");
    s.send("new");
    s.send("st 1");
    s.send("go");
    ASSERT_FALSE(s.wait_for("move ").empty());
    s.mark();
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    ASSERT_TRUE(s.sync());
    EXPECT_EQ(s.wait_for_text(" (", 0), "");
    EXPECT_EQ(s.quit_and_wait(), 0);
}

} // namespace
