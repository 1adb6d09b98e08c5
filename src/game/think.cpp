#include "game/think.h"

#include "board/history.h"
#include "board/make_move.h"
#include "game/book.h"
#include "game/results.h"
#include "movegen/movegen.h"
#include "search/quiesce.h"
#include "search/front_end.h"
#include "search/root.h"
#include "search/timeman.h"
#include "shell/board_print.h"
#include "io/input.h"
#include "movegen/notation.h"
#include "io/output.h"
#include "io/platform.h"
#include "game/settings.h"

int32_t game_result;
uint8_t pondering;
uint8_t ponder_saw_mate;
Move pondered_move;
uint32_t ponder_start_ms;
int32_t moves_out_of_book;
bool analysing = false;
bool decision_cancelled = false;
bool interface_owns_position = false;
bool announce_ponder_move = false;

namespace {

constexpr int32_t HOPELESS = -999940;
// Thinking on the opponent's time ends with the opponent's move, not with the clock.
constexpr int32_t PONDER_ALLOTMENT_MS = 10000000;

void print_result_at_think(const Position& pos) {
    if (game_result == RESULT_FIFTY)
        send("%s", FIFTY_MOVE_LINE);
    else if (game_result == RESULT_STALEMATE)
        send("%s", STALEMATE_LINE);
    else if (protocol_mode == MODE_UCI)
        send("bestmove 0000\n");
    else
        send("%s", LOSE_LINE[pos.side]);
}

} // namespace

void think(Position& pos) {
    begin_search();
    pv_table[0][0] = pv_table[0][1] = MOVE_NONE;
    decision_cancelled = false;
    const bool playing = !pondering && !analysing;

    // A game longer than the history can hold is treated as drawn.
    if (pos.ply >= GAME_PLY_LIMIT && game_result == RESULT_NONE) game_result = RESULT_FIFTY;

    Move move = MOVE_NONE;
    int32_t score = -SCORE_MATE;
    bool from_book = false;
    if (playing) {
        if (!book_loaded) {
            book_loaded = 1;
            load_book(static_cast<int>(pos.side));
        }
        ScoredMove pair{};
        if (use_book && probe_book(pos, pair) && use_book) {
            move = pair.move;
            score = 0;
            from_book = true;
        }
    }
    if (!from_book) {
        SearchLimits& limits = search_state.limits;
        const bool saved_no_early_stop = limits.no_early_stop;
        // Thinking on the opponent's time ends with the opponent's move only.
        if (pondering) limits.no_early_stop = true;
        // A fixed time per move, where a front end asked for one, replaces the allotment.
        search_state.allotment_ms = pondering                ? PONDER_ALLOTMENT_MS
                                    : limits.movetime_ms > 0 ? limits.movetime_ms
                                                             : allot_time(pos);
        search_state.status = STATUS_RUNNING;
        const RootResult found = root_search(pos);
        search_state.status = STATUS_IDLE;
        limits.no_early_stop = saved_no_early_stop;
        move = found.best_move;
        score = found.best_score;
        // No move at all: mate leaves the hopeless score, stalemate is a result.
        if (found.legal_moves == 0 && !pos.checkers) game_result = RESULT_STALEMATE;
    }
    if (!playing) {
        if (pondering && score < HOPELESS) ponder_saw_mate = 1;
        return;
    }
    if (front_end.hold_decision) front_end.hold_decision();
    if (decision_cancelled) return;

    char text[6] = "     ";
    move_to_text(move, text);
    if (game_result != RESULT_NONE) {
        print_result_at_think(pos);
        return;
    }
    // A UCI interface has no resignation: a lost position is still played out.
    if (move == MOVE_NONE || (score < HOPELESS && protocol_mode != MODE_UCI)) {
        send(protocol_mode == MODE_UCI ? "bestmove 0000\n" : "resign\n");
        return;
    }
    if (from_book)
        record_book_move(pos.ply, text);
    else
        ++moves_out_of_book;
    Undo undo;
    make_move(pos, move, undo);
    announce_move(pos, move, text);
    if (interface_owns_position) unmake_move(pos, move, undo);
}

void announce_move(Position& pos, Move move, char* text) {
    move_to_full_text(move, text);
    if (protocol_mode != MODE_UCI) {
        send("move %s\n", text);
    } else if (announce_ponder_move && search_state.ponder_move != MOVE_NONE &&
               is_legal_move(pos, search_state.ponder_move)) {
        char reply[6];
        move_to_full_text(search_state.ponder_move, reply);
        send("bestmove %s ponder %s\n", text, reply);
    } else {
        send("bestmove %s\n", text);
    }
    if (is_repetition(pos, 0)) {
        send("%s", REPETITION_LINE);
        return;
    }
    if (pos.fifty >= 100) {
        game_result = RESULT_FIFTY;
        send("%s", FIFTY_MOVE_LINE);
        return;
    }
    if (no_legal_move(pos)) {
        game_result = pos.checkers ? RESULT_MATE : RESULT_STALEMATE;
        send("%s", game_result == RESULT_MATE ? MATES_LINE[pos.side] : STALEMATE_LINE);
        return;
    }
    if (protocol_mode == MODE_CONSOLE) print_board(pos, 0);
    if (ponder_enabled && !use_book && !interface_owns_position) start_pondering(pos);
}

void start_pondering(Position& pos) {
    pondering = 1;
    ponder_start_ms = tick_ms();
    pondered_move = MOVE_NONE;
    if (input_pending() || pos.ply >= GAME_PLY_LIMIT || no_legal_move(pos)) {
        pondering = 0;
        return;
    }
    if (!is_legal_move(pos, search_state.ponder_move) || pos.ply + 1 >= GAME_PLY_LIMIT) {
        // No expected reply: think on the opponent's position itself. Its table entries
        // serve the search that follows the opponent's move.
        think(pos);
        return;
    }
    pondered_move = search_state.ponder_move;
    Undo undo;
    make_move(pos, pondered_move, undo);
    think(pos);
    unmake_move(pos, pondered_move, undo);
}
