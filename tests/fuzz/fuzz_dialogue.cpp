// A whole dialogue, line by line on a live game, as the process runs it: the input starts in
// the console dialect, and "xboard" or "uci" hands the rest of it to that dialect. The input
// arrives through a pipe that the line reader (and the search's poll) read, searches stop
// after a few hundred nodes, and standard output goes to a memory file that is read after
// every line. After every line the game on the board must be sound, and the answer must
// fit the dialect:
// - console and XBoard: a line brings at most one "move", which is then the last move of
//   the game on the board; an XBoard analysis (run before the next line, as when the
//   interface pauses) brings none;
// - UCI: each "go" is answered with exactly one "bestmove", legal in the position searched
//   (with a legal pondered reply), and no other line brings one.
#include "fuzz_support.h"
#include "movegen/notation.h"
#include "protocol/uci.h"
#include "protocol/xboard.h"
#include "shell/console.h"
#include "io/tokens.h"

namespace {

// The line buffer of the console and XBoard loops; UCI reads longer lines.
constexpr size_t LINE_SIZE = 256;
// Deeper counts take longer than an input may; the command itself is the same.
constexpr int PERFT_DEPTH_LIMIT = 3;

char line[UCI_LINE_SIZE];

// The start of each line of text that begins with word.
template <typename Check> int each_line_starting(const char* text, const char* word, Check check) {
    int count = 0;
    const size_t n = std::strlen(word);
    for (const char* at = text; (at = std::strstr(at, word)); at += n)
        if (at == text || at[-1] == '\n') check(at + n), ++count;
    return count;
}

// Console and XBoard: at most one engine move per line, the move left on the board.
int check_moves(const char* text) {
    const int moves = each_line_starting(text, "move ", [](const char* rest) {
        char announced[8] = {};
        std::sscanf(rest, "%7s", announced);
        const Position& pos = game.position;
        fuzz::check(pos.ply > game.position.history.setup_ply,
                    "a move is announced and none is on the board");
        char played[6];
        move_to_full_text(pos.history.entry[pos.ply - 1].move, played);
        fuzz::check(!std::strcmp(announced, played), "the move announced is not the move played");
    });
    fuzz::check(moves <= 1, "one line brings more than one engine move");
    return moves;
}

// UCI: each bestmove legal in the position searched, with a legal pondered reply.
int check_answers(const char* text) {
    return each_line_starting(text, "bestmove ", [](const char* rest) {
        char move_text[8] = {}, ponder_text[8] = {};
        const int fields = std::sscanf(rest, "%7s ponder %7s", move_text, ponder_text);
        Position& pos = game.position;
        if (!std::strcmp(move_text, "0000")) {
            fuzz::check(pos.ply >= static_cast<uint32_t>(GAME_PLY_LIMIT) || no_legal_move(pos),
                        "bestmove 0000 with a legal move at hand");
            return;
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
    });
}

// "perft <d>" with a depth above the limit becomes "perft <limit>"; any other line, a
// malformed depth included, is passed on as it came.
void limit_perft(char* text) {
    char copy[LINE_SIZE];
    std::snprintf(copy, sizeof copy, "%s", text);
    char* cursor = copy;
    const char* word = next_word(cursor);
    if (!word || std::strcmp(word, "perft")) return;
    const char* arg = next_word(cursor);
    if (arg && std::atoi(arg) > PERFT_DEPTH_LIMIT)
        std::snprintf(text, LINE_SIZE, "perft %d", PERFT_DEPTH_LIMIT);
}

void xboard_dialogue() {
    xboard_begin();
    while (!output_closed()) {
        if (xboard_analysis_due()) {
            xboard_analyse();
            fuzz::check_game();
            fuzz::check(check_moves(fuzz::take_output()) == 0, "an analysis plays a move");
            continue;
        }
        if (!read_line(line, LINE_SIZE)) break;
        const bool go_on = xboard_command(line);
        fuzz::check_game();
        check_moves(fuzz::take_output());
        if (!go_on) break;
    }
}

void uci_dialogue() {
    uci_begin();
    fuzz::take_output();
    while (!output_closed() && read_line(line, UCI_LINE_SIZE)) {
        const bool go = first_word_is(line, "go", UCI_WORDS);
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
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started =
        (fuzz::start_process(false), fuzz::write_dialogue_files(), fuzz::capture_output(), true);
    (void)started;
    fuzz::restart_engine();
    const int fd = fuzz::feed_input(data, size);
    console_begin();
    fuzz::take_output();
    fuzz::check_game();
    while (!output_closed() && read_line(line, LINE_SIZE)) {
        // The console hands the rest of the input over for good, as it does in the process.
        if (first_word_is(line, "xboard")) {
            xboard_dialogue();
            break;
        }
        if (first_word_is(line, "uci")) {
            uci_dialogue();
            break;
        }
        limit_perft(line);
        const bool go_on = console_command(line);
        fuzz::check_game();
        check_moves(fuzz::take_output());
        if (!go_on) break;
    }
    fuzz::end_input(fd);
    return 0;
}
