#include "game/think.h"

#include "board/history.h"
#include "board/make_move.h"
#include "game/book.h"
#include "game/game.h"
#include "game/polyglot_book.h"
#include "io/input.h"
#include "io/platform.h"
#include "movegen/notation.h"
#include "movegen/movegen.h"
#include "search/front_end.h"
#include "search/quiesce.h"
#include "search/root.h"
#include "search/timeman.h"

namespace {

constexpr int32_t HOPELESS = -999940;
// Thinking on the opponent's time ends with the opponent's move, not with the clock.
constexpr int32_t PONDER_ALLOTMENT_MS = 10000000;

GameEnd end_of_result(int32_t result) {
    return result == RESULT_FIFTY       ? GameEnd::FIFTY
           : result == RESULT_STALEMATE ? GameEnd::STALEMATE
                                        : GameEnd::MATE;
}

} // namespace

Decision think(Position& pos) {
    GameState& g = game.state;
    begin_search();
    search_state.pv[0][0] = search_state.pv[0][1] = MOVE_NONE;
    game.cancelled = false;
    const bool playing = !g.pondering && !game.analysing;

    // A game longer than the history can hold is treated as drawn.
    if (at_ply_limit(pos) && g.result == RESULT_NONE) g.result = RESULT_FIFTY;

    Move move = MOVE_NONE;
    int32_t score = -SCORE_MATE;
    bool from_book = false;
    if (playing) {
        // A book file named by the BookFile option takes the place of the .obk books.
        const bool polyglot = book_file_named();
        if (!g.book.loaded) {
            g.book.loaded = 1;
            if (!polyglot) load_book(g.book, static_cast<int>(pos.side));
        }
        ScoredMove pair{};
        if (g.book.in_use &&
            (polyglot ? probe_polyglot_book(g.book, pos, pair) : probe_book(g.book, pos, pair)) &&
            g.book.in_use) {
            move = pair.move;
            score = 0;
            from_book = true;
        }
    }
    if (!from_book) {
        SearchLimits& limits = search_state.limits;
        const bool saved_no_early_stop = limits.no_early_stop;
        // Thinking on the opponent's time ends with the opponent's move only.
        if (g.pondering) limits.no_early_stop = true;
        // Moves to the next time control count from the set-up: the interface's clock
        // knows nothing of a FEN's move number.
        search_state.time_plan = g.pondering ? TimePlan{PONDER_ALLOTMENT_MS, 0, false, false}
                                             : plan_time(search_state.clock, limits.movetime_ms,
                                                         plies_since_setup(pos) / 2);
        search_state.status = STATUS_RUNNING;
        const RootResult found = root_search(pos);
        search_state.status = STATUS_IDLE;
        limits.no_early_stop = saved_no_early_stop;
        move = found.best_move;
        score = found.best_score;
        // No move at all: mate leaves the hopeless score, stalemate is a result.
        if (found.legal_moves == 0 && !pos.checkers) g.result = RESULT_STALEMATE;
    }
    Decision d{Verdict::SILENT, GameEnd::NONE, move, MOVE_NONE, score, from_book, false};
    if (!playing) {
        if (g.pondering && score < HOPELESS) game.ponder_saw_mate = true;
        return d;
    }
    if (front_end.hold_decision) front_end.hold_decision();
    if (game.cancelled) return d;

    if (g.result != RESULT_NONE) {
        d.verdict = Verdict::GAME_OVER;
        d.end = end_of_result(g.result);
        return d;
    }
    if (move == MOVE_NONE || (score < HOPELESS && game.may_resign)) {
        d.verdict = Verdict::RESIGN;
        return d;
    }
    if (from_book) {
        char text[6];
        move_to_text(move, text);
        record_book_move(g.book, pos.ply, text);
    } else {
        ++g.moves_out_of_book;
    }
    return play_decided_move(pos, move, score, from_book);
}

Decision play_decided_move(Position& pos, Move move, int32_t score, bool from_book) {
    GameState& g = game.state;
    Undo undo;
    make_move(pos, move, undo);
    Decision d{Verdict::PLAY, GameEnd::NONE, move, MOVE_NONE, score, from_book, false};
    if (search_state.ponder_move != MOVE_NONE && is_legal_move(pos, search_state.ponder_move))
        d.ponder_move = search_state.ponder_move;
    // A mate ends the game even on the move that reaches the fiftieth without a capture or
    // a pawn move.
    const bool no_reply = no_legal_move(pos);
    if (no_reply && pos.checkers) {
        g.result = RESULT_MATE;
        d.end = GameEnd::MATE;
    } else if (is_repetition(pos, 0)) {
        d.end = GameEnd::REPETITION;
    } else if (pos.fifty >= 100) {
        g.result = RESULT_FIFTY;
        d.end = GameEnd::FIFTY;
    } else if (no_reply) {
        g.result = RESULT_STALEMATE;
        d.end = GameEnd::STALEMATE;
    } else {
        d.ponder_next = g.ponder_enabled && !g.book.in_use;
    }
    return d;
}

void start_pondering(Position& pos) {
    GameState& g = game.state;
    g.pondering = true;
    g.ponder_start_ms = tick_ms();
    g.pondered_move = MOVE_NONE;
    if (input_pending() || at_ply_limit(pos) || no_legal_move(pos)) {
        g.pondering = false;
        return;
    }
    if (!is_legal_move(pos, search_state.ponder_move) ||
        plies_since_setup(pos) + 1 >= static_cast<uint32_t>(GAME_PLY_LIMIT)) {
        // No expected reply: think on the opponent's position itself. Its table entries
        // serve the search that follows the opponent's move.
        think(pos);
        return;
    }
    g.pondered_move = search_state.ponder_move;
    Undo undo;
    make_move(pos, g.pondered_move, undo);
    think(pos);
    unmake_move(pos, g.pondered_move, undo);
}
