#include "search/search_helpers.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "game/game.h"
#include "game/think.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/root.h"
#include "search/timeman.h"
#include "io/platform.h"
#include "test_position.h"

bool reset_engine(const std::string& fen) {
    search_state.limits = SearchLimits{};
    front_end.should_stop = nullptr;
    front_end.progress = nullptr;
    search_state.clock = ClockInputs{};
    search_state.node_cap = 0;
    set_time_control(30, 0);
    search_state.ponder_move = MOVE_NONE;
    game.analysing = false;
    game.may_resign = true;
    if (!setup(fen)) return false;
    // No book file is read, whatever lies in the working directory.
    game.state.book.in_use = 0;
    game.state.book.loaded = 1;
    return true;
}

SearchLimits depth_limits(int depth) {
    SearchLimits limits{};
    limits.depth = depth;
    limits.untimed = true;
    return limits;
}

RootResult search_to_depth(int depth) {
    search_state.limits = depth_limits(depth);
    begin_search();
    search_state.status = STATUS_RUNNING;
    const RootResult found = root_search(game.position);
    search_state.status = STATUS_IDLE;
    return found;
}

GameSnapshot take_snapshot() {
    GameSnapshot s{game.position, {}};
    for (uint32_t i = game.position.history.setup_ply; i <= game.position.ply; ++i)
        s.history.push_back(game.position.history.entry[i]);
    return s;
}

std::string compare_snapshot(const GameSnapshot& before) {
    if (std::memcmp(&before.pos, &game.position, POSITION_BOARD_BYTES) != 0)
        return "position changed";
    for (size_t i = 0; i < before.history.size(); ++i) {
        const HistoryEntry &e = game.position.history.entry[game.position.history.setup_ply + i],
                           &b = before.history[i];
        if (e.key != b.key || std::memcmp(&e.undo, &b.undo, sizeof e.undo) ||
            (i + 1 < before.history.size() && e.move != b.move))
            return "history entry " + std::to_string(game.position.history.setup_ply + i) +
                   " changed";
    }
    return "";
}

void start_capture() {
    std::fflush(stdout);
    testing::internal::CaptureStdout();
}

std::string finish_capture() {
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

std::vector<MateCase> load_mate_suite() {
    std::vector<MateCase> suite;
    std::ifstream f(std::string(KELVORANTE_TEST_DATA) + "/mates.txt");
    for (std::string line; std::getline(f, line);) {
        const size_t bar1 = line.find('|'), bar2 = line.find('|', bar1 + 1);
        if (line.empty() || line[0] == '#' || bar2 == std::string::npos) continue;
        MateCase c{std::stoi(line.substr(0, bar1)), line.substr(bar1 + 2, bar2 - bar1 - 3), {}};
        std::istringstream moves(line.substr(bar2 + 1));
        for (std::string m; moves >> m;) c.firsts.push_back(m);
        suite.push_back(c);
    }
    return suite;
}
