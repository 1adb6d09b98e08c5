// The evaluation driver: the level start, the draw rules and the two caches.
#include <gtest/gtest.h>

#include "board/position.h"
#include "eval/eval_cache.h"
#include "eval/evaluate.h"
#include "eval/terms.h"
#include "helpers.h"

namespace {
Position& pos = game.position;
} // namespace

TEST(EvalDriver, LevelStartAndDrawRules) {
    // Expected sign of the value for the side to move; 0 means exactly 0.
    const struct {
        const char* fen;
        int sign;
    } cases[] = {
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0},
        {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1", 0},
        {"4k3/8/8/8/8/8/8/1N2K1N1 w - - 0 1", 0}, // two knights, either side to move
        {"4k3/8/8/8/8/8/8/1N2K1N1 b - - 0 1", 0},
        {"4k3/8/8/8/8/8/8/1N2K3 w - - 0 1", 0}, // a lone minor
        {"4k3/8/8/8/8/8/8/2B1K3 w - - 0 1", 0},
        {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", 1},
        {"4k3/8/8/8/8/8/8/R3K3 b - - 0 1", -1},
        {"4k3/8/8/8/8/8/8/1NB1K3 w - - 0 1", 1},
        // Rook's pawn with the defending king in front of it; behind it, or a b-pawn: not.
        {"8/k7/8/8/P7/8/8/4K3 w - - 0 1", 0},
        {"8/k7/8/8/P7/8/8/4K3 b - - 0 1", 0},
        {"4k3/8/8/p7/8/8/K7/8 b - - 0 1", 0},
        {"8/7k/8/8/7P/8/8/4K3 w - - 0 1", 0},
        {"8/8/8/8/P7/8/k7/4K3 w - - 0 1", 1},
        {"8/1k6/8/8/1P6/8/8/4K3 w - - 0 1", 1},
        {"8/k7/8/8/7P/8/8/4K3 w - - 0 1", 1},
        // Bishop and pawn: a draw below the fifth rank with the pawn's side to move, below
        // the sixth otherwise; whoever owns the bishop; Black's ranks count from the eighth.
        {"4k3/8/8/8/P7/8/8/2B1K3 w - - 0 1", 0},
        {"4k3/8/8/P7/8/8/8/2B1K3 w - - 0 1", 1},
        {"4k3/8/8/P7/8/8/8/2B1K3 b - - 0 1", 0},
        {"4k3/8/P7/8/8/8/8/2B1K3 b - - 0 1", -1},
        {"4k3/8/8/8/P7/8/8/2b1K3 w - - 0 1", 0},
        {"4k3/8/8/8/p7/8/8/2B1K3 b - - 0 1", 0},
        {"4k3/8/8/8/8/p7/8/2b1K3 b - - 0 1", 1},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(setup(c.fen)) << c.fen;
        const int32_t value = evaluate(pos);
        EXPECT_EQ((value > 0) - (value < 0), c.sign) << c.fen << ": " << value;
    }
}

TEST(EvalDriver, Caches) {
    ASSERT_TRUE(setup(start_fen));
    eval_cache_store(pos.key, 777);
    EXPECT_EQ(evaluate(pos), 777) << "a hit is not recomputed";

    // Isolated passer a2 scores 4 with middle-game weights, -14 with the endgame's; the
    // pawn entry keeps the score of the set that made it.
    ASSERT_TRUE(setup("4k3/8/8/8/8/8/P7/4K3 w - - 0 1"));
    EXPECT_EQ(eval_middlegame(pos), 4);
    EXPECT_EQ(eval_endgame(pos), 4);
    ASSERT_TRUE(setup("4k3/8/8/8/8/8/P7/4K3 w - - 0 1"));
    EXPECT_EQ(eval_endgame(pos), -14);
    EXPECT_EQ(eval_middlegame(pos), -14);
}
