// The UCI dialogue, line by line on a live game, as the process runs it: the input arrives
// through a pipe that the line reader, the search's poll and the wait for "stop" or
// "ponderhit" all read, standard output goes nowhere, searches stop after a few hundred
// nodes, and after every line the game on the board must be sound.
#include "fuzz_support.h"
#include "protocol/uci.h"

namespace {

char line[UCI_LINE_SIZE];

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (fuzz::start_process(), fuzz::write_dialogue_files(), true);
    (void)started;
    fuzz::restart_engine(MODE_UCI);
    const int fd = fuzz::feed_input(data, size);
    uci_begin();
    fuzz::check_game();
    while (!output_closed() && read_line(line, UCI_LINE_SIZE)) {
        const bool go_on = uci_command(line);
        fuzz::check_game();
        if (!go_on) break;
    }
    fuzz::end_input(fd);
    return 0;
}
