// The console dialect, line by line on a live game, as the process runs it: the input
// arrives through a pipe that the line reader (and the search's poll) read, standard
// output goes nowhere, searches stop after a few hundred nodes, and after every line the
// game on the board must be sound. "xboard" and "uci" hand the rest of the input to that
// dialogue, as they do in the process.
#include "fuzz_support.h"
#include "shell/console.h"
#include "io/tokens.h"

namespace {

constexpr size_t LINE_SIZE = 256;
// Deeper counts take longer than an input may; the command itself is the same.
constexpr int PERFT_DEPTH_LIMIT = 3;

char line[LINE_SIZE];

// "perft <d>" with a depth above the limit becomes "perft <limit>"; any other line, a
// malformed depth included, is passed on as it came.
void limit_perft(char* text) {
    char copy[LINE_SIZE];
    std::memcpy(copy, text, LINE_SIZE);
    char* cursor = copy;
    const char* word = next_word(cursor);
    if (!word || std::strcmp(word, "perft")) return;
    const char* arg = next_word(cursor);
    if (arg && std::atoi(arg) > PERFT_DEPTH_LIMIT)
        std::snprintf(text, LINE_SIZE, "perft %d", PERFT_DEPTH_LIMIT);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (fuzz::start_process(), fuzz::write_dialogue_files(), true);
    (void)started;
    fuzz::restart_engine(MODE_CONSOLE);
    const int fd = fuzz::feed_input(data, size);
    console_begin();
    fuzz::check_game();
    while (!output_closed() && read_line(line, sizeof line)) {
        limit_perft(line);
        const bool go_on = console_command(line);
        fuzz::check_game();
        if (!go_on) break;
    }
    fuzz::end_input(fd);
    return 0;
}
