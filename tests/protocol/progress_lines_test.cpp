// The progress line of each dialect, from what the search hands over: the depth, the
// score, the time since the search began, the nodes and the principal variation.
#include <string>

#include <gtest/gtest.h>

#include "game/think.h"
#include "game/game.h"
#include "protocol/uci.h"
#include "protocol/xboard.h"
#include "search/report.h"
#include "search/search_helpers.h"
#include "shell/console.h"
#include "movegen/notation.h"

namespace {

Move text_move(const char* text, int promo = 0) {
    return make_move_word(text_to_square(text), text_to_square(text + 2), 0, promo);
}

const Move PV[] = {text_move("e2e4"), text_move("e7e5"), MOVE_NONE};
const Move PROMOTING_PV[] = {text_move("e7e8", QUEEN), text_move("d8e8"), MOVE_NONE};

std::string line(void (*format)(const Progress&), int score, const Move* pv = PV,
                 Move pondered = MOVE_NONE) {
    game.state.pondering = pondered != MOVE_NONE;
    game.state.pondered_move = pondered;
    start_capture();
    format(Progress{5, score, 1500, 40000, pv});
    const std::string out = finish_capture();
    game.state.pondering = false;
    game.state.pondered_move = MOVE_NONE;
    return out;
}

TEST(ProgressLines, XboardThinkingOutput) {
    EXPECT_EQ(line(xboard_progress, -40), "5 -40 150 40000 e2e4 e7e5 \n");
    EXPECT_EQ(line(xboard_progress, 23, PV, text_move("e7e5")),
              "5 23 150 40000 (e7e5) e2e4 e7e5 \n");
    // A promotion carries its letter, or no interface can read the move.
    EXPECT_EQ(line(xboard_progress, 900, PROMOTING_PV), "5 900 150 40000 e7e8q d8e8 \n");
}

TEST(ProgressLines, UciInfoEndsWithThePvAndGivesMatesInMoves) {
    EXPECT_EQ(line(uci_progress, 23),
              "info depth 5 score cp 23 nodes 40000 nps 26666 time 1500 pv e2e4 e7e5\n");
    EXPECT_EQ(line(uci_progress, 900, PROMOTING_PV),
              "info depth 5 score cp 900 nodes 40000 nps 26666 time 1500 pv e7e8q d8e8\n");
    // Mate found at ply 3: the engine mates with its second move. Mated at ply 2: the
    // opponent mates with its first.
    EXPECT_EQ(line(uci_progress, SCORE_MATE - 3),
              "info depth 5 score mate 2 nodes 40000 nps 26666 time 1500 pv e2e4 e7e5\n");
    EXPECT_EQ(line(uci_progress, 2 - SCORE_MATE),
              "info depth 5 score mate -1 nodes 40000 nps 26666 time 1500 pv e2e4 e7e5\n");
    EXPECT_EQ(mate_in_moves(SCORE_MATE - 1), 1);
    EXPECT_EQ(mate_in_moves(4 - SCORE_MATE), -2);
    EXPECT_EQ(mate_in_moves(SCORE_MATE - 2000), 0);
    EXPECT_EQ(mate_in_moves(-999), 0);
}

TEST(ProgressLines, ConsoleLineInPawns) {
    EXPECT_EQ(line(console_progress, -150), "Depth:5 Nodes:40000 Value:-1.50 e2e4-e7e5-\n");
    EXPECT_EQ(line(console_progress, 23), "Depth:5 Nodes:40000 Value:+0.23 e2e4-e7e5-\n");
}

} // namespace
