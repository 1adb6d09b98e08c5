// The XBoard/CECP dialogue, line by line on a live game, as the process runs it: the input
// arrives through a pipe that the line reader (and the search's poll) read, standard
// output goes nowhere, searches stop after a few hundred nodes, and after every line the
// game on the board must be sound. An analysis that a line calls for runs before the next
// line, as it does when the interface pauses.
#include "fuzz_support.h"
#include "protocol/xboard.h"

namespace {

constexpr size_t LINE_SIZE = 256;
char line[LINE_SIZE];

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (fuzz::start_process(), fuzz::write_dialogue_files(), true);
    (void)started;
    fuzz::restart_engine(MODE_XBOARD);
    const int fd = fuzz::feed_input(data, size);
    xboard_begin();
    fuzz::check_game();
    while (!output_closed()) {
        if (xboard_analysis_due()) {
            xboard_analyse();
            fuzz::check_game();
            continue;
        }
        if (!read_line(line, sizeof line)) break;
        const bool go_on = xboard_command(line);
        fuzz::check_game();
        if (!go_on) break;
    }
    fuzz::end_input(fd);
    return 0;
}
