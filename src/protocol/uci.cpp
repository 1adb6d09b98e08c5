#include "protocol/uci.h"

#include <cctype>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/history.h"
#include "board/make_move.h"
#include "game/book.h"
#include "game/new_game.h"
#include "game/think.h"
#include "movegen/movegen.h"
#include "search/quiesce.h"
#include "search/root.h"
#include "shell/input.h"
#include "shell/notation.h"
#include "shell/platform.h"
#include "shell/settings.h"

namespace {

// One "position" line carries the whole game: 2,000 plies take about 10,000 characters.
constexpr size_t LINE_SIZE = 65536;
// Lines that arrive during a search and wait for its end, one after another.
constexpr size_t DEFERRED_SIZE = 2 * LINE_SIZE;
// Six FEN fields joined by single spaces take at most 95 characters.
constexpr size_t FEN_SIZE = 128;
constexpr size_t OPTION_TEXT_SIZE = 64;
// A move list that leaves the engine's game only in its last plies (after a ponder miss,
// or a step back in an analysis interface) is followed by taking those plies back.
constexpr int MAX_TAKE_BACK = 2;
// Longer clock values (about eleven days) are taken as this, so that no product overflows.
constexpr int64_t MAX_CLOCK_MS = 1000000000;
constexpr int64_t DEFAULT_MOVES_PER_CONTROL = 30;
constexpr const char* START_BOARD = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR";
constexpr const char* FIFTY_MOVE_LINE = "1/2-1/2 {Kelvorante saw Draw by 50 move rule}\n";

char line[LINE_SIZE];         // the line the loop works on
char search_line[LINE_SIZE];  // a line read while a search runs or waits to answer
char deferred[DEFERRED_SIZE]; // lines kept for after the search, each ended by NUL
size_t deferred_used = 0;

char game_start[FEN_SIZE] = "startpos"; // how the engine's game began: "startpos" or a FEN
char saved_start[FEN_SIZE];
Move saved_moves[GAME_PLY_LIMIT];
char* move_words[LINE_SIZE / 2];
ScoredMove legal_list[MAX_MOVES];

bool own_book = true;       // the OwnBook option, applied at every new game
bool game_too_long = false; // why the last move list was refused

// The "go" being served.
struct SearchSession {
    bool hold;            // infinite or ponder: the answer waits for "stop" or "ponderhit"
    bool infinite;        // "go infinite": only "stop" releases the answer
    bool ponder;          // a ponder search that "ponderhit" has not yet confirmed
    bool hit;             // a ponder search that "ponderhit" has confirmed
    bool open_after_hit;  // nothing limits the search once "ponderhit" has come
    bool stop;            // "stop", "quit" or the end of input has arrived
    bool quit;            // leave the dialogue once the search has answered
    int64_t remaining_ms; // the side to move's clock, when the interface gave one
};
SearchSession session;

bool is_separator(char c) { return c == ' ' || c == '\t'; }

// The next word from cursor, terminated in place; nullptr at the end of the line.
char* next_word(char*& cursor) {
    while (is_separator(*cursor)) ++cursor;
    if (!*cursor) return nullptr;
    char* word = cursor;
    while (*cursor && !is_separator(*cursor)) ++cursor;
    if (*cursor) *cursor++ = '\0';
    return word;
}

// Looks at the first word without changing the text, which may still be kept whole.
bool first_word_is(const char* text, const char* word) {
    while (is_separator(*text)) ++text;
    const size_t n = std::strlen(word);
    return std::strncmp(text, word, n) == 0 && (text[n] == '\0' || is_separator(text[n]));
}

bool has_word(const char* text) {
    while (is_separator(*text)) ++text;
    return *text != '\0';
}

bool equal_ignoring_case(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b)
        if (std::tolower(static_cast<unsigned char>(*a)) !=
            std::tolower(static_cast<unsigned char>(*b)))
            return false;
    return *a == *b;
}

bool is_number(const char* word) {
    if (*word == '-' || *word == '+') ++word;
    if (!*word) return false;
    for (; *word; ++word)
        if (!std::isdigit(static_cast<unsigned char>(*word))) return false;
    return true;
}

int64_t clamp64(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

void say(const char* text, const char* detail = "") {
    // A garbage word may be very long: the message quotes only its start.
    std::printf("info string %s%.40s\n", text, detail);
    std::fflush(stdout);
}

bool refuse(const char* text, const char* detail = "") {
    say(text, detail);
    return false;
}

void print_identity() {
    std::printf("id name Kelvorante 2.3\n");
    std::printf("id author Tamsin Quorrelby\n");
    std::printf("option name OwnBook type check default true\n");
    std::printf("option name Ponder type check default false\n");
    std::printf("uciok\n");
    std::fflush(stdout);
}

// ---------------------------------------------------------------------------------------
// Positions and moves

// The book holds games from the start position only, and only while the option is on.
void apply_book_preference(bool from_start) {
    if (!own_book || !from_start) use_book = 0;
}

// A new game from "startpos" or a FEN the engine has accepted.
void set_up(const char* start) {
    const bool from_start = std::strcmp(start, "startpos") == 0;
    set_position(from_start ? start_fen : start);
    apply_book_preference(from_start);
    if (start != game_start) std::snprintf(game_start, sizeof game_start, "%s", start);
}

// Coordinate text: two squares and, for a promotion, the piece letter. Made lower case.
bool normalise_move_word(char* word) {
    const size_t n = std::strlen(word);
    if (n != 4 && n != 5) return false;
    for (size_t i = 0; i < n; ++i)
        word[i] = static_cast<char>(std::tolower(static_cast<unsigned char>(word[i])));
    if (text_to_square(word) < 0 || text_to_square(word + 2) < 0) return false;
    return n == 4 || std::strchr("qrbn", word[4]) != nullptr;
}

// Same squares and the same promotion letter (none for a four-character word).
bool move_matches(Move move, const char* word) {
    return move_from(move) == text_to_square(word) && move_to(move) == text_to_square(word + 2) &&
           promotion_letter(move) == word[4];
}

Move find_legal_move(Position& pos, const char* word) {
    ScoredMove* end = gen_legal(pos, legal_list);
    for (ScoredMove* m = legal_list; m != end; ++m)
        if (move_matches(m->move, word)) return m->move;
    return MOVE_NONE;
}

void make_game_move(Move move) {
    Undo undo;
    make_move(game_position, move, undo);
}

void take_back_last_move() {
    Position& pos = game_position;
    unmake_move(pos, game_history[pos.ply - 1].move, game_history[pos.ply].undo);
}

// Plays move_words[first, last) on the game. On a word that is no legal move it takes
// back what it played and returns that word's index; -1 when all were played.
int play_words(int first, int last) {
    for (int i = first; i < last; ++i) {
        game_too_long = game_position.ply >= static_cast<uint32_t>(GAME_PLY_LIMIT);
        const Move move = game_too_long ? MOVE_NONE : find_legal_move(game_position, move_words[i]);
        if (move == MOVE_NONE) {
            for (int k = i; k > first; --k) take_back_last_move();
            return i;
        }
        make_game_move(move);
    }
    return -1;
}

bool refuse_move(int index) {
    if (game_too_long)
        return refuse("position refused: the game is longer than the engine can follow");
    return refuse("position refused: illegal move ", move_words[index]);
}

// Enters the game's moves from first_ply on into the book's game line. Called only once a
// whole list has been accepted, so a refused list leaves no trace there.
void record_game_for_book(uint32_t first_ply) {
    for (uint32_t p = first_ply; p < game_position.ply && use_book; ++p) {
        char text[6];
        move_to_text(game_history[p].move, text);
        record_book_move(p, text);
    }
}

bool fen_board_ok(const char* board) {
    int rank = 0, file = 0;
    for (const char* c = board; *c; ++c) {
        if (*c == '/') {
            if (file != 8) return false;
            ++rank;
            file = 0;
            continue;
        }
        if (*c >= '1' && *c <= '8')
            file += *c - '0';
        else if (std::strchr("pnbrqkPNBRQK", *c))
            ++file;
        else
            return false;
        if (file > 8) return false;
    }
    return rank == 7 && file == 8;
}

// Placement and side are required; castling, en passant and the two counters may be
// missing (as in EPD), but what is there must be well formed.
bool fen_fields_ok(char** f, int n) {
    if (n < 2 || n > 6 || !fen_board_ok(f[0])) return false;
    if (std::strcmp(f[1], "w") && std::strcmp(f[1], "b")) return false;
    if (n > 2 && std::strcmp(f[2], "-")) {
        if (std::strlen(f[2]) > 4) return false;
        for (const char* c = f[2]; *c; ++c)
            if (!std::strchr("KQkq", *c) || std::strchr(c + 1, *c)) return false;
    }
    if (n > 3 && std::strcmp(f[3], "-")) {
        const char* ep = f[3];
        if (std::strlen(ep) != 2 || ep[0] < 'a' || ep[0] > 'h' || (ep[1] != '3' && ep[1] != '6'))
            return false;
    }
    for (int i = 4; i < n; ++i) {
        const size_t len = std::strlen(f[i]);
        if (len > 6 || !is_number(f[i]) || f[i][0] == '-' || f[i][0] == '+') return false;
    }
    return true;
}

// The standard start position written as a FEN is the start position: the book applies.
bool is_start_position(char** f, int n) {
    return n >= 3 && !std::strcmp(f[0], START_BOARD) && !std::strcmp(f[1], "w") &&
           !std::strcmp(f[2], "KQkq") && (n < 4 || !std::strcmp(f[3], "-")) &&
           (n < 5 || !std::strcmp(f[4], "0"));
}

// Brings the engine's game to start + move_words[0, count).
bool follow_game(const char* start, int count) {
    Position& pos = game_position;
    const int have = static_cast<int>(pos.ply - setup_ply);
    if (!std::strcmp(start, game_start)) {
        int common = 0;
        while (common < have && common < count &&
               move_matches(game_history[setup_ply + common].move, move_words[common]))
            ++common;
        const int back = have - common;
        if (back <= MAX_TAKE_BACK) {
            Move taken[MAX_TAKE_BACK];
            for (int i = 0; i < back; ++i) {
                taken[i] = game_history[pos.ply - 1].move;
                take_back_last_move();
            }
            const int bad = play_words(common, count);
            if (bad >= 0) {
                for (int i = back - 1; i >= 0; --i) make_game_move(taken[i]);
                return refuse_move(bad);
            }
            // The book only narrows: after a take-back it cannot follow the game again.
            if (back > 0) use_book = 0;
            record_game_for_book(setup_ply + static_cast<uint32_t>(common));
            return true;
        }
    }

    // A new game. The old one is kept so that a refused list can leave it in place.
    for (int i = 0; i < have; ++i) saved_moves[i] = game_history[setup_ply + i].move;
    std::snprintf(saved_start, sizeof saved_start, "%s", game_start);
    set_up(start);
    const int bad = play_words(0, count);
    if (bad >= 0) {
        set_up(saved_start);
        for (int i = 0; i < have; ++i) make_game_move(saved_moves[i]);
        record_game_for_book(setup_ply);
        return refuse_move(bad);
    }
    record_game_for_book(setup_ply);
    return true;
}

// ---------------------------------------------------------------------------------------
// Searching

void end_session() {
    session.quit = session.stop = true;
    session.hold = false;
}

void defer(const char* text) {
    const size_t n = std::strlen(text) + 1;
    if (deferred_used + n > DEFERRED_SIZE) {
        say("input dropped: too many lines during the search");
        return;
    }
    std::memcpy(deferred + deferred_used, text, n);
    deferred_used += n;
}

bool take_deferred(char* out) {
    if (deferred_used == 0) return false;
    const size_t n = std::strlen(deferred) + 1;
    std::memcpy(out, deferred, n);
    std::memmove(deferred, deferred + n, deferred_used - n);
    deferred_used -= n;
    return true;
}

// "ponderhit": the interface's clock runs from now, so the allotment starts afresh.
void confirm_ponder() {
    session.ponder = false;
    session.hit = true;
    search_start_ms = tick_ms();
    search_limits.untimed = session.infinite || session.open_after_hit;
    session.hold = session.infinite;
}

// A line that arrives while a search runs or waits to answer: the few that concern the
// search are acted on at once, everything else waits for the answer.
void handle_search_line(const char* text) {
    if (first_word_is(text, "isready")) {
        std::printf("readyok\n");
        std::fflush(stdout);
    } else if (first_word_is(text, "stop")) {
        session.stop = true;
        session.hold = false;
    } else if (first_word_is(text, "ponderhit")) {
        if (session.ponder) confirm_ponder();
    } else if (first_word_is(text, "quit")) {
        end_session();
    } else if (has_word(text)) {
        defer(text);
    }
}

// A search on the clock also stops, whatever its iterations would do, once it has used
// four times its allotment or half of the clock: a deep iteration begun shortly before
// the time ran out would otherwise lose on time. After a ponder hit the search has had
// the opponent's time already, and the iteration under way began long ago: one allotment.
bool past_hard_limit() {
    if (!clock_given || search_limits.untimed) return false;
    int64_t limit = (session.hit ? 1 : 4) * static_cast<int64_t>(time_for_move_ms);
    if (limit > session.remaining_ms / 2) limit = session.remaining_ms / 2;
    return static_cast<int64_t>(static_cast<uint32_t>(tick_ms() - search_start_ms)) >= limit;
}

// The node poll: reads what has arrived without waiting for more.
bool poll_during_search() {
    while (!session.stop && input_pending()) {
        if (!read_line(search_line, LINE_SIZE)) {
            end_session();
            break;
        }
        handle_search_line(search_line);
    }
    return session.stop || past_hard_limit();
}

// Before an infinite or ponder search answers: wait for "stop" or "ponderhit".
void hold_decision() {
    std::fflush(stdout);
    while (session.hold && !session.stop) {
        if (!read_line(search_line, LINE_SIZE)) {
            end_session();
            break;
        }
        handle_search_line(search_line);
    }
}

struct GoRequest {
    int64_t time[2], inc[2];
    bool has_time[2];
    int64_t moves_to_go, depth, nodes, movetime;
    bool has_depth, has_nodes, has_movetime;
    bool infinite, ponder;
};

// The number after a keyword; a missing or malformed one leaves the value alone and the
// word in place (it may be the next keyword).
bool take_number(char*& cursor, int64_t* value) {
    char* before = cursor;
    char* word = next_word(cursor);
    if (!word || !is_number(word)) {
        cursor = before;
        return false;
    }
    *value = clamp64(std::strtoll(word, nullptr, 10), -MAX_CLOCK_MS, MAX_CLOCK_MS);
    return true;
}

void parse_go(char* args, GoRequest& g) {
    char* cursor = args;
    while (char* word = next_word(cursor)) {
        if (!std::strcmp(word, "infinite"))
            g.infinite = true;
        else if (!std::strcmp(word, "ponder"))
            g.ponder = true;
        else if (!std::strcmp(word, "wtime"))
            g.has_time[WHITE] |= take_number(cursor, &g.time[WHITE]);
        else if (!std::strcmp(word, "btime"))
            g.has_time[BLACK] |= take_number(cursor, &g.time[BLACK]);
        else if (!std::strcmp(word, "winc"))
            take_number(cursor, &g.inc[WHITE]);
        else if (!std::strcmp(word, "binc"))
            take_number(cursor, &g.inc[BLACK]);
        else if (!std::strcmp(word, "movestogo"))
            take_number(cursor, &g.moves_to_go);
        else if (!std::strcmp(word, "depth"))
            g.has_depth |= take_number(cursor, &g.depth);
        else if (!std::strcmp(word, "nodes"))
            g.has_nodes |= take_number(cursor, &g.nodes);
        else if (!std::strcmp(word, "movetime"))
            g.has_movetime |= take_number(cursor, &g.movetime);
        // Anything else (searchmoves and its moves, mate, unknown words) is not used.
    }
}

void go(char* args) {
    GoRequest g{};
    parse_go(args, g);
    Position& pos = game_position;
    const int us = static_cast<int>(pos.side);

    // A result line of an earlier search must not keep this one from answering.
    game_result = RESULT_NONE;
    pondering = 0;
    ponder_move = MOVE_NONE;

    session = SearchSession{};
    session.infinite = g.infinite;
    session.ponder = g.ponder;
    session.hold = g.infinite || g.ponder;
    search_limits = SearchLimits{};
    clock_given = false;
    if (g.has_time[us]) {
        const ClockPlan plan = plan_clock(g.time[us], g.inc[us], g.moves_to_go);
        engine_clock_cs = plan.clock_cs;
        moves_per_control = plan.moves;
        time_control_kind = 0;
        clock_given = true;
        session.remaining_ms = clamp64(g.time[us], 0, MAX_CLOCK_MS);
    }
    if (g.has_depth) search_limits.depth = static_cast<int>(clamp64(g.depth, 1, MAX_PLY - 1));
    if (g.has_nodes) search_limits.nodes = static_cast<uint32_t>(clamp64(g.nodes, 1, UINT32_MAX));
    if (g.has_movetime)
        search_limits.movetime_ms = static_cast<int32_t>(clamp64(g.movetime, 1, MAX_CLOCK_MS));
    // Without a clock or a fixed time the search runs to its depth or node limit, or
    // until "stop".
    session.open_after_hit = !clock_given && !g.has_movetime;
    search_limits.untimed = g.infinite || g.ponder || session.open_after_hit;

    if (pos.fifty > 100) {
        std::printf("%s", FIFTY_MOVE_LINE);
        std::fflush(stdout);
    }
    if (pos.ply >= static_cast<uint32_t>(GAME_PLY_LIMIT) || no_legal_move(pos)) {
        if (pos.ply >= static_cast<uint32_t>(GAME_PLY_LIMIT))
            say("the game is longer than the engine can follow");
        hold_decision();
        std::printf("bestmove 0000\n");
    } else {
        think(pos);
    }
    std::fflush(stdout);
    search_limits = SearchLimits{};
    clock_given = false;
    session.hold = session.ponder = false;
}

// ---------------------------------------------------------------------------------------
// Options and the loop

bool append_word(char* out, size_t size, const char* word) {
    const size_t used = std::strlen(out), n = std::strlen(word);
    const size_t gap = used ? 1 : 0;
    if (used + gap + n + 1 > size) return false;
    if (gap) out[used] = ' ';
    std::memcpy(out + used + gap, word, n + 1);
    return true;
}

bool parse_check_value(const char* value, bool* on) {
    if (equal_ignoring_case(value, "true"))
        *on = true;
    else if (equal_ignoring_case(value, "false"))
        *on = false;
    else
        return false;
    return true;
}

// "setoption name <name> [value <value>]"; a name may have several words.
void set_option(char* args) {
    char* cursor = args;
    char* word = next_word(cursor);
    if (!word || !equal_ignoring_case(word, "name")) return;
    char name[OPTION_TEXT_SIZE] = "", value[OPTION_TEXT_SIZE] = "";
    bool in_value = false, fits = true;
    while ((word = next_word(cursor))) {
        if (!in_value && equal_ignoring_case(word, "value"))
            in_value = true;
        else
            fits = append_word(in_value ? value : name, OPTION_TEXT_SIZE, word) && fits;
    }
    if (!fits) return;
    const bool book = equal_ignoring_case(name, "OwnBook"),
               ponder = equal_ignoring_case(name, "Ponder");
    if (!book && !ponder) return; // Hash and options of other engines
    bool on = false;
    if (!parse_check_value(value, &on)) {
        say(book ? "OwnBook needs true or false, not: " : "Ponder needs true or false, not: ",
            value);
        return;
    }
    if (ponder) {
        announce_ponder_move = on;
    } else {
        // Switching the book on takes effect with the next game: the book cannot pick up a
        // game it has not followed from the start.
        own_book = on;
        if (!on) use_book = 0;
    }
}

// False when the dialogue ends.
bool dispatch(char* text) {
    const bool cut = std::strlen(text) >= LINE_SIZE - 1;
    char* cursor = text;
    const char* command = next_word(cursor);
    if (!command) return true;
    if (!std::strcmp(command, "quit")) return false;
    if (!std::strcmp(command, "isready")) {
        std::printf("readyok\n");
        std::fflush(stdout);
    } else if (!std::strcmp(command, "uci")) {
        print_identity();
    } else if (!std::strcmp(command, "setoption")) {
        set_option(cursor);
    } else if (!std::strcmp(command, "ucinewgame")) {
        uci_new_game();
    } else if (!std::strcmp(command, "position")) {
        // A cut line could end at a word boundary and silently lose the last moves.
        if (cut)
            say("position refused: the line is too long");
        else
            uci_position(cursor);
    } else if (!std::strcmp(command, "go")) {
        go(cursor);
        if (session.quit) return false;
    }
    // Anything else is ignored: "stop" and "ponderhit" with no search running, "debug",
    // "register", words of other dialects, garbage.
    return true;
}

} // namespace

ClockPlan plan_clock(int64_t remaining_ms, int64_t increment_ms, int64_t moves_to_go) {
    const int64_t r = clamp64(remaining_ms, 0, MAX_CLOCK_MS);
    const int64_t inc = clamp64(increment_ms, 0, MAX_CLOCK_MS);
    int64_t n = moves_to_go > 0 ? clamp64(moves_to_go, 1, 255) : DEFAULT_MOVES_PER_CONTROL;
    if (inc > 0 && r > 0) {
        // The increment comes back after every move, so a move may spend its share of the
        // clock plus the increment, but never more than half of what is left. The engine
        // divides its clock by the number of moves: a smaller number gives that budget
        // while the clock itself stays true for the last-second checks.
        int64_t budget = r / n + inc;
        if (budget > r / 2) budget = r / 2;
        if (budget < 1) budget = 1;
        n = clamp64((r + budget - 1) / budget, 1, 255);
    }
    return {static_cast<int32_t>(r / 10), static_cast<uint8_t>(n)};
}

void uci_new_game() { set_up("startpos"); }

bool uci_position(char* args) {
    char* cursor = args;
    char* word = next_word(cursor);
    char start[FEN_SIZE];
    if (word && !std::strcmp(word, "startpos")) {
        std::strcpy(start, "startpos");
        word = next_word(cursor);
    } else if (word && !std::strcmp(word, "fen")) {
        char* fields[6];
        int n = 0;
        while ((word = next_word(cursor)) && std::strcmp(word, "moves")) {
            if (n == 6) return refuse("position refused: malformed FEN");
            fields[n++] = word;
        }
        if (!fen_fields_ok(fields, n)) return refuse("position refused: malformed FEN");
        if (is_start_position(fields, n)) {
            std::strcpy(start, "startpos");
        } else {
            start[0] = '\0';
            for (int i = 0; i < n; ++i) append_word(start, sizeof start, fields[i]);
            if (!fen_is_playable(start))
                return refuse("position refused: the engine cannot play this FEN");
        }
    } else {
        return refuse("position refused: startpos or fen expected");
    }
    int count = 0;
    if (word) {
        if (std::strcmp(word, "moves")) return refuse("position refused: unexpected word ", word);
        while ((word = next_word(cursor))) {
            if (!normalise_move_word(word)) return refuse("position refused: illegal move ", word);
            move_words[count++] = word;
        }
    }
    return follow_game(start, count);
}

void uci_loop() {
    // An interface that goes away must end the engine quietly, not by a signal.
    std::signal(SIGPIPE, SIG_IGN);
    print_identity();
    moves_per_control = DEFAULT_MOVES_PER_CONTROL;
    time_control_kind = 0;
    uci_new_game();
    input_poll_hook = poll_during_search;
    decision_hold_hook = hold_decision;
    for (;;) {
        if (!take_deferred(line) && !read_line(line, LINE_SIZE)) break;
        if (!dispatch(line)) break;
    }
    input_poll_hook = nullptr;
    decision_hold_hook = nullptr;
}
