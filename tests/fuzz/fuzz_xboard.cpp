// The XBoard/CECP dialogue, line by line on a live game, as the process runs it: the input
// arrives through a pipe that the line reader (and the search's poll) read, standard
// output goes nowhere, searches stop after a few hundred nodes, and after every line the
// game on the board must be sound. An analysis that a line calls for runs before the next
// line, as it does when the interface pauses. Standard output goes to a memory file that is
// read after every line: a line brings at most one "move", which is then the last move of
// the game on the board, and an analysis brings none.
#include "fuzz_support.h"
#include "protocol/xboard.h"
#include "movegen/notation.h"

namespace {

constexpr size_t LINE_SIZE = 256;
char line[LINE_SIZE];

// The engine's moves in the output: at most one, the move it left on the board.
int check_moves(const char* text) {
    int moves = 0;
    for (const char* at = text; (at = std::strstr(at, "move ")); at += 5) {
        if (at != text && at[-1] != '\n') continue;
        ++moves;
        char announced[8] = {};
        std::sscanf(at, "move %7s", announced);
        const Position& pos = game.position;
        fuzz::check(pos.ply > game.position.history.setup_ply,
                    "a move is announced and none is on the board");
        char played[6];
        move_to_full_text(game.position.history.entry[pos.ply - 1].move, played);
        fuzz::check(!std::strcmp(announced, played), "the move announced is not the move played");
    }
    fuzz::check(moves <= 1, "one line brings more than one engine move");
    return moves;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started =
        (fuzz::start_process(false), fuzz::write_dialogue_files(), fuzz::capture_output(), true);
    (void)started;
    fuzz::restart_engine(MODE_XBOARD);
    const int fd = fuzz::feed_input(data, size);
    xboard_begin();
    fuzz::take_output();
    fuzz::check_game();
    while (!output_closed()) {
        if (xboard_analysis_due()) {
            xboard_analyse();
            fuzz::check_game();
            fuzz::check(check_moves(fuzz::take_output()) == 0, "an analysis plays a move");
            continue;
        }
        if (!read_line(line, sizeof line)) break;
        const bool go_on = xboard_command(line);
        fuzz::check_game();
        check_moves(fuzz::take_output());
        if (!go_on) break;
    }
    fuzz::end_input(fd);
    return 0;
}
