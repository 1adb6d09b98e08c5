#include "shell/eval_bench.h"

#include <chrono>

#include "board/setup.h"
#include "game/game.h"
#include "eval/eval_cache.h"
#include "eval/evaluate.h"
#include "io/output.h"

namespace {

// The perft suite's positions: openings, middle games, endgames and promotion-heavy
// oddities, so both term sets and the draw rules are exercised.
constexpr char BENCH_FENS[][80] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P3/2NP1N2/PPP1QPPP/R4RK1 w - - 0 10",
    "8/8/3p4/KPp4r/1R3p1k/8/4P1P1/8 w - c6 0 2",
    "8/8/8/8/k2Pp2Q/8/8/3K4 b - d3 0 1",
    "3k4/3p4/8/K1P4r/8/8/8/8 b - - 0 1",
    "k7/8/8/8/3Pp3/8/8/4K2B b - d3 0 1",
    "8/7k/8/8/3Pp3/8/8/1B2K3 b - d3 0 1",
    "8/8/4k3/8/2p5/8/B2P2K1/8 w - - 0 1",
    "4r2k/8/8/3pP3/8/8/8/4K3 w - d6 0 2",
    "3r3k/8/8/3pP3/8/8/8/3K4 w - d6 0 2",
    "8/8/8/2k5/2pP4/8/B7/4K3 b - d3 0 3",
    "8/8/8/3pP3/4K3/8/8/k7 w - d6 0 2",
    "8/8/8/6k1/2pPp3/8/8/2B1K3 b - d3 0 1",
    "8/8/1k6/2b5/2pP4/8/5K2/8 b - d3 0 1",
    "rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1",
    "4kq2/8/5N2/8/8/8/8/4RK2 b - - 0 1",
    "8/8/8/R2k4/8/8/8/4K3 b - - 0 1",
    "4k3/8/8/8/4N3/8/8/4R1K1 w - - 0 1",
    "8/8/1P2K3/8/2n5/1q6/8/5k2 b - - 0 1",
    "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1",
    "1r2k1r1/8/8/8/8/8/8/R3K2R w KQ - 0 1",
    "3rkr2/8/8/8/8/8/8/R3K2R w KQ - 0 1",
    "4k3/4r3/8/8/8/8/8/R3K2R w KQ - 0 1",
    "r3k2r/8/8/8/8/8/8/1R2K1R1 b kq - 0 1",
    "r3k3/8/8/3b4/8/8/8/R3K2R w KQq - 0 1",
    "r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq - 0 1",
    "r3k2r/8/3Q4/8/8/5q2/8/R3K2R b KQkq - 0 1",
    "r3k2r/1P6/8/8/8/8/1p6/R3K2R w KQkq - 0 1",
    "r3k3/8/8/8/8/8/8/4K2R w Kq - 0 1",
    "r3k2r/8/8/8/8/8/8/R3K2R w - - 0 1",
    "5k2/8/8/8/8/8/8/4K2R w K - 0 1",
    "3k4/8/8/8/8/8/8/R3K3 w Q - 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    "2K2r2/4P3/8/8/8/8/8/3k4 w - - 0 1",
    "4k3/1P6/8/8/8/8/K7/8 w - - 0 1",
    "8/P1k5/K7/8/8/8/8/8 w - - 0 1",
    "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3",
    "6rk/5Npp/8/8/8/8/8/6K1 b - - 0 1",
    "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",
    "kn5R/8/1K6/8/8/8/8/8 b - - 0 1",
    "K1k5/8/P7/8/8/8/8/8 w - - 0 1",
    "8/k1P5/8/1K6/8/8/8/8 w - - 0 1",
    "8/8/2k5/5q2/5n2/8/5K2/8 b - - 0 1",
    "R6R/3Q4/1Q4Q1/4Q3/2Q4Q/Q4Q2/pp1Q4/kBNN1KB1 w - - 0 1",
    "q3k2q/8/8/8/8/8/8/Q3K2Q w - - 0 1",
    "4k3/K1Q5/5Q2/7q/1Q4Q1/1q6/3q4/Q3q3 w - - 0 1",
    "4k3/4r3/8/8/1n6/n7/PP2R3/4K3 w - - 0 1",
};

// Each position is evaluated this many times; the count keeps a run near a second.
constexpr int ROUNDS = 50000;

} // namespace

int run_eval_bench() {
    using clock = std::chrono::steady_clock;
    Position& pos = game.position;
    long long evaluations = 0;
    long long checksum = 0;
    clock::duration elapsed{};
    for (const char* fen : BENCH_FENS) {
        setup_board(pos, fen);
        const clock::time_point start = clock::now();
        for (int i = 0; i < ROUNDS; ++i) {
            // Only the entries this position maps to could answer, so clearing those two
            // makes every call a full evaluation, as after clearing the whole caches.
            clear_eval_cache_entry(pos.key);
            clear_pawn_cache_entry(pos.pawn_key);
            const int32_t value = evaluate(pos);
            if (i == 0) checksum += value;
        }
        elapsed += clock::now() - start;
        evaluations += ROUNDS;
    }
    clear_eval_cache();
    clear_pawn_cache();
    setup_board(pos, start_fen);
    const double seconds = std::chrono::duration<double>(elapsed).count();
    send("Positions: %d\n", static_cast<int>(sizeof BENCH_FENS / sizeof BENCH_FENS[0]));
    send("Evaluations: %lld\n", evaluations);
    send("Evaluation sum: %lld\n", checksum);
    send("Evaluations/second: %lld\n",
         static_cast<long long>(seconds > 0 ? evaluations / seconds : 0));
    return 0;
}
