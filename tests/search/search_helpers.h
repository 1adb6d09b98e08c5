// Shared set-up for in-process search and think-driver tests.
#pragma once

#include <string>
#include <vector>

#include "board/history.h"
#include "board/position.h"
#include "game/game.h"
#include "search/root.h"

// Sets up the position with every search, time and front-end setting at its quiet default:
// resigning allowed, no clock, no limits, no node cap, no hook, no book, no pondering.
bool reset_engine(const std::string& fen);

// Depth-limited, untimed: the limits of a search the tests repeat exactly.
SearchLimits depth_limits(int depth);

// root_search as the think driver runs it, depth-limited and untimed.
RootResult search_to_depth(int depth);

// Copy of the position and its history, to prove a search left them alone.
struct GameSnapshot {
    Position pos;
    std::vector<HistoryEntry> history; // entries game.position.history.setup_ply .. pos.ply
};
GameSnapshot take_snapshot();
// Empty when the game state equals the snapshot.
std::string compare_snapshot(const GameSnapshot& before);

void start_capture();
std::string finish_capture();

struct MateCase {
    int moves;
    std::string fen;
    std::vector<std::string> firsts; // every first move of a shortest mate
};
std::vector<MateCase> load_mate_suite();
