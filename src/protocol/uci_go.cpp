// UCI search control: "go" and its limits, the lines that arrive while the engine
// searches ("isready", "stop", "ponderhit", "quit"), and the progress lines.
#include <cstdlib>
#include <cstring>

#include "game/results.h"
#include "game/think.h"
#include "movegen/movegen.h"
#include "protocol/uci.h"
#include "protocol/uci_internal.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/root.h"
#include "shell/input.h"
#include "shell/notation.h"
#include "shell/output.h"
#include "shell/platform.h"

namespace {

// Longer clock values (about eleven days) are taken as this, so that no product overflows.
constexpr int64_t MAX_CLOCK_MS = 1000000000;

char search_line[UCI_LINE_SIZE]; // a line read while a search runs or waits to answer

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

bool is_number(const char* word) {
    if (*word == '-' || *word == '+') ++word;
    if (!*word) return false;
    for (; *word; ++word)
        if (*word < '0' || *word > '9') return false;
    return true;
}

int64_t clamp64(int64_t v, int64_t lo, int64_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

void end_session() {
    session.quit = session.stop = true;
    session.hold = false;
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
    if (first_word_is(text, "isready", UCI_WORDS)) {
        send("readyok\n");
    } else if (first_word_is(text, "stop", UCI_WORDS)) {
        session.stop = true;
        session.hold = false;
    } else if (first_word_is(text, "ponderhit", UCI_WORDS)) {
        if (session.ponder) confirm_ponder();
    } else if (first_word_is(text, "quit", UCI_WORDS)) {
        end_session();
    } else {
        char copy[64];
        std::strncpy(copy, text, sizeof copy - 1);
        copy[sizeof copy - 1] = '\0';
        char* cursor = copy;
        if (next_word(cursor, UCI_WORDS) && !keep_line(text))
            uci_say("input dropped: too many lines during the search");
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
    if (output_closed()) end_session();
    while (!session.stop && stream_pending()) {
        if (!read_stream_line(search_line, UCI_LINE_SIZE)) {
            end_session();
            break;
        }
        handle_search_line(search_line);
    }
    return session.stop || past_hard_limit();
}

// Before an infinite or ponder search answers: wait for "stop" or "ponderhit".
void hold_decision() {
    while (session.hold && !session.stop) {
        if (!read_stream_line(search_line, UCI_LINE_SIZE) || output_closed()) {
            end_session();
            break;
        }
        handle_search_line(search_line);
    }
}

struct GoRequest {
    int64_t time[2], inc[2];
    bool has_time[2];
    int64_t moves_to_go, depth, nodes, movetime, mate;
    bool has_depth, has_nodes, has_movetime, has_mate;
    bool infinite, ponder;
    int search_count;
    char* search_words[MAX_MOVES];
};

// The number after a keyword; a missing or malformed one leaves the value alone and the
// word in place (it may be the next keyword).
bool take_number(char*& cursor, int64_t* value) {
    char* before = cursor;
    char* word = next_word(cursor, UCI_WORDS);
    if (!word || !is_number(word)) {
        cursor = before;
        return false;
    }
    *value = clamp64(std::strtoll(word, nullptr, 10), -MAX_CLOCK_MS, MAX_CLOCK_MS);
    return true;
}

bool is_go_keyword(const char* word) {
    static const char* const KEYWORDS[] = {"infinite", "ponder",   "wtime",     "btime",
                                           "winc",     "binc",     "movestogo", "depth",
                                           "nodes",    "movetime", "mate",      "searchmoves"};
    for (const char* k : KEYWORDS)
        if (!std::strcmp(word, k)) return true;
    return false;
}

void parse_go(char* args, GoRequest& g) {
    char* cursor = args;
    bool in_searchmoves = false;
    while (char* word = next_word(cursor, UCI_WORDS)) {
        if (in_searchmoves && !is_go_keyword(word)) {
            if (g.search_count < MAX_MOVES) g.search_words[g.search_count++] = word;
            continue;
        }
        in_searchmoves = false;
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
        else if (!std::strcmp(word, "mate"))
            g.has_mate |= take_number(cursor, &g.mate);
        else if (!std::strcmp(word, "searchmoves"))
            in_searchmoves = true;
        // Anything else (unknown words) is not used.
    }
}

// The legal moves among the words after "searchmoves"; words that name none are left out.
void restrict_root(Position& pos, const GoRequest& g) {
    for (int i = 0; i < g.search_count; ++i) {
        char* word = g.search_words[i];
        for (char* c = word; *c; ++c)
            if (*c >= 'A' && *c <= 'Z') *c = static_cast<char>(*c - 'A' + 'a');
        const Move move = parse_move(pos, word);
        if (move != MOVE_NONE) search_limits.root_only[search_limits.root_count++] = move;
    }
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

void uci_progress(const Progress& p) {
    LineText line;
    line.add("info depth %d ", p.depth);
    if (const int mate = mate_in_moves(p.score))
        line.add("score mate %d ", mate);
    else
        line.add("score cp %d ", p.score);
    const uint64_t nps = static_cast<uint64_t>(p.nodes) * 1000 / (p.elapsed_ms ? p.elapsed_ms : 1);
    line.add("nodes %u nps %llu time %u pv", p.nodes, static_cast<unsigned long long>(nps),
             p.elapsed_ms);
    char text[6];
    for (int i = 0; p.pv[i]; ++i) {
        move_to_full_text(p.pv[i], text);
        line.add(" %s", text);
    }
    send("%s\n", line.text);
}

void uci_install_hooks() {
    poll_hook = poll_during_search;
    decision_hold_hook = hold_decision;
    progress_hook = uci_progress;
    interface_owns_position = true;
}

bool uci_go(char* args) {
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
    if (g.has_mate) search_limits.mate_moves = static_cast<int>(clamp64(g.mate, 1, MAX_PLY / 2));
    restrict_root(pos, g);
    // Without a clock or a fixed time the search runs to its depth or node limit, or
    // until "stop".
    session.open_after_hit = !clock_given && !g.has_movetime;
    search_limits.untimed = g.infinite || g.ponder || session.open_after_hit;

    if (pos.fifty > 100) send("%s", FIFTY_MOVE_LINE);
    if (pos.ply >= static_cast<uint32_t>(GAME_PLY_LIMIT) || no_legal_move(pos)) {
        if (pos.ply >= static_cast<uint32_t>(GAME_PLY_LIMIT))
            uci_say("the game is longer than the engine can follow");
        hold_decision();
        send("bestmove 0000\n");
    } else {
        think(pos);
    }
    search_limits = SearchLimits{};
    clock_given = false;
    session.hold = session.ponder = false;
    return !session.quit;
}
