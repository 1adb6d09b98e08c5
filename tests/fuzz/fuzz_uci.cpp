// The UCI dialogue, line by line on a live game, as the process runs it: the input arrives
// through a pipe that the line reader, the search's poll and the wait for "stop" or
// "ponderhit" all read, searches stop after a few hundred nodes, and after every line the
// game on the board must be sound. Standard output goes to a memory file that is read after
// every line: each "go" is answered with exactly one "bestmove", whose move (and pondered
// reply) is legal in the position searched, and no other line brings one.
#include "fuzz_support.h"
#include "protocol/uci.h"
#include "movegen/notation.h"
#include "io/tokens.h"

namespace {

char line[UCI_LINE_SIZE];
bool is_go(const char* text) { return first_word_is(text, "go", UCI_WORDS); }

// The answers in the output: each "bestmove" legal in the position searched, with a legal
// pondered reply; returns how many there were.
int check_answers(const char* text) {
    int answers = 0;
    for (const char* at = text; (at = std::strstr(at, "bestmove ")); at += 9) {
        if (at != text && at[-1] != '\n') continue;
        ++answers;
        char move_text[8] = {}, ponder_text[8] = {};
        const int fields = std::sscanf(at, "bestmove %7s ponder %7s", move_text, ponder_text);
        Position& pos = game.position;
        if (!std::strcmp(move_text, "0000")) {
            fuzz::check(pos.ply >= static_cast<uint32_t>(GAME_PLY_LIMIT) || no_legal_move(pos),
                        "bestmove 0000 with a legal move at hand");
            continue;
        }
        const Move move = parse_move(pos, move_text);
        fuzz::check(move != MOVE_NONE, "bestmove is not a legal move of the position searched");
        if (fields == 2) {
            Undo undo;
            make_move(pos, move, undo);
            const bool legal = parse_move(pos, ponder_text) != MOVE_NONE;
            unmake_move(pos, move, undo);
            fuzz::check(legal, "the pondered reply is not legal after the best move");
        }
    }
    return answers;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started =
        (fuzz::start_process(false), fuzz::write_dialogue_files(), fuzz::capture_output(), true);
    (void)started;
    fuzz::restart_engine(MODE_UCI);
    const int fd = fuzz::feed_input(data, size);
    uci_begin();
    fuzz::take_output();
    fuzz::check_game();
    while (!output_closed() && read_line(line, UCI_LINE_SIZE)) {
        const bool go = is_go(line);
        const bool go_on = uci_command(line);
        fuzz::check_game();
        const int answers = check_answers(fuzz::take_output());
        if (go && go_on)
            fuzz::check(answers == 1, "a go is not answered by exactly one bestmove");
        else if (go)
            fuzz::check(answers <= 1, "a go is answered by more than one bestmove");
        else
            fuzz::check(answers == 0, "a bestmove without a go");
        if (!go_on) break;
    }
    fuzz::end_input(fd);
    return 0;
}
