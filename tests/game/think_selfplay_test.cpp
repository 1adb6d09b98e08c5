// Whole games of the engine against itself through the think driver; every move is then
// checked against Debian's stockfish, which lists the legal moves for "go perft 1".
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <sstream>

#include <gtest/gtest.h>

#include "scratch_files.h"
#include "game/game.h"
#include "game/think.h"
#include "protocol/xboard.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/root.h"
#include "search/search_helpers.h"
#include "io/input.h"

TEST(SelfPlay, GamesReachAResultWithLegalMovesOnly) {
    const std::string sf = "/usr/games/stockfish", file = temp_directory() + "/commands";
    if (access(sf.c_str(), X_OK) != 0) GTEST_SKIP() << "stockfish is not installed";
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    set_input_descriptor(fds[0]); // nothing ever waits on the engine's input
    for (const char* fen : {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                            "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                            "n1n5/PPPk4/8/8/8/8/4Kppp/5N1N b - - 0 1"}) {
        ASSERT_TRUE(reset_engine(fen));
        front_end.should_stop = [] { return false; };
        front_end.progress = nullptr;
        search_state.limits = depth_limits(3);
        std::vector<std::string> moves;
        std::string result, line = std::string("position fen ") + fen + " moves";
        std::string commands = line + "\ngo perft 1\n";
        for (bool answered = true; answered && result.empty() && moves.size() < 1000;) {
            start_capture();
            xboard_announce(think(game.position), game.position);
            std::istringstream out(finish_capture());
            answered = false;
            for (std::string text; std::getline(out, text); answered = true)
                if (text.rfind("move ", 0) == 0) {
                    moves.push_back(text.substr(5));
                    commands += (line += " " + moves.back()) + "\ngo perft 1\n";
                } else {
                    result = text;
                }
        }
        ASSERT_FALSE(result.empty()) << fen;
        // The legal moves at every ply of the game, as stockfish lists them.
        write_file(file, commands + "quit\n");
        std::vector<std::vector<std::string>> legal(1);
        FILE* p = popen((sf + " < " + file + " 2>/dev/null").c_str(), "r");
        char buf[256];
        while (p && fgets(buf, sizeof buf, p)) {
            const std::string text = buf;
            const size_t colon = text.find(':');
            if (text.rfind("Nodes searched", 0) == 0)
                legal.emplace_back();
            else if (colon == 4 || colon == 5)
                legal.back().push_back(text.substr(0, colon));
        }
        if (p) pclose(p);
        ASSERT_EQ(legal.size(), moves.size() + 2) << "stockfish did not answer every position";
        for (size_t i = 0; i < moves.size(); ++i)
            ASSERT_NE(std::find(legal[i].begin(), legal[i].end(), moves[i]), legal[i].end())
                << "illegal move " << moves[i] << " at ply " << i << " from " << fen;
        EXPECT_TRUE(result.find("mates") == std::string::npos || legal[moves.size()].empty());
    }
    set_input_descriptor(0);
    close(fds[0]);
    close(fds[1]);
    reset_engine("4k3/8/8/8/8/8/8/4K3 w - - 0 1");
}
