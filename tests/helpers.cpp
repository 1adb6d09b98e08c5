#include "helpers.h"

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "board/make_move.h"
#include "movegen/movegen.h"
#include "movegen/notation.h"
#include "search/front_end.h"
#include "search/timeman.h"

bool setup(const std::string& fen) { return new_game(fen.c_str()); }

bool reset_engine(const std::string& fen) {
    search_state.limits = SearchLimits{};
    search_state.clock = ClockInputs{};
    search_state.node_cap = 0;
    search_state.ponder_move = MOVE_NONE;
    set_time_control(30, 0);
    front_end = FrontEnd{};
    game.analysing = false;
    game.may_resign = true;
    if (!setup(fen)) return false;
    // No book file is read, whatever lies in the working directory.
    game.state.book.in_use = 0;
    game.state.book.loaded = 1;
    return true;
}

bool play(const std::string& text) {
    const Move m = text_to_move(game.position, text.c_str());
    if (!is_legal_move(game.position, m)) return false;
    Undo undo; // the history keeps its own copy
    make_move(game.position, m, undo);
    return true;
}

std::string move_text(Move move) {
    char text[6] = {};
    move_to_game_text(game.position, move, CastlingStyle::KING_TAKES_ROOK, text);
    return text;
}

std::vector<std::string> data_lines(const std::string& name) {
    std::vector<std::string> lines;
    std::ifstream file(std::string(KELVORANTE_TEST_DATA) + "/" + name);
    for (std::string line; std::getline(file, line);)
        if (!line.empty() && line[0] != '#') lines.push_back(line);
    return lines;
}

std::vector<std::string> perft_suite_fens(const std::string& name) {
    std::vector<std::string> fens;
    for (const std::string& line : data_lines(name))
        fens.push_back(line.substr(0, line.find(" ;")));
    return fens;
}

SearchLimits depth_limits(int depth) {
    SearchLimits limits{};
    limits.depth = depth;
    limits.untimed = true;
    return limits;
}

std::string temp_directory() {
    char pattern[] = "/tmp/kelvorante-test-XXXXXX";
    const char* dir = mkdtemp(pattern);
    return dir ? dir : "/tmp";
}

void write_file(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string read_file(const std::string& path) {
    std::stringstream text;
    text << std::ifstream(path, std::ios::binary).rdbuf();
    return text.str();
}
