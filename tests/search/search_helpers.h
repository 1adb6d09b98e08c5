// Shared set-up for tests that drive the search and the think driver in-process: a clean
// engine state per test, fixed-depth root searches, snapshots of the game state, captured
// standard output and the mate suite.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "board/history.h"
#include "board/position.h"

// Sets up the position and every search, time and front-end setting as a test expects
// them: console dialect, no clock, no limits, no hook, no book, no pondering.
bool reset_engine(const std::string& fen);

struct RootResult {
    Move move;
    int32_t score;
    uint32_t nodes;
};
// root_search as the think driver runs it, with a depth limit and no time stops.
RootResult search_to_depth(int depth);

// Byte copy of the position and the history below it, to prove a search left them alone.
struct GameSnapshot {
    Position pos;
    std::vector<HistoryEntry> history; // entries setup_ply .. pos.ply - 1
    uint64_t current_key;
    uint32_t setup;
};
GameSnapshot take_snapshot();
// Empty when the game state equals the snapshot, else a description of the difference.
std::string compare_snapshot(const GameSnapshot& before);

// Captures everything written to standard output between start and finish.
void start_capture();
std::string finish_capture();

struct MateCase {
    int moves; // mate in this many moves
    std::string fen;
    std::vector<std::string> firsts; // every first move of a shortest mate
};
std::vector<MateCase> load_mate_suite();

// Legal moves of the game position as coordinate text (with promotion letters).
std::vector<std::string> legal_move_texts();
