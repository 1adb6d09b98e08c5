// Colour symmetry: a position and its colour-mirrored twin (ranks flipped, colours,
// side to move, castling rights and en-passant square swapped) must evaluate alike from
// the side to move's point of view. Every term is built to be symmetric, so this holds
// for the whole evaluation and for each term set on its own.
#include <gtest/gtest.h>

#include <cctype>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "board/position.h"
#include "eval/evaluate.h"
#include "eval/terms.h"
#include "test_position.h"

namespace {

Position& pos = game_position;

std::string mirror_fen(const std::string& fen) {
    std::istringstream in(fen);
    std::string placement, side, castling, ep, rest;
    in >> placement >> side >> castling >> ep;
    std::getline(in, rest);

    const auto swap_case = [](std::string text) {
        for (char& ch : text)
            ch = static_cast<char>(std::isupper(ch) ? std::tolower(ch) : std::toupper(ch));
        return text;
    };
    std::string flipped;
    std::stringstream rows(placement);
    for (std::string row; std::getline(rows, row, '/');)
        flipped = swap_case(row) + (flipped.empty() ? "" : "/") + flipped;
    castling = swap_case(castling);
    if (ep != "-") ep[1] = static_cast<char>('1' + ('8' - ep[1]));
    return flipped + (side == "w" ? " b " : " w ") + castling + " " + ep + rest;
}

std::vector<std::string> perft_fens() {
    std::vector<std::string> fens;
    std::ifstream file(std::string(KELVORANTE_TEST_DATA) + "/perft.epd");
    for (std::string line; std::getline(file, line);) {
        const auto cut = line.find(';');
        std::string fen = line.substr(0, cut);
        while (!fen.empty() && std::isspace(static_cast<unsigned char>(fen.back()))) fen.pop_back();
        if (!fen.empty()) fens.push_back(fen);
    }
    return fens;
}

// Positions for terms the perft suite hardly reaches: traps, blocked centre pawns,
// unstoppable passers, heavy king pressure, rooks behind passers, the draw rules.
const char* const EXTRA_FENS[] = {
    "2k5/B1p5/1p6/8/8/8/8/4K3 w - - 0 1",
    "5k2/5p1B/6p1/8/8/8/8/4K3 b - - 0 1",
    "rn1qkbnr/ppp1pppp/3p4/8/8/3B4/PPPP1PPP/RNBQK1NR w KQkq - 0 1",
    "8/8/8/5k2/P7/8/8/4K3 w - - 0 1",
    "k7/8/3q1q2/2q3q1/4K3/2q3q1/3q1q2/8 w - - 0 1",
    "8/k7/8/8/P7/8/8/4K3 b - - 0 1",
    "4k3/8/8/P7/8/8/8/2B1K3 b - - 0 1",
    "RRRRR3/RRRRR3/8/7k/8/8/8/K7 w - - 0 1",
};

struct Values {
    int32_t total, middlegame, endgame;
};

// Each value in a fresh state, so that neither cache carries anything across.
Values values_of(const std::string& fen) {
    Values v{};
    EXPECT_TRUE(setup(fen)) << fen;
    v.total = evaluate(pos);
    EXPECT_TRUE(setup(fen));
    v.middlegame = eval_middlegame(pos);
    EXPECT_TRUE(setup(fen));
    v.endgame = eval_endgame(pos);
    return v;
}

void expect_symmetric(const std::string& fen) {
    const std::string twin = mirror_fen(fen);
    const Values a = values_of(fen), b = values_of(twin);
    EXPECT_EQ(a.total, b.total) << fen << " | " << twin;
    EXPECT_EQ(a.middlegame, b.middlegame) << fen << " | " << twin;
    EXPECT_EQ(a.endgame, b.endgame) << fen << " | " << twin;
}

} // namespace

TEST(EvalMirror, EveryPerftPositionEvaluatesLikeItsTwin) {
    ASSERT_EQ(mirror_fen("8/8/3p4/KPp4r/1R3p1k/8/4P1P1/8 w Kq c6 0 2"),
              "8/4p1p1/8/1r3P1K/kpP4R/3P4/8/8 b kQ c3 0 2");
    const std::vector<std::string> fens = perft_fens();
    ASSERT_EQ(fens.size(), 53u);
    for (const std::string& fen : fens) expect_symmetric(fen);
}

TEST(EvalMirror, PositionsForRareTerms) {
    for (const char* fen : EXTRA_FENS) expect_symmetric(fen);
}

TEST(EvalMirror, GamesPlayedMoveForMove) {
    // Development and castling depend on the moves played, so the twin game plays the
    // mirrored moves from the mirrored start.
    const char* const moves[] = {"e2e4", "e7e5", "g1f3", "b8c6", "f1c4", "f8c5", "e1g1", "g8f6",
                                 "d2d3", "d7d6", "c1g5", "c8g4", "b1c3", "d8d7", "d1d2", "e8c8"};
    const auto mirrored = [](std::string m) {
        m[1] = static_cast<char>('1' + ('8' - m[1]));
        m[3] = static_cast<char>('1' + ('8' - m[3]));
        return m;
    };
    std::vector<int32_t> first, second;
    ASSERT_TRUE(setup(start_fen));
    for (const char* m : moves) {
        ASSERT_TRUE(play(m)) << m;
        first.push_back(evaluate(pos));
        first.push_back(eval_middlegame(pos));
    }
    ASSERT_TRUE(setup("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR b KQkq - 0 1"));
    for (const char* m : moves) {
        ASSERT_TRUE(play(mirrored(m))) << m;
        second.push_back(evaluate(pos));
        second.push_back(eval_middlegame(pos));
    }
    EXPECT_EQ(first, second);
}
