// UCI search control: "go" and its limits, the lines that arrive while the engine
// searches ("isready", "stop", "ponderhit", "quit"), and the progress lines.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "board/history.h"
#include "game/game.h"
#include "game/think.h"
#include "movegen/movegen.h"
#include "movegen/perft.h"
#include "protocol/results.h"
#include "protocol/uci.h"
#include "protocol/uci_internal.h"
#include "search/quiesce.h"
#include "search/report.h"
#include "search/root.h"
#include "search/tables.h"
#include "search/timeman.h"
#include "io/input.h"
#include "movegen/notation.h"
#include "io/output.h"
#include "io/platform.h"

namespace {

// Longer clock values (about eleven days) are taken as this, so that no product overflows.
constexpr int64_t MAX_CLOCK_MS = 1000000000;

// The "go" being served.
struct SearchSession {
    bool hold;                // infinite or ponder: the answer waits for "stop" or "ponderhit"
    bool infinite;            // "go infinite": only "stop" releases the answer
    bool ponder;              // a ponder search that "ponderhit" has not yet confirmed
    bool hit;                 // a ponder search that "ponderhit" has confirmed
    bool open_after_hit;      // nothing limits the search once "ponderhit" has come
    bool stop;                // "stop", "quit" or the end of input has arrived
    bool quit;                // leave the dialogue once the search has answered
    char line[UCI_LINE_SIZE]; // a line read while the search runs or waits to answer
};
SearchSession session;

void end_session() {
    session.quit = session.stop = true;
    session.hold = false;
}

// "ponderhit": the interface's clock runs from now, so the allotment starts afresh.
void confirm_ponder() {
    session.ponder = false;
    session.hit = true;
    restart_clock_after_ponder_hit();
    search_state.limits.untimed = session.infinite || session.open_after_hit;
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

// The node poll: reads what has arrived without waiting for more.
bool poll_during_search() {
    if (output_closed()) end_session();
    while (!session.stop && stream_pending()) {
        if (!read_stream_line(session.line, UCI_LINE_SIZE)) {
            end_session();
            break;
        }
        handle_search_line(session.line);
    }
    return session.stop;
}

// Before an infinite or ponder search answers: wait for "stop" or "ponderhit".
void hold_decision() {
    while (session.hold && !session.stop) {
        if (!read_stream_line(session.line, UCI_LINE_SIZE) || output_closed()) {
            end_session();
            break;
        }
        handle_search_line(session.line);
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
    *value = std::clamp<int64_t>(std::strtoll(word, nullptr, 10), -MAX_CLOCK_MS, MAX_CLOCK_MS);
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
        if (move != MOVE_NONE)
            search_state.limits.root_only[search_state.limits.root_count++] = move;
    }
}

// A result line is no UCI: interfaces take it as an "info string".
void say_result(const char* line) {
    send("info string %.*s\n", static_cast<int>(std::strlen(line)) - 1, line);
}

// "bestmove" for the decision, then the result when the move ends the game. The interface
// owns the position and sends the engine's move back with its next "position", so the move
// is taken back once it has been announced.
void announce(const Decision& d, Position& pos) {
    switch (d.verdict) {
    case Verdict::SILENT: return;
    case Verdict::RESIGN: send("bestmove 0000\n"); return;
    case Verdict::GAME_OVER:
        if (d.end != GameEnd::MATE) say_result(end_after_move_line(d.end, 0));
        send("bestmove 0000\n");
        return;
    case Verdict::PLAY: break;
    }
    char text[6], reply[6];
    move_to_game_text(game.position, d.move, CastlingStyle::KING_TAKES_ROOK, text);
    if (uci_options.ponder && d.ponder_move != MOVE_NONE) {
        move_to_game_text(game.position, d.ponder_move, CastlingStyle::KING_TAKES_ROOK, reply);
        send("bestmove %s ponder %s\n", text, reply);
    } else {
        send("bestmove %s\n", text);
    }
    // The result concerns the position after the move, so it follows the move: an
    // interface that reads it as a claim judges it on that position.
    if (d.end != GameEnd::NONE) say_result(end_after_move_line(d.end, static_cast<int>(pos.side)));
    take_back(pos, 1);
}

} // namespace

bool is_number(const char* word) {
    if (*word == '-' || *word == '+') ++word;
    if (!*word) return false;
    for (; *word; ++word)
        if (*word < '0' || *word > '9') return false;
    return true;
}

void uci_progress(const Progress& p) {
    LineText line;
    line.add("info depth %d seldepth %d multipv %d ", p.depth, p.seldepth, p.line);
    if (const int mate = mate_in_moves(p.score))
        line.add("score mate %d ", mate);
    else
        line.add("score cp %d ", p.score);
    const uint64_t nps = static_cast<uint64_t>(p.nodes) * 1000 / (p.elapsed_ms ? p.elapsed_ms : 1);
    line.add("nodes %u nps %llu hashfull %d time %u pv", p.nodes,
             static_cast<unsigned long long>(nps), hash_permille(), p.elapsed_ms);
    char text[6];
    for (int i = 0; p.pv[i]; ++i) {
        move_to_game_text(game.position, p.pv[i], CastlingStyle::KING_TAKES_ROOK, text);
        line.add(" %s", text);
    }
    send("%s\n", line.text);
}

void uci_install_hooks() {
    front_end = FrontEnd{poll_during_search, uci_progress, hold_decision};
    game.may_resign = false;
}

// "go perft N": the leaves below each root move, then their sum, as testers' scripts read
// them. The count is not interrupted; N is kept to the console's range.
void go_perft(char* cursor) {
    int64_t depth = 1;
    take_number(cursor, &depth);
    static ScoredMove area[MAX_PERFT_DEPTH * MAX_MOVES];
    static DivideEntry root[MAX_MOVES];
    const int n =
        perft_divide(game.position,
                     static_cast<int>(std::clamp<int64_t>(depth, 1, MAX_PERFT_DEPTH)), area, root);
    uint64_t total = 0;
    char text[6];
    for (int i = 0; i < n; ++i) {
        move_to_game_text(game.position, root[i].move, CastlingStyle::KING_TAKES_ROOK, text);
        send("%s: %llu\n", text, static_cast<unsigned long long>(root[i].leaves));
        total += root[i].leaves;
    }
    send("\nNodes searched: %llu\n", static_cast<unsigned long long>(total));
}

bool uci_go(char* args) {
    char* first = args + std::strspn(args, " \t");
    if (!std::strncmp(first, "perft", 5) && (!first[5] || first[5] == ' ' || first[5] == '\t')) {
        go_perft(first + 5);
        return true;
    }
    GoRequest g{};
    parse_go(args, g);
    Position& pos = game.position;
    const int us = static_cast<int>(pos.side);

    // A result line of an earlier search must not keep this one from answering.
    game.state.result = RESULT_NONE;
    game.state.pondering = false;
    search_state.ponder_move = MOVE_NONE;

    session = SearchSession{};
    session.infinite = g.infinite;
    session.ponder = g.ponder;
    session.hold = g.infinite || g.ponder;
    search_state.limits = SearchLimits{};
    search_state.limits.multipv = uci_options.multipv;
    clear_engine_clock();
    if (g.has_time[us]) set_uci_clock(g.time[us], g.inc[us], g.moves_to_go);
    if (g.has_depth)
        search_state.limits.depth = static_cast<int>(std::clamp<int64_t>(g.depth, 1, MAX_PLY - 1));
    if (g.has_nodes)
        search_state.limits.nodes =
            static_cast<uint32_t>(std::clamp<int64_t>(g.nodes, 1, UINT32_MAX));
    if (g.has_movetime)
        search_state.limits.movetime_ms =
            static_cast<int32_t>(std::clamp<int64_t>(g.movetime, 1, MAX_CLOCK_MS));
    if (g.has_mate)
        search_state.limits.mate_moves =
            static_cast<int>(std::clamp<int64_t>(g.mate, 1, MAX_PLY / 2));
    restrict_root(pos, g);
    // Without a clock or a fixed time the search runs to its depth or node limit, or
    // until "stop".
    session.open_after_hit = !g.has_time[us] && !g.has_movetime;
    search_state.limits.untimed = g.infinite || g.ponder || session.open_after_hit;

    if (fifty_move_claim(pos)) say_result(FIFTY_MOVE_LINE);
    if (at_ply_limit(pos) || no_legal_move(pos)) {
        if (at_ply_limit(pos)) uci_say("the game is longer than the engine can follow");
        hold_decision();
        send("bestmove 0000\n");
    } else {
        announce(think(pos), pos);
    }
    search_state.limits = SearchLimits{};
    clear_engine_clock();
    session.hold = session.ponder = false;
    return !session.quit;
}
