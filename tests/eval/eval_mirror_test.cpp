// Colour symmetry: a position and its colour-mirrored twin (ranks flipped, colours, side
// to move, castling rights and en-passant square swapped) must evaluate alike from the
// side to move's point of view, in the whole evaluation and in each term set.
#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <string>
#include <vector>

#include "board/position.h"
#include "eval/evaluate.h"
#include "eval/terms.h"
#include "helpers.h"

namespace {

std::string mirror_fen(const std::string& fen) {
    std::istringstream in(fen);
    std::string placement, side, castling, ep, rest, flipped;
    in >> placement >> side >> castling >> ep;
    std::getline(in, rest);
    const auto swap_case = [](std::string text) {
        for (char& ch : text)
            ch = static_cast<char>(std::isupper(ch) ? std::tolower(ch) : std::toupper(ch));
        return text;
    };
    std::stringstream rows(placement);
    for (std::string row; std::getline(rows, row, '/');)
        flipped = swap_case(row) + (flipped.empty() ? "" : "/") + flipped;
    if (ep != "-") ep[1] = static_cast<char>('1' + ('8' - ep[1]));
    return flipped + (side == "w" ? " b " : " w ") + swap_case(castling) + " " + ep + rest;
}

// Whole, middle-game and endgame values, each from a fresh set-up so no cache carries over.
std::vector<int32_t> values_of(const std::string& fen) {
    std::vector<int32_t> v;
    for (auto* f : {&evaluate, &eval_middlegame, &eval_endgame}) {
        EXPECT_TRUE(setup(fen)) << fen;
        v.push_back(f(game.position));
    }
    return v;
}

} // namespace

TEST(EvalMirror, PerftAndRareTermPositionsEvaluateLikeTheirTwins) {
    ASSERT_EQ(mirror_fen("8/8/3p4/KPp4r/1R3p1k/8/4P1P1/8 w Kq c6 0 2"),
              "8/4p1p1/8/1r3P1K/kpP4R/3P4/8/8 b kQ c3 0 2");
    // Traps, blocked centre pawns, an unstoppable passer, king pressure, the draw rules.
    std::vector<std::string> fens = {
        "2k5/B1p5/1p6/8/8/8/8/4K3 w - - 0 1",
        "5k2/5p1B/6p1/8/8/8/8/4K3 b - - 0 1",
        "rn1qkbnr/ppp1pppp/3p4/8/8/3B4/PPPP1PPP/RNBQK1NR w KQkq - 0 1",
        "8/8/8/5k2/P7/8/8/4K3 w - - 0 1",
        "k7/8/3q1q2/2q3q1/4K3/2q3q1/3q1q2/8 w - - 0 1",
        "8/k7/8/8/P7/8/8/4K3 b - - 0 1",
        "4k3/8/8/P7/8/8/8/2B1K3 b - - 0 1",
        "RRRRR3/RRRRR3/8/7k/8/8/8/K7 w - - 0 1",
    };
    const std::vector<std::string> perft = perft_suite_fens();
    fens.insert(fens.end(), perft.begin(), perft.end());
    for (const std::string& fen : fens)
        EXPECT_EQ(values_of(fen), values_of(mirror_fen(fen))) << fen;
}
