#include "test_position.h"

#include <cctype>
#include <fstream>

#include "board/make_move.h"
#include "game/game.h"
#include "movegen/movegen.h"
#include "movegen/notation.h"

namespace {
Undo play_undo[HISTORY_SIZE];
}

bool setup(const std::string& fen) { return new_game(fen.c_str()); }

std::string move_text(Move move) {
    char text[6] = {};
    move_to_text(move, text);
    if (char c = promotion_letter(move)) text[4] = c;
    return text;
}

bool play(const std::string& text) {
    Position& pos = game.position;
    Move m = text_to_move(pos, text.c_str());
    if (!is_legal_move(pos, m)) return false;
    make_move(pos, m, play_undo[pos.ply]);
    return true;
}

std::vector<int> list_squares(int list) {
    std::vector<int> squares;
    for (int s = first_in(game.position, list); s < LIST_END; s = next_in(game.position, list, s))
        squares.push_back(s);
    return squares;
}

std::vector<std::string> perft_suite_fens() {
    std::vector<std::string> fens;
    std::ifstream file(std::string(KELVORANTE_TEST_DATA) + "/perft.epd");
    for (std::string line; std::getline(file, line);) {
        std::string fen = line.substr(0, line.find(';'));
        while (!fen.empty() && std::isspace(static_cast<unsigned char>(fen.back()))) fen.pop_back();
        if (!fen.empty()) fens.push_back(fen);
    }
    return fens;
}
