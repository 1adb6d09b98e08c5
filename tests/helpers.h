// What the in-process tests share: the engine's one game, set up and played on; the data
// files of tests/data; quiet searches; captured output; scratch files.
#pragma once

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "board/setup.h"
#include "game/game.h"
#include "search/root.h"

// A new game from the FEN, as the front ends start one; false when the engine refuses it.
bool setup(const std::string& fen);
// The same, with every search, time and front-end setting at its quiet default: resigning
// allowed, no clock, no limits, no node cap, no hook, no book, no pondering.
bool reset_engine(const std::string& fen);
// Plays a legal move given as coordinate text; false if it is not legal.
bool play(const std::string& text);
// Coordinate text of a move, with the promotion letter; Chess960 castling as the king taking
// its own rook.
std::string move_text(Move move);
// The lines of a file of tests/data, blank lines and # comments left out.
std::vector<std::string> data_lines(const std::string& name);
// The FENs of a perft suite (tests/data/perft.epd, or perft960.epd), in file order.
std::vector<std::string> perft_suite_fens(const std::string& name = "perft.epd");
// New games are Chess960 while one of these lives.
struct Chess960Games {
    Chess960Games() { game.chess960 = true; }
    ~Chess960Games() { game.chess960 = false; }
};
// Depth-limited and untimed: the limits of a search the tests repeat exactly.
SearchLimits depth_limits(int depth);

// The game as it stands, to show that a search left it so: the board, and the history of
// the game's plies (the entry of the last one has the search's move in it, not the game's).
struct GameCopy {
    Position pos = game.position;
    std::string changes() const {
        const Position& now = game.position;
        if (std::memcmp(&pos, &now, POSITION_BOARD_BYTES)) return "the board";
        for (uint32_t i = pos.history.setup_ply; i <= pos.ply; ++i) {
            const HistoryEntry &a = pos.history.entry[i], &b = now.history.entry[i];
            if (a.key != b.key || std::memcmp(&a.undo, &b.undo, sizeof a.undo) ||
                (i < pos.ply && a.move != b.move))
                return "history entry " + std::to_string(i);
        }
        return now.history.setup_ply == pos.history.setup_ply ? "" : "the set-up ply";
    }
};

// What f prints on standard output.
template <typename F> std::string output_of(F f) {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
    f();
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// A new, empty directory under /tmp.
std::string temp_directory();
void write_file(const std::string& path, const std::string& text);
std::string read_file(const std::string& path);
