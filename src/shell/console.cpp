#include "shell/console.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/history.h"
#include "board/make_move.h"
#include "eval/evaluate.h"
#include "game/book.h"
#include "game/game.h"
#include "game/think.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"
#include "protocol/results.h"
#include "protocol/uci.h"
#include "protocol/xboard.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/timeman.h"
#include "shell/board_print.h"
#include "io/input.h"
#include "movegen/notation.h"
#include "io/output.h"
#include "io/platform.h"
#include "io/tokens.h"

namespace {

constexpr size_t LINE_SIZE = 256;
constexpr size_t FEN_LINE_SIZE = 80;
constexpr int32_t CONSOLE_THINKING_MS = 2000;

ScoredMove perft_area[MAX_PERFT_DEPTH * MAX_MOVES];

// The console does not let typed lines interrupt its search; only a closed input or
// output does, since nobody is left to read the answer.
bool interface_gone() { return input_ended() || output_closed(); }

void perft_command(const char* arg) {
    if (!arg) {
        send("Usage: perft <depth>\n");
        return;
    }
    int depth = std::atoi(arg);
    if (depth < 0) depth = 0;
    if (depth > MAX_PERFT_DEPTH) depth = MAX_PERFT_DEPTH;
    search_state.nodes = 0;
    const uint32_t start = tick_ms();
    bool aborted = false;
    const uint64_t count = perft(game.position, depth, perft_area, interface_gone, &aborted);
    if (aborted) return;
    const uint32_t elapsed = tick_ms() - start;
    search_state.nodes = static_cast<uint32_t>(count);
    send("%llu moves in %d milliseconds\n", static_cast<unsigned long long>(count),
         static_cast<int>(elapsed));
    // A count too quick to time has no rate.
    if (elapsed > 0)
        send("average: %f moves/sec\n",
             static_cast<double>(count) / static_cast<double>(elapsed) * 1000.0);
}

void load_command(const char* name) {
    FILE* f = name ? std::fopen(name, "r") : nullptr;
    if (!f) {
        send("File doesn't exists\n");
        return;
    }
    char fen[FEN_LINE_SIZE];
    const bool read = std::fgets(fen, sizeof fen, f) != nullptr;
    std::fclose(f);
    if (read) fen[std::strcspn(fen, "\r\n")] = '\0';
    if (!read || !new_game(fen)) {
        send("Illegal position\n");
        return;
    }
    game.state.book.in_use = 0;
    print_board(game.position, 0);
}

// The rules of the games that follow; the board starts again from the classical start
// position under them.
void variant_command(const char* name) {
    if (!name || (std::strcmp(name, "normal") && std::strcmp(name, "fischerandom"))) {
        send("Usage: variant normal|fischerandom\n");
        return;
    }
    game.chess960 = name[0] == 'f';
    new_game(start_fen);
    print_board(game.position, 0);
}

} // namespace

void console_progress(const Progress& p) {
    LineText line;
    line.add("Depth:%d Nodes:%u Value:%+5.2f ", p.depth, p.nodes, p.score * 0.01);
    char text[6];
    for (int i = 0; p.pv[i]; ++i) {
        move_to_game_text(game.position, p.pv[i], CastlingStyle::KING_TAKES_ROOK, text);
        line.add("%s-", text);
    }
    send("%s\n", line.text);
}

void print_help() {
    send("\n"
         "Commands:\n"
         "board <w>        Print Board on screen (0) or on log file (1)\n"
         "go               Start analysis\n"
         "help             Show this list\n"
         "load <filename>  Load fen position\n"
         "new              Start new game\n"
         "perft <d>        Compute perft at depth d\n"
         "remove           Undo last two plies\n"
         "eval             Static evaluation\n"
         "xboard           Speak the XBoard/CECP protocol from now on\n"
         "uci              Speak the UCI protocol from now on\n"
         "variant <v>      Rules of new games: normal or fischerandom (Chess960)\n"
         "quit             Exit program\n"
         "\n");
}

void console_user_move(Position& pos, const char* word) {
    const Move move = at_ply_limit(pos) ? MOVE_NONE : parse_move(pos, word);
    if (move == MOVE_NONE) {
        send("Illegal move: %s\n", word);
        return;
    }
    if (game.state.book.in_use) {
        char text[6];
        move_to_text(move, text);
        record_book_move(game.state.book, pos.ply, text);
    }
    Undo undo;
    make_move(pos, move, undo);
    if (fifty_move_claim(pos)) {
        send("%s", FIFTY_MOVE_LINE);
        return;
    }
    console_think(pos);
}

void console_think(Position& pos) {
    // Nobody gives the console a clock: every move is thought about for two seconds.
    search_state.limits = SearchLimits{};
    search_state.limits.movetime_ms = CONSOLE_THINKING_MS;
    // The console words the engine's move as XBoard does, and shows the board after it.
    if (xboard_announce(think(pos), pos)) print_board(pos, 0);
}

void console_begin() {
    front_end = FrontEnd{interface_gone, console_progress, nullptr};
    game.may_resign = true;
}

bool console_command(char* line) {
    char* cursor = line;
    char* word = next_word(cursor);
    if (!word) return true;
    char* arg = next_word(cursor);
    if (!std::strcmp(word, "perft")) {
        perft_command(arg);
    } else if (!std::strcmp(word, "board")) {
        if (!arg)
            send("Usage: board <w>\n");
        else
            print_board(game.position, std::atoi(arg));
    } else if (!std::strcmp(word, "eval")) {
        send("val = %d \n", evaluate(game.position));
    } else if (!std::strcmp(word, "load")) {
        load_command(arg);
    } else if (!std::strcmp(word, "go")) {
        console_think(game.position);
    } else if (!std::strcmp(word, "help")) {
        print_help();
    } else if (!std::strcmp(word, "new")) {
        new_game(start_fen);
        print_board(game.position, 0);
    } else if (!std::strcmp(word, "xboard")) {
        xboard_loop();
        return false;
    } else if (!std::strcmp(word, "uci")) {
        uci_loop();
        return false;
    } else if (!std::strcmp(word, "variant")) {
        variant_command(arg);
    } else if (!std::strcmp(word, "remove")) {
        if (take_back(game.position, 2)) print_board(game.position, 0);
    } else if (!std::strcmp(word, "quit")) {
        return false;
    } else {
        console_user_move(game.position, word);
    }
    return true;
}

void console_loop() {
    char line[LINE_SIZE];
    console_begin();
    while (!output_closed() && read_line(line, sizeof line) && console_command(line)) {
    }
}
