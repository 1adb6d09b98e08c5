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
//   (with a legal pondered reply), and no other line brings one; "go perft" (cut to the
//   console's perft depth) ends with one "Nodes searched:" line.
#include "board/history.h"
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

enum class Dialect { CONSOLE, XBOARD, UCI };
char line[UCI_LINE_SIZE];

// Calls check with the rest of each line of text that begins with word; returns how many.
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
        const Position& pos = game.position;
        fuzz::check(pos.ply > pos.history.setup_ply, "a move is announced and none is played");
        char announced[8] = {}, played[6];
        std::sscanf(rest, "%7s", announced);
        move_to_game_text(pos, pos.history.entry[pos.ply - 1].move, CastlingStyle::LETTERS, played);
        fuzz::check(!std::strcmp(announced, played), "the move announced is not the move played");
    });
    fuzz::check(moves <= 1, "one line brings more than one engine move");
    return moves;
}

// UCI: each bestmove legal in the position searched, with a legal pondered reply.
int check_answers(const char* text) {
    return each_line_starting(text, "bestmove ", [](const char* rest) {
        char best[8] = {}, ponder[8] = {};
        const int fields = std::sscanf(rest, "%7s ponder %7s", best, ponder);
        Position& pos = game.position;
        if (!std::strcmp(best, "0000")) {
            fuzz::check(at_ply_limit(pos) || no_legal_move(pos),
                        "bestmove 0000 with a legal move at hand");
            return;
        }
        const Move move = parse_move(pos, best);
        fuzz::check(move != MOVE_NONE, "bestmove is not a legal move of the position searched");
        if (fields < 2) return;
        Undo undo;
        make_move(pos, move, undo);
        const bool legal = parse_move(pos, ponder) != MOVE_NONE;
        unmake_move(pos, move, undo);
        fuzz::check(legal, "the pondered reply is not legal after the best move");
    });
}

// One console line: "perft" deeper than the limit is cut to it, anything else goes as it came.
bool console_line(char* text) {
    char word[8];
    int depth;
    if (std::sscanf(text, " %7s %d", word, &depth) == 2 && !std::strcmp(word, "perft") &&
        depth > PERFT_DEPTH_LIMIT)
        std::snprintf(text, LINE_SIZE, "perft %d", PERFT_DEPTH_LIMIT);
    return console_command(text);
}

// One UCI line, "go perft" cut to the same depth; true for a perft, which answers with a
// count, not a bestmove.
bool uci_perft_line(char* text) {
    // Words as the engine splits them: spaces and tabs only (a carriage return inside a
    // line belongs to its word, so "go perft\r" is a search, not a count).
    char copy[UCI_LINE_SIZE];
    std::snprintf(copy, sizeof copy, "%s", text);
    char* cursor = copy;
    const char* go = next_word(cursor, UCI_WORDS);
    const char* word = go ? next_word(cursor, UCI_WORDS) : nullptr;
    if (!word || std::strcmp(go, "go") || std::strcmp(word, "perft")) return false;
    const char* number = next_word(cursor, UCI_WORDS);
    const long depth = number ? std::strtol(number, nullptr, 10) : 1;
    if (depth > PERFT_DEPTH_LIMIT)
        std::snprintf(text, UCI_LINE_SIZE, "go perft %d", PERFT_DEPTH_LIMIT);
    return true;
}

// Once per process, with files a dialogue may name: a short book, FEN files for the
// console's "load", and the console's board log, which goes nowhere.
void start() {
    fuzz::start_process(false);
    fuzz::write_file("book.obk", "14346444062571520532\n14346252\n133363431232\n1232\n");
    fuzz::write_file("kiwipete.fen",
                     "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1\n");
    fuzz::write_file("ep.fen", "4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1\n");
    fuzz::write_file("bad.fen", "not a position\n");
    fuzz::write_file("empty.fen", "");
    fuzz::check(symlink("/dev/null", "Kelvorante.log") == 0, "board log to /dev/null");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static bool started = (start(), true);
    (void)started;
    fuzz::restart_engine();
    const int fd = fuzz::feed_input(data, size);
    console_begin();
    fuzz::take_output();
    fuzz::check_game();
    Dialect dialect = Dialect::CONSOLE;
    while (!output_closed()) {
        if (dialect == Dialect::XBOARD && xboard_analysis_due()) {
            xboard_analyse();
            fuzz::check_game();
            fuzz::check(check_moves(fuzz::take_output()) == 0, "an analysis plays a move");
            continue;
        }
        if (!read_line(line, dialect == Dialect::UCI ? UCI_LINE_SIZE : LINE_SIZE)) break;
        // The console hands the rest of the input over for good, as it does in the process.
        if (dialect == Dialect::CONSOLE && first_word_is(line, "xboard")) {
            dialect = Dialect::XBOARD;
            xboard_begin();
            continue;
        }
        if (dialect == Dialect::CONSOLE && first_word_is(line, "uci")) {
            dialect = Dialect::UCI;
            uci_begin();
            fuzz::take_output();
            continue;
        }
        const bool perft = dialect == Dialect::UCI && uci_perft_line(line);
        const bool go = !perft && dialect == Dialect::UCI && first_word_is(line, "go", UCI_WORDS);
        const bool go_on = dialect == Dialect::CONSOLE  ? console_line(line)
                           : dialect == Dialect::XBOARD ? xboard_command(line)
                                                        : uci_command(line);
        fuzz::check_game();
        const char* out = fuzz::take_output();
        if (dialect != Dialect::UCI) {
            check_moves(out);
        } else {
            const int answers = check_answers(out);
            fuzz::check(go ? answers == 1 || (!go_on && answers == 0) : answers == 0,
                        "a go is not answered by exactly one bestmove, or another line is");
            if (perft)
                fuzz::check(each_line_starting(out, "Nodes searched: ", [](const char*) {}) == 1,
                            "go perft does not end with one count");
        }
        if (!go_on) break;
    }
    set_input_descriptor(0);
    close(fd);
    return 0;
}
