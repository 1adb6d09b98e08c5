// The evaluation driver: material and piece-square sums, the draw rules, the two caches
// and the console's "eval" command.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "board/position.h"
#include "engine_process.h"
#include "eval/eval_cache.h"
#include "eval/evaluate.h"
#include "eval/terms.h"
#include "test_position.h"

namespace {

Position& pos = game_position;

int32_t eval_of(const std::string& fen) {
    EXPECT_TRUE(setup(fen)) << fen;
    return evaluate(pos);
}

} // namespace

TEST(EvalDriver, StartPositionIsLevelForEitherSide) {
    EXPECT_EQ(eval_of(start_fen), 0);
    EXPECT_EQ(eval_of("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"), 0);
}

TEST(EvalDraws, MaterialThatCannotWin) {
    EXPECT_EQ(eval_of("4k3/8/8/8/8/8/8/1N2K1N1 w - - 0 1"), 0);
    EXPECT_EQ(eval_of("4k3/8/8/8/8/8/8/1N2K1N1 b - - 0 1"), 0);
    EXPECT_EQ(eval_of("4k3/8/8/8/8/8/8/1N2K3 w - - 0 1"), 0);
    EXPECT_EQ(eval_of("4k3/8/8/8/8/8/8/2B1K3 w - - 0 1"), 0);
    EXPECT_GT(eval_of("4k3/8/8/8/8/8/8/R3K3 w - - 0 1"), 0);
    EXPECT_LT(eval_of("4k3/8/8/8/8/8/8/R3K3 b - - 0 1"), 0);
    EXPECT_GT(eval_of("4k3/8/8/8/8/8/8/1NB1K3 w - - 0 1"), 0);

    ASSERT_TRUE(setup("4k3/p7/8/8/8/8/8/1NN1K3 w - - 0 1"));
    EXPECT_FALSE(can_win(pos, WHITE)); // 650
    EXPECT_TRUE(can_win(pos, BLACK));  // any pawn
}

TEST(EvalDraws, RookPawnWithTheKingInFront) {
    EXPECT_EQ(eval_of("8/k7/8/8/P7/8/8/4K3 w - - 0 1"), 0);
    EXPECT_EQ(eval_of("8/k7/8/8/P7/8/8/4K3 b - - 0 1"), 0);
    EXPECT_EQ(eval_of("4k3/8/8/p7/8/8/K7/8 b - - 0 1"), 0);
    EXPECT_EQ(eval_of("8/7k/8/8/7P/8/8/4K3 w - - 0 1"), 0);
    // The king behind the pawn, or a pawn off the edge files: the normal value.
    EXPECT_GT(eval_of("8/8/8/8/P7/8/k7/4K3 w - - 0 1"), 0);
    EXPECT_GT(eval_of("8/1k6/8/8/1P6/8/8/4K3 w - - 0 1"), 0);
    EXPECT_GT(eval_of("8/k7/8/8/7P/8/8/4K3 w - - 0 1"), 0);
}

TEST(EvalDraws, BishopAndPawn) {
    // The pawn's side to move: a draw below the fifth rank.
    EXPECT_EQ(eval_of("4k3/8/8/8/P7/8/8/2B1K3 w - - 0 1"), 0);
    EXPECT_GT(eval_of("4k3/8/8/P7/8/8/8/2B1K3 w - - 0 1"), 0);
    // The other side to move: a draw below the sixth.
    EXPECT_EQ(eval_of("4k3/8/8/P7/8/8/8/2B1K3 b - - 0 1"), 0);
    EXPECT_LT(eval_of("4k3/8/P7/8/8/8/8/2B1K3 b - - 0 1"), 0);
    // Who owns the bishop is not asked.
    EXPECT_EQ(eval_of("4k3/8/8/8/P7/8/8/2b1K3 w - - 0 1"), 0);
    // Black's pawn counts its ranks from the eighth.
    EXPECT_EQ(eval_of("4k3/8/8/8/p7/8/8/2B1K3 b - - 0 1"), 0);
    EXPECT_GT(eval_of("4k3/8/8/8/8/p7/8/2b1K3 b - - 0 1"), 0);
}

TEST(EvalCache, HitsEvictionAndClearing) {
    ASSERT_TRUE(setup(start_fen));
    EXPECT_EQ(evaluate(pos), 0);
    eval_cache_store(pos.key, 777);
    EXPECT_EQ(evaluate(pos), 777); // answered from the cache, not recomputed

    const uint64_t a = 0x123456789abcdefull, b = a + EVAL_CACHE_ENTRIES;
    int32_t score = 0;
    eval_cache_store(a, 11);
    EXPECT_TRUE(eval_cache_probe(a, score));
    EXPECT_EQ(score, 11);
    eval_cache_store(b, 22);
    EXPECT_FALSE(eval_cache_probe(a, score));
    EXPECT_TRUE(eval_cache_probe(b, score));
    EXPECT_EQ(score, 22);

    clear_eval_cache();
    EXPECT_FALSE(eval_cache_probe(b, score));
    EXPECT_TRUE(eval_cache_probe(0, score));
    EXPECT_EQ(score, 0);
}

TEST(EvalCache, PawnEntriesEvictAndClear) {
    ASSERT_TRUE(setup(start_fen));
    Position first = pos, second = pos;
    first.pawn_key = 0xfedcba987654321ull;
    second.pawn_key = first.pawn_key + EVAL_CACHE_ENTRIES;
    uint8_t list[PASSED_LIST_SIZE] = {80, 100}, out[PASSED_LIST_SIZE];
    int32_t score = 0;
    pawn_cache_store(first, 5, list);
    ASSERT_TRUE(pawn_cache_probe(first, score, out));
    EXPECT_EQ(score, 5);
    EXPECT_EQ(std::memcmp(out, list, sizeof list), 0);
    pawn_cache_store(second, 6, list);
    EXPECT_FALSE(pawn_cache_probe(first, score, out));

    // A pawnless position has pawn key 0 and meets a cleared entry: it must read score 0
    // and an empty list, whatever an earlier game left there.
    Position pawnless = pos;
    pawnless.pawn_key = 0;
    pawn_cache_store(pawnless, 9, list);
    clear_pawn_cache();
    std::memset(out, 0xff, sizeof out);
    ASSERT_TRUE(pawn_cache_probe(pawnless, score, out));
    EXPECT_EQ(score, 0);
    for (uint8_t sq : out) EXPECT_EQ(sq, 0);
    EXPECT_FALSE(pawn_cache_probe(first, score, out));
}

TEST(EvalCache, PawnEntryKeepsTheFirstTermSetsScore) {
    // a2 is an isolated passer: 4 with the middle-game weights, -14 with the endgame's;
    // nothing else scores in either set.
    const char* fen = "4k3/8/8/8/8/8/P7/4K3 w - - 0 1";
    ASSERT_TRUE(setup(fen));
    EXPECT_EQ(eval_middlegame(pos), 4);
    EXPECT_EQ(eval_endgame(pos), 4);
    ASSERT_TRUE(setup(fen));
    EXPECT_EQ(eval_endgame(pos), -14);
    EXPECT_EQ(eval_middlegame(pos), -14);
    int32_t score = 0;
    uint8_t out[PASSED_LIST_SIZE];
    ASSERT_TRUE(pawn_cache_probe(pos, score, out));
    EXPECT_EQ(score, -14);
    EXPECT_EQ(out[0], SQ_A1 + 16);
    EXPECT_EQ(out[1], 0);
}

TEST(EvalConsole, EvalCommandPrintsTheValue) {
    const EngineRun run = run_engine("eval\nquit\n");
    EXPECT_NE(run.output.find("val = 0 \n"), std::string::npos) << run.output;
}

TEST(EvalConsole, BenchCommandReportsItsCounts) {
    const EngineRun run = run_engine("", 300000, {"evalbench"});
    EXPECT_EQ(run.exit_status, 0);
    EXPECT_NE(run.output.find("Positions: 53\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Evaluations: 2650000\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("Evaluations/second: "), std::string::npos) << run.output;
}
