// The search in this process: draws inside the tree, quiescence, the state a search leaves
// behind (also when aborted or capped), lines that run into the ply limit, and searches of
// several lines.
#include <vector>

#include <gtest/gtest.h>

#include "eval/evaluate.h"
#include "search/front_end.h"
#include "search/quiesce.h"
#include "search/search.h"
#include "helpers.h"

namespace {

ScoredMove area[LIST_STACK_SIZE];

int qsearch(int ply) {
    search_state.status = STATUS_RUNNING;
    const int v = quiesce(game.position, -SCORE_INFINITE, SCORE_INFINITE, area, ply, 0);
    search_state.status = STATUS_IDLE;
    return v;
}

int polls, stop_after;
bool stopping_hook() { return ++polls >= stop_after; }

// A root search to the depth and node limits, stopped by the hook after stop_polls polls
// (0: no hook); the first poll comes after first_poll nodes (0: when the search sets it).
void search_stopped_after(int depth, uint32_t nodes, int stop_polls, uint32_t first_poll = 0) {
    polls = 0, stop_after = stop_polls;
    front_end.should_stop = stop_polls ? stopping_hook : nullptr;
    search_state.limits = depth_limits(depth);
    search_state.limits.nodes = nodes;
    begin_search();
    if (first_poll) search_state.poll_counter = POLL_INTERVAL - first_poll;
    search_state.status = STATUS_RUNNING;
    root_search(game.position);
    search_state.status = STATUS_IDLE;
    front_end.should_stop = nullptr;
}

TEST(Search, QuiescenceResolvesCapturesAndKnowsMateAndDeadDraws) {
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"));
    EXPECT_EQ(qsearch(1), evaluate(game.position)) << "nothing to capture";
    ASSERT_TRUE(reset_engine("4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1"));
    EXPECT_GT(qsearch(1), evaluate(game.position) + 800) << "a hanging queen";
    // In check without an evasion: mated at this ply.
    ASSERT_TRUE(reset_engine("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 10"));
    EXPECT_EQ(qsearch(3), 3 - SCORE_MATE);
    // Bare kings and a lone minor piece are dead draws, whatever the material sum says.
    for (const char* fen : {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", "4k3/8/8/8/8/8/8/4KB2 w - - 0 1",
                            "4k3/8/8/8/8/8/8/3NKN2 w - - 0 1"}) {
        ASSERT_TRUE(reset_engine(fen));
        EXPECT_EQ(qsearch(1), 0) << fen;
    }
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/3BKB2 w - - 0 1"));
    EXPECT_NE(qsearch(1), 0) << "two bishops can mate";
}

TEST(Search, ARepetitionInsideTheTreeIsADraw) {
    // The position four plies back recurs. Inside the search one earlier occurrence is a
    // draw; at game level (a search rooted here) it takes two, and the queen counts.
    ASSERT_TRUE(reset_engine("4k3/8/8/8/8/8/8/Q3K3 w - - 0 1"));
    for (const char* m : {"e1d1", "e8d8", "d1e1", "d8e8"}) ASSERT_TRUE(play(m));
    EXPECT_GT(qsearch(0), 800);
    EXPECT_EQ(qsearch(4), 0);
}

TEST(Search, AbortedSearchesRestoreTheGameAndStillYieldAMove) {
    struct Case {
        const char* what;
        int depth;
        uint32_t nodes;
        int stop_after;      // 0: no stopping hook
        uint32_t first_poll; // nodes before the first poll, 0 for the usual interval
    } cases[] = {
        {"complete", 6, 0, 0, 0},
        {"node limit", 30, 20000, 0, 0},
        {"stop from the input poll", 30, 0, 3, 0},
        {"stop at the very first node", 30, 0, 1, 1},
        {"one-node limit", 30, 1, 0, 0},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(reset_engine(start_fen));
        for (const char* m : {"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "g8f6"}) ASSERT_TRUE(play(m));
        const GameCopy before;
        search_stopped_after(c.depth, c.nodes, c.stop_after, c.first_poll);
        EXPECT_EQ(before.changes(), "") << c.what;
        EXPECT_EQ(polls, c.stop_after) << c.what;
        EXPECT_NE(search_state.best_move, MOVE_NONE) << c.what;
        EXPECT_TRUE(play(move_text(search_state.best_move)))
            << c.what << ": " << move_text(search_state.best_move);
    }
}

TEST(Search, TheNodeCapBoundsEverySearchAndPollsTheInputOnce) {
    const struct {
        uint32_t cap, asked, limit;
        int polls;
    } cases[] = {{300, 0, 300, 1}, {300, 5000, 300, 1}, {300, 100, 100, 1}, {0, 1000, 1000, 0}};
    for (const auto& c : cases) {
        ASSERT_TRUE(reset_engine(start_fen));
        search_state.node_cap = c.cap;
        search_stopped_after(30, c.asked, 1000);
        search_state.node_cap = 0;
        EXPECT_EQ(search_state.limits.nodes, c.limit) << c.cap << " " << c.asked;
        EXPECT_EQ(search_state.nodes, c.limit) << c.cap << " " << c.asked;
        EXPECT_EQ(polls, c.polls) << c.cap << " " << c.asked;
    }
}

TEST(Search, LinesRunningIntoThePlyLimitStayInsideTheTables) {
    const char* fen = "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 100";
    for (int ply = MAX_PLY - 6; ply < MAX_PLY; ++ply) {
        ASSERT_TRUE(reset_engine(fen));
        const GameCopy before;
        search_state.status = STATUS_RUNNING;
        const int v = search(game.position, -SCORE_INFINITE, SCORE_INFINITE, 7, 1, area, ply, 0, 0);
        search_state.status = STATUS_IDLE;
        EXPECT_LT(std::abs(v), SCORE_INFINITE) << ply;
        EXPECT_EQ(before.changes(), "") << ply;
    }
}

} // namespace

// Several lines: every depth reports its lines in full, numbered from 1, best score first,
// each with its own first move; the decision is the first line's move. With fewer legal
// moves than lines asked for, every move gets a line.
std::vector<Progress> lines_seen;
std::vector<std::vector<Move>> line_moves;
void collect_line(const Progress& p) {
    lines_seen.push_back(p);
    std::vector<Move> moves;
    for (int i = 0; p.pv[i]; ++i) moves.push_back(p.pv[i]);
    line_moves.push_back(moves);
}

TEST(Search, SeveralLinesAreCompleteOrderedAndDistinct) {
    const struct {
        const char* fen;
        int asked, lines;
    } cases[] = {
        {"r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP2BPPP/R2QKB1R w KQ - 0 8", 3, 3},
        {"7k/8/8/8/8/8/8/K6r w - - 0 1", 5, 2},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(reset_engine(c.fen));
        lines_seen.clear();
        line_moves.clear();
        front_end.progress = collect_line;
        search_state.limits = depth_limits(7);
        search_state.limits.multipv = c.asked;
        begin_search();
        search_state.status = STATUS_RUNNING;
        const RootResult r = root_search(game.position);
        search_state.status = STATUS_IDLE;
        front_end.progress = nullptr;
        ASSERT_EQ(lines_seen.size(), static_cast<size_t>(7 * c.lines)) << c.fen;
        for (size_t i = 0; i < lines_seen.size(); ++i) {
            const Progress& p = lines_seen[i];
            const size_t first = i - i % c.lines;
            EXPECT_EQ(p.depth, static_cast<int>(i / c.lines) + 1);
            EXPECT_EQ(p.line, static_cast<int>(i % c.lines) + 1);
            ASSERT_FALSE(line_moves[i].empty());
            for (size_t j = first; j < i; ++j) {
                EXPECT_GE(lines_seen[j].score, p.score) << "best first, depth " << p.depth;
                EXPECT_NE(line_moves[j][0], line_moves[i][0]) << "distinct, depth " << p.depth;
            }
        }
        EXPECT_EQ(r.best_move, line_moves[lines_seen.size() - c.lines][0]) << c.fen;
    }
}
