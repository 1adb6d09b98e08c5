// Whole games of the engine against itself through the think driver; afterwards every
// move is checked against an independent rules source (Debian's stockfish lists the legal
// moves of a position for "go perft 1").
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <sstream>

#include <gtest/gtest.h>

#include "engine_process.h"
#include "game/think.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/root.h"
#include "search/search_helpers.h"
#include "shell/input.h"
#include "shell/settings.h"

namespace {

std::string find_stockfish() {
    for (const char* p : {"/usr/games/stockfish", "/usr/bin/stockfish", "/usr/local/bin/stockfish"})
        if (access(p, X_OK) == 0) return p;
    return "";
}

struct Game {
    std::vector<std::string> moves;
    std::string result;
};

// Plays until the driver prints a result line (at most max_plies moves).
Game play_game(const std::string& fen, int depth, int max_plies) {
    Game game;
    if (!reset_engine(fen)) return game;
    protocol_mode = MODE_XBOARD;
    input_poll_hook = [] { return false; };
    report_enabled = false;
    search_limits = SearchLimits{depth, 0, 0, true};
    while (game.result.empty() && static_cast<int>(game.moves.size()) < max_plies) {
        start_capture();
        think(game_position);
        std::istringstream out(finish_capture());
        std::string line;
        bool answered = false;
        while (std::getline(out, line)) {
            answered = true;
            if (line.rfind("move ", 0) == 0)
                game.moves.push_back(line.substr(5));
            else
                game.result = line;
        }
        if (!answered) break;
    }
    protocol_mode = MODE_CONSOLE;
    input_poll_hook = nullptr;
    report_enabled = true;
    return game;
}

// For every ply of the game, the legal moves there as stockfish lists them.
std::vector<std::vector<std::string>> legal_moves_along(const std::string& sf,
                                                        const std::string& fen,
                                                        const std::vector<std::string>& moves) {
    std::string commands, line = "position fen " + fen + " moves";
    for (size_t i = 0; i <= moves.size(); ++i) {
        commands += line + "\ngo perft 1\n";
        if (i < moves.size()) line += " " + moves[i];
    }
    const std::string file = temp_directory() + "/commands";
    write_file(file, commands + "quit\n");
    std::vector<std::vector<std::string>> lists(1);
    FILE* p = popen((sf + " < " + file + " 2>/dev/null").c_str(), "r");
    if (!p) return {};
    char buf[256];
    while (fgets(buf, sizeof buf, p)) {
        const std::string text = buf;
        const size_t colon = text.find(':');
        if (text.rfind("Nodes searched", 0) == 0)
            lists.emplace_back();
        else if (colon == 4 || colon == 5)
            lists.back().push_back(text.substr(0, colon));
    }
    pclose(p);
    std::remove(file.c_str());
    lists.pop_back();
    return lists;
}

struct Opening {
    const char* name;
    const char* fen;
    int depth;
};

void PrintTo(const Opening& o, std::ostream* os) {
    *os << o.name;
}

class SelfPlay : public testing::TestWithParam<Opening> {};

TEST_P(SelfPlay, ReachesAResultWithLegalMovesOnly) {
    const std::string sf = find_stockfish();
    if (sf.empty()) GTEST_SKIP() << "stockfish is not installed";
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    set_input_descriptor(fds[0]); // nothing ever waits on the engine's input
    const std::string fen = GetParam().fen;
    const Game game = play_game(fen, GetParam().depth, 1000);
    set_input_descriptor(0);
    close(fds[0]);
    close(fds[1]);

    std::string line;
    for (const auto& m : game.moves) line += m + " ";
    ASSERT_FALSE(game.result.empty()) << "no result: " << line;
    const auto legal = legal_moves_along(sf, fen, game.moves);
    ASSERT_EQ(legal.size(), game.moves.size() + 1) << "stockfish did not answer every position";
    for (size_t i = 0; i < game.moves.size(); ++i) {
        const auto& list = legal[i];
        ASSERT_NE(std::find(list.begin(), list.end(), game.moves[i]), list.end())
            << "illegal move " << game.moves[i] << " at ply " << i << " of " << line;
    }
    // The result line tells the truth about the final position.
    const bool no_move = legal.back().empty(), in_check = game_position.checkers != 0;
    const std::string& r = game.result;
    if (r.find("mates") != std::string::npos) {
        EXPECT_TRUE(no_move && in_check) << r;
        EXPECT_EQ(r, game_position.side == WHITE ? "0-1 {Kelvorante mates}"
                                                 : "1-0 {Kelvorante mates}");
    } else if (r.find("Stalemate") != std::string::npos) {
        EXPECT_TRUE(no_move && !in_check) << r;
    } else if (r.find("50 move") != std::string::npos) {
        EXPECT_GE(game_position.fifty, 100) << r;
    } else if (r == "resign") {
        EXPECT_LT(best_score, -999940) << "resigned without seeing a mate";
    } else {
        EXPECT_EQ(r, "1/2-1/2 {Kelvorante saw Draw by repetition}");
    }
    RecordProperty("plies", static_cast<int>(game.moves.size()));
    RecordProperty("result", r);
}

INSTANTIATE_TEST_SUITE_P(
    Openings, SelfPlay,
    testing::Values(
        Opening{"StartPosition", "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 3},
        Opening{"Sicilian", "rnbqkbnr/pp1ppppp/8/2p5/4P3/5N2/PPPP1PPP/RNBQKB1R b KQkq - 1 2", 3},
        Opening{"CastlingAndEnPassant",
                "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1", 3},
        Opening{"RookAndPawns", "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1", 4},
        Opening{"Promotions", "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1", 3}),
    [](const testing::TestParamInfo<Opening>& info) { return std::string(info.param.name); });

} // namespace
