// Kelvorante: a chess engine for the console, XBoard/CECP and UCI.
#include <cstdio>
#include <cstring>

#include "board/zobrist.h"
#include "game/new_game.h"
#include "shell/board_print.h"
#include "shell/command_line.h"
#include "shell/console.h"
#include "shell/platform.h"

int main(int argc, char** argv) {
    // Every line reaches the interface at once, whatever the dialect.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    init_zobrist_keys();
    c_srand(time_of_day_seed());
    set_position(start_fen);
    if (argc > 1) return run_command_line(argc, argv);
    std::printf("Kelvorante\n");
    std::printf("by Tamsin Quorrelby\n");
    std::printf("\n");
    print_help();
    print_board(game_position, 0);
    console_loop();
    return 0;
}
