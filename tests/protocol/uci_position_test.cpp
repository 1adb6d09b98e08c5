// The UCI "position" parser and the clock mapping, in process: exact positions, refusals
// that leave the game alone, and which lists continue the game instead of starting anew.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board/history.h"
#include "board/make_move.h"
#include "movegen/movegen.h"
#include "protocol/uci.h"
#include "search/quiesce.h"
#include "shell/notation.h"
#include "test_position.h"

namespace {

bool position(const std::string& args) {
    std::vector<char> text(args.begin(), args.end());
    text.push_back('\0');
    return uci_position(text.data());
}

struct Snapshot {
    uint64_t key;
    uint32_t ply, setup;
    uint8_t board[256];
    std::vector<Move> moves;
};

Snapshot snapshot() {
    Snapshot s{game_position.key, game_position.ply, setup_ply, {}, {}};
    std::copy(std::begin(game_position.board), std::end(game_position.board), s.board);
    for (uint32_t p = setup_ply; p < game_position.ply; ++p)
        s.moves.push_back(game_history[p].move);
    return s;
}

void expect_unchanged(const Snapshot& before, const std::string& what) {
    const Snapshot now = snapshot();
    EXPECT_EQ(now.key, before.key) << what;
    EXPECT_EQ(now.ply, before.ply) << what;
    EXPECT_EQ(now.setup, before.setup) << what;
    EXPECT_TRUE(std::equal(std::begin(now.board), std::end(now.board), before.board)) << what;
    EXPECT_EQ(now.moves, before.moves) << what;
}

// The game position must be the one the FEN describes: pieces, side, castling rights,
// en-passant square and therefore the key.
void expect_position(const std::string& fen, const std::string& what) {
    const Position reached = game_position;
    ASSERT_TRUE(pos_ok(reached)) << what;
    ASSERT_TRUE(setup(fen)) << fen;
    EXPECT_TRUE(std::equal(std::begin(reached.board), std::end(reached.board), game_position.board))
        << what;
    EXPECT_EQ(reached.side, game_position.side) << what;
    EXPECT_EQ(reached.castling_lost, game_position.castling_lost) << what;
    EXPECT_EQ(reached.ep_square, game_position.ep_square) << what;
    EXPECT_EQ(reached.key, game_position.key) << what;
}

std::string knight_shuffle(int plies) {
    static const char* cycle[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
    std::string moves;
    for (int i = 0; i < plies; ++i) moves += std::string(" ") + cycle[i % 4];
    return moves;
}

} // namespace

TEST(UciPosition, MoveListsReachExactPositions) {
    ASSERT_TRUE(setup(start_fen));
    uci_new_game();
    const struct {
        const char* command;
        const char* expected;
    } cases[] = {
        {"startpos moves e2e4 e7e5 g1f3 b8c6 f1c4 g8f6 e1g1",
         "r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQ1RK1 b kq - 5 4"},
        {"fen r3k2r/8/8/8/8/8/8/R3K2R b KQkq - 0 1 moves e8c8 e1g1",
         "2kr3r/8/8/8/8/8/8/R4RK1 b - - 2 2"},
        {"startpos moves e2e4 a7a6 e4e5 d7d5 e5d6",
         "rnbqkbnr/1pp1pppp/p2P4/8/8/8/PPPP1PPP/RNBQKBNR b KQkq - 0 3"},
        {"fen 4k3/8/8/8/3pP3/8/8/4K3 b - e3 0 1 moves d4e3", "4k3/8/8/8/8/4p3/8/4K3 w - - 0 2"},
        {"startpos moves d2d4 g8f6 c2c4",
         "rnbqkb1r/pppppppp/5n2/8/2PP4/8/PP2PPPP/RNBQKBNR b KQkq c3 0 2"},
        {"fen 4k3/P7/8/8/8/8/8/4K3 w - - 0 1 moves a7a8q e8d7", "Q7/3k4/8/8/8/8/8/4K3 w - - 1 2"},
        {"fen 1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1 moves A7B8N", "1N2k3/8/8/8/8/8/8/4K3 b - - 0 1"},
        {"fen 4k3/8/8/8/8/8/4p3/3RK3 b - - 0 1 moves e2d1r e1d1", "4k3/8/8/8/8/8/8/3K4 b - - 0 2"},
        // The start position written as a FEN, tabs and doubled spaces between words.
        {"fen rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1\tmoves  e2e4",
         "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"},
        // Placement and side alone, as an EPD gives them.
        {"fen 4k3/8/8/8/8/8/8/4K2R w", "4k3/8/8/8/8/8/8/4K2R w - - 0 1"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(position(c.command)) << c.command;
        expect_position(c.expected, c.command);
        uci_new_game();
    }
}

TEST(UciPosition, RefusedCommandsLeaveThePositionAlone) {
    ASSERT_TRUE(setup(start_fen));
    uci_new_game();
    ASSERT_TRUE(position("startpos moves e2e4 e7e5 g1f3"));
    const Snapshot before = snapshot();
    const char* refused[] = {
        "",
        "startpos e2e4",
        "fen garbage",
        "fen 8/8/8/8/8/8/8/8 w - - 0 1",                  // no kings
        "fen 4k3/8/8/8/8/8/8/4K2R x - - 0 1",             // no side
        "fen 4k3/8/8/8/8/8/8/4K2R w - - 0 1 7",           // seven fields
        "fen 4k3/8/8/8/8/8/8/4K3R w - - 0 1",             // nine files
        "fen 4k3/8/8/8/8/8/4K2R w - - 0 1",               // seven ranks
        "fen 4k3/8/8/8/8/8/8/4K2R w KK - 0 1",            // castling twice
        "fen 4k3/8/8/8/8/8/8/4K2R w - e4 0 1",            // en passant on a wrong rank
        "fen 4k3/8/8/8/8/8/8/4K2R w - - -5 1",            // negative clock
        "fen 4k2R/8/8/8/8/8/8/4K3 w - - 0 1",             // the side not to move in check
        "fen Pk6/8/8/8/8/8/8/4K3 w - - 0 1",              // pawn on the last rank
        "startpos moves e2e4 e7e5 g1f3 e2e5",             // illegal continuation
        "startpos moves e2e4 e7e5 b1c3 e2e5",             // the same after a take-back
        "startpos moves e2e4 e7e5 g1f3 b8c6 e1g1",        // castling through pieces
        "startpos moves e2e4 e7e5 g1f3 b8c6 b1c3q",       // promotion letter on a knight
        "startpos moves e2e4q",                           // promotion letter on a pawn push
        "startpos moves d2d4 d7d5 g1f3 e2e5",             // a new game with a bad move
        "fen 4k3/P7/8/8/8/8/8/4K3 w - - 0 1 moves a7a8",  // promotion without a letter
        "fen 4k3/P7/8/8/8/8/8/4K3 w - - 0 1 moves a7a8k", // promotion to a king
        "fen 4k3/8/8/8/8/8/8/4K2R w K - 0 1 moves e1f1 e8e7 h1f1", // a move onto its own piece
    };
    for (const char* c : refused) {
        EXPECT_FALSE(position(c)) << c;
        expect_unchanged(before, c);
    }
    // A game beyond what the history holds.
    EXPECT_FALSE(position("startpos moves e2e4 e7e5" + knight_shuffle(GAME_PLY_LIMIT)));
    expect_unchanged(before, "too long");
    // The game still continues after all that.
    node_count = 777;
    EXPECT_TRUE(position("startpos moves e2e4 e7e5 g1f3 b8c6"));
    EXPECT_EQ(node_count, 777u);
    expect_position("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
                    "continued");
}

TEST(UciPosition, ContinuesTheGameOrStartsAnew) {
    ASSERT_TRUE(setup(start_fen));
    uci_new_game();
    // node_count is cleared by every new-game reset, so it shows whether one happened.
    ASSERT_TRUE(position("startpos moves e2e4"));
    node_count = 777;
    ASSERT_TRUE(position("startpos moves e2e4 e7e5"));
    EXPECT_EQ(node_count, 777u) << "one more move continues the game";
    // The engine's own answer stands on the board before the interface repeats it.
    Undo undo;
    make_move(game_position, text_to_move(game_position, "g1f3"), undo);
    ASSERT_TRUE(position("startpos moves e2e4 e7e5 g1f3 b8c6"));
    EXPECT_EQ(node_count, 777u) << "the engine's move and the reply continue the game";
    ASSERT_TRUE(position("startpos moves e2e4 e7e5 g1f3 b8c6"));
    EXPECT_EQ(node_count, 777u) << "the same list again changes nothing";
    ASSERT_TRUE(position("startpos moves e2e4 e7e5 g1f3 g8f6"));
    EXPECT_EQ(node_count, 777u) << "a different last move (ponder miss) is taken back";
    ASSERT_TRUE(position("startpos moves e2e4 e7e5"));
    EXPECT_EQ(node_count, 777u) << "two plies back";
    expect_position("rnbqkbnr/pppp1ppp/8/4p3/4P3/8/PPPP1PPP/RNBQKBNR w KQkq e6 0 2",
                    "two plies back");

    uci_new_game();
    ASSERT_TRUE(position("startpos moves e2e4 e7e5 g1f3 b8c6"));
    node_count = 777;
    ASSERT_TRUE(position("startpos moves d2d4"));
    EXPECT_EQ(node_count, 0u) << "a list that leaves the game early is a new game";
    node_count = 777;
    ASSERT_TRUE(position("fen rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1"));
    EXPECT_EQ(node_count, 0u) << "another start is a new game";
    node_count = 777;
    ASSERT_TRUE(
        position("fen rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR  b KQkq - 0 1 moves d7d5"));
    EXPECT_EQ(node_count, 777u) << "the same FEN continues";
}

TEST(UciPosition, RefusedNewGameRestoresTheOldGame) {
    ASSERT_TRUE(setup(start_fen));
    uci_new_game();
    ASSERT_TRUE(position("fen 4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1 moves e1g1 e8d7"));
    const Snapshot before = snapshot();
    EXPECT_FALSE(position("startpos moves e2e4 e7e5 e1e2 e8e7 e2e3 e7e6 e3e4"));
    expect_unchanged(before, "restored");
    // The restored game is the engine's game again: a longer list continues it.
    EXPECT_TRUE(position("fen 4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1 moves e1g1 e8d7 a1a7"));
    expect_position("8/R2k4/8/8/8/8/8/5RK1 b - - 1 2", "after the restore");
}

TEST(UciClock, PlansTheClockForTheEngine) {
    // Without an increment: the clock as given, shared by movestogo or 30 moves.
    ClockPlan p = plan_clock(60000, 0, 0);
    EXPECT_EQ(p.clock_cs, 6000);
    EXPECT_EQ(p.moves, 30);
    p = plan_clock(60000, 0, 40);
    EXPECT_EQ(p.moves, 40);
    p = plan_clock(60000, 0, 1000);
    EXPECT_EQ(p.moves, 255);
    p = plan_clock(60000, 0, -3);
    EXPECT_EQ(p.moves, 30);

    // With an increment: a share of the clock plus the increment (60 s / 30 + 1 s = 3 s,
    // so 20 moves), the clock itself unchanged.
    p = plan_clock(60000, 1000, 0);
    EXPECT_EQ(p.clock_cs, 6000);
    EXPECT_EQ(p.moves, 20);
    // Never more than half of what is left, however large the increment.
    p = plan_clock(3000, 10000, 0);
    EXPECT_EQ(p.moves, 2);
    p = plan_clock(3000, 10000, 1);
    EXPECT_EQ(p.moves, 2);

    // Out-of-range values: an overstepped (negative) clock is empty, a huge one is capped
    // so that the engine's arithmetic cannot overflow.
    p = plan_clock(-50, 100, 0);
    EXPECT_EQ(p.clock_cs, 0);
    EXPECT_GE(p.moves, 1);
    p = plan_clock(int64_t{1} << 50, 0, 0);
    EXPECT_GT(p.clock_cs, 0);
    EXPECT_LE(int64_t{p.clock_cs} * 10, int64_t{INT32_MAX});
}
