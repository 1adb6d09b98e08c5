#include "search/search_helpers.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "game/book.h"
#include "game/think.h"
#include "movegen/movegen.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/root.h"
#include "shell/platform.h"
#include "shell/settings.h"
#include "test_position.h"

bool reset_engine(const std::string& fen) {
    protocol_mode = MODE_CONSOLE;
    search_limits = SearchLimits{};
    input_poll_hook = nullptr;
    clock_given = false;
    engine_clock_cs = 0;
    moves_per_control = 30;
    time_control_kind = 0;
    report_enabled = true;
    ponder_move = MOVE_NONE;
    pondered_move = MOVE_NONE;
    if (!setup(fen)) return false;
    // No book files are read by these tests, whatever lies in the working directory.
    use_book = 0;
    book_loaded = 1;
    return true;
}

RootResult search_to_depth(int depth) {
    search_limits = SearchLimits{depth, 0, 0, true};
    node_count = 0;
    poll_counter = 0;
    best_move = MOVE_NONE;
    best_score = -SCORE_MATE;
    search_start_ms = tick_ms();
    search_status = STATUS_RUNNING;
    root_search(game_position);
    search_status = STATUS_IDLE;
    return RootResult{best_move, best_score, node_count};
}

GameSnapshot take_snapshot() {
    GameSnapshot s;
    std::memcpy(&s.pos, &game_position, sizeof s.pos);
    for (uint32_t i = setup_ply; i < game_position.ply; ++i) s.history.push_back(game_history[i]);
    s.current_key = game_history[game_position.ply].key;
    s.setup = setup_ply;
    return s;
}

std::string compare_snapshot(const GameSnapshot& before) {
    const Position& now = game_position;
    if (std::memcmp(&before.pos, &now, sizeof now) != 0) {
        std::ostringstream out;
        out << "position record changed (key " << before.pos.key << " -> " << now.key << ", ply "
            << before.pos.ply << " -> " << now.ply << ")";
        return out.str();
    }
    if (!pos_ok(now)) return "position fails its consistency check";
    if (setup_ply != before.setup) return "set-up ply changed";
    for (size_t i = 0; i < before.history.size(); ++i) {
        const HistoryEntry& e = game_history[before.setup + i];
        if (e.move != before.history[i].move || e.key != before.history[i].key ||
            std::memcmp(&e.undo, &before.history[i].undo, sizeof e.undo) != 0)
            return "history entry " + std::to_string(before.setup + i) + " changed";
    }
    if (game_history[now.ply].key != before.current_key)
        return "key of the current history entry changed";
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

namespace {
std::string trim(const std::string& s) {
    const size_t a = s.find_first_not_of(' ');
    const size_t b = s.find_last_not_of(' ');
    return a == std::string::npos ? "" : s.substr(a, b - a + 1);
}
} // namespace

std::vector<MateCase> load_mate_suite() {
    std::vector<MateCase> suite;
    std::ifstream f(std::string(KELVORANTE_TEST_DATA) + "/mates.txt");
    std::string line;
    while (std::getline(f, line)) {
        if (line.empty() || line[0] == '#') continue;
        const size_t bar1 = line.find('|'), bar2 = line.find('|', bar1 + 1);
        if (bar1 == std::string::npos || bar2 == std::string::npos) continue;
        MateCase c;
        c.moves = std::stoi(line.substr(0, bar1));
        c.fen = trim(line.substr(bar1 + 1, bar2 - bar1 - 1));
        std::istringstream moves(line.substr(bar2 + 1));
        for (std::string m; moves >> m;) c.firsts.push_back(m);
        suite.push_back(c);
    }
    return suite;
}

std::vector<std::string> legal_move_texts() {
    ScoredMove list[MAX_MOVES];
    ScoredMove* end = gen_legal(game_position, list);
    std::vector<std::string> out;
    for (ScoredMove* m = list; m != end; ++m) out.push_back(move_text(m->move));
    return out;
}
