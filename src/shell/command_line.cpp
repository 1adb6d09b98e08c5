#include "shell/command_line.h"

#include <cstdlib>
#include <cstring>

#include "board/make_move.h"
#include "game/game.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"
#include "shell/bench.h"
#include "shell/eval_bench.h"
#include "movegen/notation.h"
#include "io/output.h"

namespace {

ScoredMove area[(MAX_PERFT_DEPTH + 1) * MAX_MOVES];

// Leaf counts per root move, to pin a perft failure to one move; in Chess960 castling is
// written as the king taking its own rook, as independent engines write it.
int divide(const char* fen, int depth) {
    if (!new_game(fen)) {
        send("Illegal position\n");
        return 1;
    }
    if (depth < 1) depth = 1;
    if (depth > MAX_PERFT_DEPTH) depth = MAX_PERFT_DEPTH;
    static DivideEntry root[MAX_MOVES];
    const int n = perft_divide(game.position, depth, area, root);
    uint64_t total = 0;
    for (int i = 0; i < n; ++i) {
        char text[6] = {};
        move_to_game_text(game.position, root[i].move, CastlingStyle::KING_TAKES_ROOK, text);
        send("%s %llu\n", text, static_cast<unsigned long long>(root[i].leaves));
        total += root[i].leaves;
    }
    send("\nNodes searched: %llu\n", static_cast<unsigned long long>(total));
    return 0;
}

} // namespace

int run_command_line(int argc, char** argv) {
    if (!std::strcmp(argv[1], "bench"))
        return run_bench(argc >= 3 ? std::atoi(argv[2]) : BENCH_DEPTH);
    if (!std::strcmp(argv[1], "evalbench")) return run_eval_bench();
    if (!std::strcmp(argv[1], "divide") && argc >= 4) {
        // A fifth word "fischerandom" reads the FEN and counts castling as Chess960.
        game.chess960 = argc >= 5 && !std::strcmp(argv[4], "fischerandom");
        return divide(argv[2], std::atoi(argv[3]));
    }
    send("Usage: kelvorante [bench [depth] | evalbench | divide \"<fen>\" <depth> "
         "[fischerandom]]\n");
    return 2;
}
