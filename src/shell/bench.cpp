#include "shell/bench.h"

#include "game/game.h"
#include "game/think.h"
#include "search/quiesce.h"
#include "search/root.h"
#include "movegen/notation.h"
#include "io/output.h"
#include "io/platform.h"

namespace {

// Text arrays rather than pointers: the table needs no relocation and stays read-only.
constexpr char BENCH_POSITIONS[][80] = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "r2q1rk1/pP1p2pp/Q4n2/bbp1p3/Np6/1B3NBn/pPPP1PPP/R3K2R b KQ - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "rnbqkb1r/1p2pppp/p2p1n2/8/3NP3/2N5/PPP2PPP/R1BQKB1R w KQkq - 0 6",
    "rnbqk2r/ppp1bppp/4pn2/3p2B1/2PP4/2N5/PP2PPPP/R2QKBNR w KQkq - 4 5",
    "r1bqkbnr/1ppp1ppp/p1n5/1B2p3/4P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 0 4",
    "rnbq1rk1/ppp1ppbp/3p1np1/8/2PPP3/2N2N2/PP3PPP/R1BQKB1R w KQ - 1 6",
    "rnbqkbnr/ppp2ppp/4p3/3pP3/3P4/8/PPP2PPP/RNBQKBNR b KQkq - 0 3",
    "r1bq1rk1/pp2bppp/2n1pn2/3p4/2PP4/2N1PN2/PP3PPP/R1BQKB1R w KQ - 0 8",
    "r2qr1k1/1b1nbppp/p2ppn2/1p6/3NPP2/1BN1B3/PPP1Q1PP/R4RK1 w - - 0 12",
    "2r2rk1/pp1bqppp/2n1pn2/3p4/3P4/2PBPN2/P2N1PPP/R2Q1RK1 w - - 0 12",
    "r1b2rk1/2qnbppp/p2ppn2/1p6/3NP3/1BN1B3/PPP1QPPP/2KR3R w - - 0 11",
    "3r1rk1/p4ppp/2p1bq2/2p5/4P3/2NP1Q2/PPP3PP/3R1RK1 b - - 0 18",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "8/8/4k3/8/4PK2/8/8/r6R w - - 0 1",
    "8/5pk1/6p1/7p/7P/6P1/5PK1/8 w - - 0 1",
    "8/8/8/3k4/8/3K4/3P4/8 w - - 0 1",
    "4k3/8/8/8/8/8/4P3/4K3 b - - 0 1",
    "8/8/2k5/5q2/5n2/8/5K2/8 b - - 0 1",
    "4k3/4r3/8/8/1n6/n7/PP2R3/4K3 w - - 0 1",
    "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1",
    "2K2r2/4P3/8/8/8/8/8/3k4 w - - 0 1",
    "r3k2r/1b4bq/8/8/8/8/7B/R3K2R w KQkq - 0 1",
    "r1bqkbnr/pp1ppppp/2n5/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "2kr3r/ppp2ppp/2n5/2b1p3/4P1b1/2NP1N2/PPP2PPP/R1B1KB1R w KQ - 2 9",
    "r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/3P1N2/PPP2PPP/RNBQK2R w KQkq - 1 5",
};

} // namespace

int run_bench(int depth) {
    // A depth limit of 0 means "none" to the root search: the run would never end.
    if (depth < 1) depth = 1;
    if (depth > MAX_PLY - 1) depth = MAX_PLY - 1;
    uint64_t total = 0;
    uint32_t elapsed = 0; // searching only: clearing the tables for each new game is not timed
    int index = 0;
    for (const char* fen : BENCH_POSITIONS) {
        ++index;
        if (!new_game(fen)) {
            send("Position %d: refused\n", index);
            return 1;
        }
        search_state.limits = SearchLimits{};
        search_state.limits.depth = depth;
        search_state.limits.untimed = true;
        search_state.nodes = 0;
        search_state.best_move = MOVE_NONE;
        search_state.best_score = -SCORE_MATE;
        search_state.time_plan = TimePlan{};
        search_state.start_ms = tick_ms();
        search_state.status = STATUS_RUNNING;
        root_search(game.position);
        search_state.status = STATUS_IDLE;
        elapsed += tick_ms() - search_state.start_ms;
        char text[6] = {};
        move_to_full_text(search_state.best_move, text);
        send("Position %2d: best %s score %d nodes %u\n", index,
             search_state.best_move ? text : "none", search_state.best_score, search_state.nodes);
        total += search_state.nodes;
    }
    send("\nNodes searched: %llu\n", static_cast<unsigned long long>(total));
    send("Nodes/second: %llu\n",
         static_cast<unsigned long long>(total * 1000 / (elapsed ? elapsed : 1)));
    search_state.limits = SearchLimits{};
    return 0;
}
