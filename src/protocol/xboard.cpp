#include "protocol/xboard.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

#include "board/history.h"
#include "board/make_move.h"
#include "game/book.h"
#include "game/game.h"
#include "game/polyglot_book.h"
#include "protocol/book_file.h"
#include "game/think.h"
#include "movegen/movegen.h"
#include "protocol/results.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/root.h"
#include "search/tables.h"
#include "search/timeman.h"
#include "io/input.h"
#include "movegen/notation.h"
#include "io/output.h"
#include "io/platform.h"
#include "io/tokens.h"

namespace {

constexpr size_t LINE_SIZE = 256;
// Thinking on the opponent's time is only worth reusing after this long; a shorter ponder
// is cheaper to redo than to trust.
constexpr uint32_t PONDER_HIT_MIN_MS = 60000;
// Longest fixed time per move that "st" accepts, and the longest increment of "level".
constexpr double MOVETIME_LIMIT_S = 3600;

constexpr char FEATURE_LINE[] =
    "feature ping=1 setboard=1 playother=1 myname=\"%s\" "
    "variants=\"normal,fischerandom\" memory=1 exclude=1 "
    "option=\"MultiPV -spin 1 1 64\" option=\"BookFile -file \" done=1\n";

// Words GUIs send that this front end has no use for and for which an error reply would
// only be noise in the interface's log.
constexpr char SILENT_WORDS[][12] = {"xboard",  "accepted", "rejected", "random", "post", "nopost",
                                     "otim",    "computer", "white",    "black",  "draw", "name",
                                     "rating",  "ics",      "hint",     "bk",     "nps",  "cores",
                                     "egtpath", "result",   "?",        "."};

// Lines that take the position away from a search on the engine's own move: it stops and
// plays nothing, and the line is carried out afterwards.
constexpr char CANCELLING_WORDS[][12] = {"force",  "new",  "setboard", "result", "undo",
                                         "remove", "quit", "analyze",  "exit"};

// What the interface has said about the game that is not part of the position.
struct XboardState {
    bool force_mode;     // moves are played, not answered
    bool board_refused;  // the last setboard was refused: the interface's board is unknown
    bool analysis_due;   // analysing and something changed since the last analysis began
    int depth_limit;     // "sd", 0 for none
    int32_t movetime_ms; // "st", 0 for none
    int multipv;         // the MultiPV option: thinking lines per depth
    // Root moves left out by "exclude", for the position of this key: any other position
    // has all its moves again.
    uint64_t exclude_key;
    int excluded_count;
    Move excluded[MAX_MOVES];
    char search_line[LINE_SIZE];
};
XboardState xb;

template <size_t N> bool word_in(const char* word, const char (&list)[N][12]) {
    for (size_t i = 0; i < N; ++i)
        if (!std::strcmp(word, list[i])) return true;
    return false;
}

bool is_silent_word(const char* word) { return word_in(word, SILENT_WORDS); }

// Two squares and an optional promotion letter, nothing else; or castling as O-O or O-O-O,
// as the interface sends it in Chess960.
bool has_move_form(const char* word) {
    if (castling_letters(word)) return true;
    for (int i = 0; i < 4; i += 2)
        if (word[i] < 'a' || word[i] > 'h' || word[i + 1] < '1' || word[i + 1] > '8') return false;
    if (!word[4]) return true;
    return std::strchr("qrbn", word[4]) && !word[5];
}

// A number of seconds, fractions allowed ("st 0.5"), between 0 and MOVETIME_LIMIT_S; 0 for
// anything that is no number.
double seconds(const char* text) {
    const double value = std::strtod(text, nullptr);
    return value > 0 ? (value < MOVETIME_LIMIT_S ? value : MOVETIME_LIMIT_S) : 0;
}

void missing_argument(const char* command) { send("Error (missing argument): %s\n", command); }

bool is_excluded(Move move) {
    for (int i = 0; i < xb.excluded_count; ++i)
        if (same_move(xb.excluded[i], move)) return true;
    return false;
}

// The root moves of the next search: those not excluded in this position. With every move
// excluded the search is not restricted: the protocol lets the exclusion wait until a move
// is included again.
void restrict_root_moves() {
    if (xb.exclude_key != game.position.key || xb.excluded_count == 0) return;
    ScoredMove list[MAX_MOVES];
    ScoredMove* end = gen_legal(game.position, list);
    SearchLimits& limits = search_state.limits;
    limits.root_count = 0;
    for (ScoredMove* m = list; m != end; ++m)
        if (!is_excluded(m->move)) limits.root_only[limits.root_count++] = m->move;
}

// "exclude MOVE", "include MOVE", "exclude all", "include all".
void exclude_command(const char* command, char* arg, bool exclude) {
    char* cursor = arg ? arg : const_cast<char*>("");
    const char* word = next_word(cursor);
    if (!word) {
        missing_argument(command);
        return;
    }
    if (xb.exclude_key != game.position.key) {
        xb.exclude_key = game.position.key;
        xb.excluded_count = 0;
    }
    if (!std::strcmp(word, "all")) {
        xb.excluded_count = 0;
        if (exclude) {
            ScoredMove list[MAX_MOVES];
            ScoredMove* end = gen_legal(game.position, list);
            for (ScoredMove* m = list; m != end; ++m) xb.excluded[xb.excluded_count++] = m->move;
        }
        return;
    }
    const Move move =
        xb.board_refused || !has_move_form(word) ? MOVE_NONE : parse_move(game.position, word);
    if (move == MOVE_NONE) {
        send("Illegal move: %s\n", word);
        return;
    }
    if (exclude && !is_excluded(move)) {
        xb.excluded[xb.excluded_count++] = move;
    } else if (!exclude) {
        for (int i = 0; i < xb.excluded_count; ++i)
            if (same_move(xb.excluded[i], move))
                xb.excluded[i--] = xb.excluded[--xb.excluded_count];
    }
}

// "option BookFile=PATH": the rest of the line is the path, blanks and all; nothing after
// the sign names no book.
void book_file_option(char* value) {
    char* path = value ? value : const_cast<char*>("");
    while (*path == ' ') ++path;
    size_t n = std::strlen(path);
    while (n > 0 && path[n - 1] == ' ') path[--n] = '\0';
    if (const char* problem = book_file_problem(set_book_file(path)))
        send("telluser book %s: %s\n", path, problem);
}

// "option NAME=VALUE", for the engine's options MultiPV and BookFile: the name in any case, a
// value out of range clamped.
void option_command(char* arg) {
    if (!arg) {
        missing_argument("option");
        return;
    }
    char* value = std::strchr(arg, '=');
    if (value) *value++ = '\0';
    char* cursor = arg;
    const char* name = next_word(cursor);
    if (name && !strcasecmp(name, "BookFile")) {
        book_file_option(value);
        return;
    }
    if (!name || strcasecmp(name, "MultiPV")) {
        send("Error (unknown option): %s\n", name ? name : "");
        return;
    }
    char* end = nullptr;
    const long lines = value ? std::strtol(value, &end, 10) : 0;
    if (!value || end == value || (*end && *end != ' ' && *end != '\n')) {
        send("Error (invalid value): option MultiPV=%.40s\n", value ? value : "");
        return;
    }
    xb.multipv = static_cast<int>(std::clamp<long>(lines, 1, MAX_MULTIPV));
}

// "memory N": the megabytes for the search tables, as UCI's Hash.
void memory_command(char* arg) {
    if (!arg) {
        missing_argument("memory");
        return;
    }
    const long mb = std::clamp<long>(std::atol(arg), MIN_HASH_MB, MAX_HASH_MB);
    if (!set_hash_megabytes(static_cast<int>(mb)))
        send("telluser memory %ld: not enough memory, the tables keep %d MB\n", mb,
             hash_megabytes());
}

// The limits of a search on the engine's own move or on the opponent's time. A depth
// limit without any clock or time per move ("sd" alone, as scripts send it) is searched
// to the end.
void set_game_limits() {
    search_state.limits = SearchLimits{};
    search_state.limits.depth = xb.depth_limit;
    search_state.limits.movetime_ms = xb.movetime_ms;
    search_state.limits.untimed =
        xb.depth_limit > 0 && xb.movetime_ms == 0 && !search_state.clock.given;
    search_state.limits.multipv = xb.multipv;
    restrict_root_moves();
}

// After the engine's move the opponent's time is used when the game goes on.
void announce_and_ponder(const Decision& d) {
    if (xboard_announce(d, game.position) && d.ponder_next) start_pondering(game.position);
}

void play_for_side_to_move() {
    set_game_limits();
    game.state.result = RESULT_NONE;
    game.state.pondering = false;
    announce_and_ponder(think(game.position));
}

// ---------------------------------------------------------------------------------------
// Lines that arrive while the engine searches

void answer_ping(char* arg);

// Thinking on the opponent's time, or analysing: any line stops. An analysis goes on
// through the status request (it has nothing to add) and through "ping", which is
// answered at once since no move is pending.
bool poll_background_search() {
    while (stream_pending()) {
        if (!read_stream_line(xb.search_line, sizeof xb.search_line)) return true;
        char copy[LINE_SIZE];
        std::memcpy(copy, xb.search_line, sizeof copy);
        char* cursor = copy;
        const char* word = next_word(cursor);
        if (!word) continue;
        if (game.analysing && !std::strcmp(word, ".")) continue;
        if (game.analysing && !std::strcmp(word, "ping")) {
            answer_ping(rest_of_line(cursor));
            continue;
        }
        keep_line(xb.search_line);
        return true;
    }
    return false;
}

// Thinking on its own move: "?" moves now; a line that takes the position away stops the
// search without a move; other lines stop it (and the move is played first) once the
// engine has played a searched move in this game, and otherwise wait for the move.
bool poll_own_move() {
    while (stream_pending()) {
        if (!read_stream_line(xb.search_line, sizeof xb.search_line)) {
            game.cancelled = true; // the interface has gone: nothing is played
            return true;
        }
        char copy[LINE_SIZE];
        std::memcpy(copy, xb.search_line, sizeof copy);
        char* cursor = copy;
        const char* word = next_word(cursor);
        if (!word) continue;
        if (!std::strcmp(word, "?")) return true;
        // The engine is already playing the side to move.
        if (!std::strcmp(word, "go")) continue;
        if (word_in(word, CANCELLING_WORDS)) {
            game.cancelled = true;
            keep_line(xb.search_line);
            return true;
        }
        if (!keep_line(xb.search_line) || game.state.moves_out_of_book >= 1) return true;
    }
    return false;
}

bool xboard_poll() {
    if (output_closed()) {
        game.cancelled = true;
        return true;
    }
    return (game.analysing || game.state.pondering) ? poll_background_search() : poll_own_move();
}

// ---------------------------------------------------------------------------------------
// Commands

void set_board(const char* fen) {
    if (!fen) {
        missing_argument("setboard");
        return;
    }
    xb.excluded_count = 0;
    if (new_game(fen)) {
        xb.board_refused = false;
        return;
    }
    // The interface now shows a board the engine does not have: until it sends one the
    // engine can take, every move is refused and nothing is played.
    xb.board_refused = true;
    send("tellusererror Illegal position\n");
}

void set_clock(const char* arg) {
    if (!arg) {
        missing_argument("time");
        return;
    }
    set_engine_clock(std::atoll(arg));
}

void set_depth_limit(const char* arg) {
    if (!arg) {
        missing_argument("sd");
        return;
    }
    xb.depth_limit = static_cast<int>(std::clamp<long>(std::atol(arg), 0, MAX_PLY - 1));
}

void set_time_per_move(const char* arg) {
    if (!arg) {
        missing_argument("st");
        return;
    }
    xb.movetime_ms = static_cast<int32_t>(seconds(arg) * 1000);
}

void answer_ping(char* arg) {
    char* cursor = arg ? arg : const_cast<char*>("");
    const char* number = arg ? next_word(cursor) : nullptr;
    send("pong %s\n", number ? number : "");
}

// "variant fischerandom" comes after "new": the game is Chess960 until the next "new". The
// interface sends the start position with setboard; until then the game is the classical
// start under Chess960 rules.
void select_variant(char* arg) {
    char* cursor = arg ? arg : const_cast<char*>("");
    const char* name = arg ? next_word(cursor) : nullptr;
    if (!name) {
        missing_argument("variant");
    } else if (!std::strcmp(name, "normal") || !std::strcmp(name, "fischerandom")) {
        const bool chess960 = name[0] == 'f';
        if (chess960 == game.chess960) return;
        game.chess960 = chess960;
        new_game(start_fen);
        xb.board_refused = false;
        xb.excluded_count = 0;
    } else {
        send("Error (unsupported variant): %s\n", name);
    }
}

// "go": leave force mode and play the side to move now.
void go_command() {
    if (xb.board_refused) return;
    xb.force_mode = false;
    game.analysing = false;
    play_for_side_to_move();
}

// "playother": leave force mode; the engine plays the side not on move and answers the
// next move, thinking on the opponent's time meanwhile when "hard" is on.
void playother_command() {
    if (xb.board_refused) return;
    xb.force_mode = false;
    game.analysing = false;
    if (game.state.ponder_enabled && !game.state.book.in_use) {
        set_game_limits();
        search_state.ponder_move = MOVE_NONE;
        start_pondering(game.position);
    }
}

void new_command() {
    game.chess960 = false;
    new_game(start_fen);
    xb.board_refused = false;
    xb.force_mode = false;
    xb.depth_limit = 0;
    xb.excluded_count = 0;
    // The interface sends the clock again before the new game's first move, if it keeps
    // one: a game without a clock must not inherit the last game's.
    search_state.clock.given = false;
}

void undo_plies(int plies) {
    if (xb.board_refused) return;
    take_back(game.position, plies);
    game.state.pondering = false;
    xb.excluded_count = 0;
}

// The engine's reply from the thinking on the opponent's time, if that thinking can be
// used. Returns false when a normal search must decide instead.
bool answer_from_ponder(Position& pos, Move move, uint32_t now) {
    const GameState& g = game.state;
    if (game.ponder_saw_mate || g.pondered_move == MOVE_NONE || !same_move(move, g.pondered_move) ||
        now - g.ponder_start_ms <= PONDER_HIT_MIN_MS)
        return false;
    if (g.result == RESULT_FIFTY) {
        send("%s", FIFTY_MOVE_LINE);
        return true;
    }
    if (g.result == RESULT_STALEMATE) {
        send("%s", STALEMATE_LINE);
        return true;
    }
    const Move reply = search_state.pv[0][0];
    // An interrupted ponder may have left no line for this position: search instead.
    if (reply == MOVE_NONE || !is_legal_move(pos, reply)) return false;
    announce_and_ponder(play_decided_move(pos, reply, search_state.best_score, false));
    return true;
}

// False when the dialogue ends.
bool dispatch(char* line) {
    char* cursor = line;
    char* word = next_word(cursor);
    if (!word) return true;
    char* rest = rest_of_line(cursor);
    // Most lines change what an analysis looks at; the status request and ping do not.
    const bool changes_analysis = std::strcmp(word, ".") && std::strcmp(word, "ping");
    if (!std::strcmp(word, "quit")) return false;
    if (!std::strcmp(word, "protover")) {
        send(FEATURE_LINE, XBOARD_ENGINE_NAME);
    } else if (!std::strcmp(word, "go")) {
        go_command();
    } else if (!std::strcmp(word, "playother")) {
        playother_command();
    } else if (!std::strcmp(word, "new")) {
        new_command();
    } else if (!std::strcmp(word, "level")) {
        parse_level(rest);
    } else if (!std::strcmp(word, "hard")) {
        game.state.ponder_enabled = true;
    } else if (!std::strcmp(word, "easy")) {
        game.state.ponder_enabled = false;
    } else if (!std::strcmp(word, "time")) {
        set_clock(rest);
    } else if (!std::strcmp(word, "setboard")) {
        set_board(rest);
    } else if (!std::strcmp(word, "force")) {
        xb.force_mode = true;
    } else if (!std::strcmp(word, "remove")) {
        undo_plies(2);
    } else if (!std::strcmp(word, "undo")) {
        undo_plies(1);
    } else if (!std::strcmp(word, "ping")) {
        answer_ping(rest);
    } else if (!std::strcmp(word, "sd")) {
        set_depth_limit(rest);
    } else if (!std::strcmp(word, "st")) {
        set_time_per_move(rest);
    } else if (!std::strcmp(word, "analyze")) {
        game.analysing = true;
    } else if (!std::strcmp(word, "exit")) {
        // Analysis ends in force mode: the interface decides what comes next.
        if (game.analysing) xb.force_mode = true;
        game.analysing = false;
    } else if (!std::strcmp(word, "variant")) {
        select_variant(rest);
    } else if (!std::strcmp(word, "exclude") || !std::strcmp(word, "include")) {
        exclude_command(word, rest, word[0] == 'e');
    } else if (!std::strcmp(word, "memory")) {
        memory_command(rest);
    } else if (!std::strcmp(word, "option")) {
        option_command(rest);
    } else if (is_silent_word(word)) {
    } else if (has_move_form(word)) {
        xboard_opponent_move(game.position, word, xb.force_mode || game.analysing);
    } else {
        send("Error (unknown command): %s\n", word);
    }
    if (changes_analysis) xb.analysis_due = game.analysing;
    return true;
}

} // namespace

// An infinite search of the current position with thinking output; it ends when a line
// arrives (or when it has nothing more to find), and never plays a move.
void xboard_analyse() {
    xb.analysis_due = false;
    if (xb.board_refused || no_legal_move(game.position)) return;
    search_state.limits = SearchLimits{};
    search_state.limits.untimed = true;
    search_state.limits.no_early_stop = true;
    search_state.limits.multipv = xb.multipv;
    restrict_root_moves();
    game.state.pondering = false;
    think(game.position);
}

bool xboard_analysis_due() { return xb.analysis_due; }

bool xboard_announce(const Decision& d, const Position& pos) {
    switch (d.verdict) {
    case Verdict::SILENT: return false;
    case Verdict::RESIGN: send("resign\n"); return false;
    case Verdict::GAME_OVER:
        send("%s", d.end == GameEnd::MATE ? LOSE_LINE[pos.side] : end_after_move_line(d.end, 0));
        return false;
    case Verdict::PLAY: break;
    }
    char text[6];
    move_to_game_text(pos, d.move, CastlingStyle::LETTERS, text);
    send("move %s\n", text);
    if (d.end == GameEnd::NONE) return true;
    send("%s", end_after_move_line(d.end, static_cast<int>(pos.side)));
    return false;
}

void xboard_progress(const Progress& p) {
    LineText line;
    line.add("%d %d %u %u ", p.depth, p.score, p.elapsed_ms / 10, p.nodes);
    char text[6];
    if (game.state.pondering && game.state.pondered_move != MOVE_NONE) {
        move_to_game_text(game.position, game.state.pondered_move, CastlingStyle::LETTERS, text);
        line.add("(%s) ", text);
    }
    for (int i = 0; p.pv[i]; ++i) {
        move_to_game_text(game.position, p.pv[i], CastlingStyle::LETTERS, text);
        line.add("%s ", text);
    }
    send("%s\n", line.text);
}

// "level MPS BASE INC": moves per period (0 for the whole game), the base time (minutes,
// or minutes:seconds), which the clock of "time" already holds, and the increment in
// seconds.
void parse_level(const char* args) {
    char copy[LINE_SIZE] = "";
    if (args) std::snprintf(copy, sizeof copy, "%s", args);
    char* cursor = copy;
    const char* moves = next_word(cursor);
    if (!moves) {
        missing_argument("level");
        return;
    }
    next_word(cursor);
    const char* increment = next_word(cursor);
    const long n = std::clamp<long>(std::atol(moves), 0, 1000);
    set_time_control(static_cast<int>(n),
                     increment ? static_cast<int64_t>(seconds(increment) * 1000) : 0);
    // A conventional control replaces a fixed time per move from an earlier "st".
    xb.movetime_ms = 0;
}

void xboard_opponent_move(Position& pos, const char* word, bool force) {
    const uint32_t now = tick_ms();
    // Past the history's limit no move is taken, so the search never starts from a
    // position the game does not hold. After a refused setboard the interface's board is
    // not the engine's, so no move can be checked against it.
    const Move move = xb.board_refused || at_ply_limit(pos) || !has_move_form(word)
                          ? MOVE_NONE
                          : parse_move(pos, word);
    if (move == MOVE_NONE) {
        send("Illegal move: %s\n", word);
        return;
    }
    if (game.state.book.in_use) {
        char text[6];
        move_to_text(move, text); // the book's own form, whatever form the interface used
        record_book_move(game.state.book, pos.ply, text);
    }
    Undo undo;
    make_move(pos, move, undo);
    xb.excluded_count = 0;

    // The thinking on the opponent's time belonged to the position before this move; it
    // can be used for this move only, and only outside force mode.
    const bool was_pondering = game.state.pondering;
    game.state.pondering = false;
    // In force mode the engine plays neither side and claims nothing.
    if (force) return;
    if (fifty_move_claim(pos)) {
        send("%s", FIFTY_MOVE_LINE);
        return;
    }
    if (was_pondering && answer_from_ponder(pos, move, now)) return;
    play_for_side_to_move();
}

bool xboard_command(char* line) { return dispatch(line); }

void xboard_begin() {
    xb = XboardState{};
    xb.multipv = 1;
    game.analysing = false;
    game.may_resign = true;
    front_end = FrontEnd{xboard_poll, xboard_progress, nullptr};
}

void xboard_loop() {
    char line[LINE_SIZE];
    // XBoard interrupts its engines with SIGINT when it sends a move unless they declare
    // otherwise; the default action would end the engine. Waiting input already stops a
    // search, so the signal itself is not needed.
    std::signal(SIGINT, SIG_IGN);
    send("\n");
    xboard_begin();
    // The end of input ends the dialogue like "quit": a GUI that has gone away is not
    // waited for.
    while (!output_closed()) {
        if (xb.analysis_due && !input_pending()) {
            xboard_analyse();
            continue;
        }
        if (!read_line(line, sizeof line) || !dispatch(line)) break;
    }
    front_end = FrontEnd{};
}
