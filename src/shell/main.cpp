// Kelvorante: a chess engine for the console, XBoard/CECP and UCI.
#include <csignal>
#include <cstdio>

#include "game/game.h"
#include "protocol/results.h"
#include "shell/board_print.h"
#include "shell/command_line.h"
#include "shell/console.h"
#include "io/output.h"
#include "io/platform.h"

int main(int argc, char** argv) {
    // An interface that closes its end of the pipe is noticed as a failed write (and by
    // the search's poll), and the engine ends with status 0 instead of dying of a signal.
    std::signal(SIGPIPE, SIG_IGN);
    c_srand(time_of_day_seed());
    new_game(start_fen);
    if (argc > 1) return run_command_line(argc, argv);
    send("Kelvorante\nby %s\n\n", ENGINE_AUTHOR);
    print_help();
    print_board(game.position, 0);
    console_loop();
    return 0;
}
