#include "shell/console.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/history.h"
#include "board/make_move.h"
#include "eval/evaluate.h"
#include "game/book.h"
#include "game/new_game.h"
#include "game/think.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"
#include "protocol/uci.h"
#include "protocol/xboard.h"
#include "search/quiesce.h"
#include "shell/board_print.h"
#include "shell/input.h"
#include "shell/notation.h"
#include "shell/platform.h"
#include "shell/settings.h"

namespace {

constexpr size_t LINE_SIZE = 256;
constexpr size_t FEN_LINE_SIZE = 80;

ScoredMove perft_area[MAX_PERFT_DEPTH * MAX_MOVES];

// Splits at spaces only (a tab is an ordinary character); returns the number of words
// found, at most two, terminating them in place.
int split_two_words(char* line, char** first, char** second) {
    int found = 0;
    char* words[2] = {nullptr, nullptr};
    char* p = line;
    while (found < 2) {
        while (*p == ' ') ++p;
        if (!*p) break;
        words[found++] = p;
        while (*p && *p != ' ') ++p;
        if (*p) *p++ = '\0';
    }
    *first = words[0];
    *second = words[1];
    return found;
}

void perft_command(const char* arg) {
    if (!arg) {
        std::printf("Usage: perft <depth>\n");
        return;
    }
    int depth = std::atoi(arg);
    if (depth < 0) depth = 0;
    if (depth > MAX_PERFT_DEPTH) depth = MAX_PERFT_DEPTH;
    node_count = 0;
    const uint32_t start = tick_ms();
    const uint64_t count = perft(game_position, depth, perft_area);
    const uint32_t elapsed = tick_ms() - start;
    node_count = static_cast<uint32_t>(count);
    std::printf("%llu moves in %d milliseconds\naverage: %f moves/sec\n",
                static_cast<unsigned long long>(count), static_cast<int>(elapsed),
                static_cast<double>(count) / static_cast<double>(elapsed) * 1000.0);
}

void load_command(const char* name) {
    FILE* f = name ? std::fopen(name, "r") : nullptr;
    if (!f) {
        std::printf("File doesn't exists\n");
        return;
    }
    char fen[FEN_LINE_SIZE];
    const bool read = std::fgets(fen, sizeof fen, f) != nullptr;
    std::fclose(f);
    if (!read || !set_position(fen)) {
        std::printf("Illegal position\n");
        return;
    }
    use_book = 0;
    print_board(game_position, 0);
}

} // namespace

void print_help() {
    std::printf("\n");
    std::printf("Commands:\n");
    std::printf("board <w>        Print Board on screen (0) or on log file (1)\n");
    std::printf("go               Start analysis\n");
    std::printf("help             Show this list\n");
    std::printf("load <filename>  Load fen position\n");
    std::printf("new              Start new game\n");
    std::printf("perft <d>        Compute perft at depth d\n");
    std::printf("remove           Undo last two plies\n");
    std::printf("eval             Static evaluation\n");
    std::printf("quit             Exit program\n");
    std::printf("\n");
}

void console_user_move(Position& pos, const char* word) {
    const Move move = text_to_move(pos, word);
    if (pos.ply >= GAME_PLY_LIMIT || !is_legal_move(pos, move)) {
        std::printf("Illegal move: %s\n", word);
        return;
    }
    if (use_book) {
        char text[5];
        move_to_text(move, text);
        record_book_move(pos.ply, text);
    }
    Undo undo;
    make_move(pos, move, undo);
    if (pos.fifty > 100) {
        std::printf("1/2-1/2 {Kelvorante saw Draw by 50 move rule}\n");
        return;
    }
    think(pos);
}

void remove_two_plies(Position& pos) {
    // Nothing before the set-up position can be taken back.
    if (pos.ply < setup_ply + 2) return;
    for (int i = 0; i < 2; ++i)
        unmake_move(pos, game_history[pos.ply - 1].move, game_history[pos.ply].undo);
    if (protocol_mode == MODE_CONSOLE) print_board(pos, 0);
}

void console_loop() {
    char line[LINE_SIZE];
    for (;;) {
        if (!read_line(line, sizeof line)) return;
        char *word, *arg;
        if (split_two_words(line, &word, &arg) == 0) continue;
        if (!std::strcmp(word, "perft")) {
            perft_command(arg);
        } else if (!std::strcmp(word, "board")) {
            if (!arg)
                std::printf("Usage: board <w>\n");
            else
                print_board(game_position, std::atoi(arg));
        } else if (!std::strcmp(word, "eval")) {
            std::printf("val = %d \n", evaluate(game_position));
        } else if (!std::strcmp(word, "load")) {
            load_command(arg);
        } else if (!std::strcmp(word, "go")) {
            think(game_position);
        } else if (!std::strcmp(word, "help")) {
            print_help();
        } else if (!std::strcmp(word, "new")) {
            set_position(start_fen);
            print_board(game_position, 0);
        } else if (!std::strcmp(word, "xboard")) {
            protocol_mode = MODE_XBOARD;
            xboard_loop();
            return;
        } else if (!std::strcmp(word, "uci")) {
            protocol_mode = MODE_UCI;
            uci_loop();
            return;
        } else if (!std::strcmp(word, "remove")) {
            remove_two_plies(game_position);
        } else if (!std::strcmp(word, "quit")) {
            return;
        } else {
            console_user_move(game_position, word);
        }
    }
}
