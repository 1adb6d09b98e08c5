#include "game/think.h"

#include <cstdio>

#include "board/history.h"
#include "board/make_move.h"
#include "game/book.h"
#include "movegen/movegen.h"
#include "search/quiesce.h"
#include "search/root.h"
#include "shell/board_print.h"
#include "shell/input.h"
#include "shell/notation.h"
#include "shell/platform.h"
#include "shell/settings.h"

int32_t game_result;
uint8_t pondering;
uint8_t ponder_saw_mate;
Move pondered_move;
uint32_t ponder_start_ms;
int32_t moves_out_of_book;
void (*decision_hold_hook)() = nullptr;
bool announce_ponder_move = false;

namespace {

constexpr int32_t HOPELESS = -999940;

void flush_unless_console() {
    if (protocol_mode != MODE_CONSOLE) std::fflush(stdout);
}

void print_result_at_think(const Position& pos) {
    if (game_result == RESULT_FIFTY)
        std::printf("1/2-1/2 {Kelvorante saw Draw by 50 move rule}\n");
    else if (game_result == RESULT_STALEMATE)
        std::printf("1/2-1/2 {Kelvorante saw Stalemate}\n");
    else if (protocol_mode == MODE_UCI)
        std::printf("bestmove 0000\n");
    else if (pos.side == WHITE)
        std::printf("0-1 {Kelvorante lose}\n");
    else
        std::printf("1-0 {Kelvorante lose}\n");
    flush_unless_console();
}

} // namespace

void think(Position& pos) {
    node_count = 0;
    poll_counter = 0;
    pv_table[0][0] = pv_table[0][1] = MOVE_NONE;

    // A game longer than the history can hold is treated as drawn.
    if (pos.ply >= GAME_PLY_LIMIT && game_result == RESULT_NONE) game_result = RESULT_FIFTY;

    if (!book_loaded) {
        book_loaded = 1;
        load_book(static_cast<int>(pos.side));
    }
    bool from_book = false;
    if (use_book) {
        ScoredMove pair{};
        if (probe_book(pos, pair) && use_book) {
            best_move = pair.move;
            best_score = 0;
            from_book = true;
        }
    }
    if (!from_book) {
        best_move = MOVE_NONE;
        best_score = -SCORE_MATE;
        // A fixed time per move, where a front end asked for one, replaces the allotment.
        time_for_move_ms =
            search_limits.movetime_ms > 0 ? search_limits.movetime_ms : allot_time(pos);
        search_start_ms = tick_ms();
        search_status = STATUS_RUNNING;
        root_search(pos);
        search_status = STATUS_IDLE;
    }
    if (decision_hold_hook && !pondering) decision_hold_hook();

    char text[6] = "     ";
    move_to_text(best_move, text);
    if (pondering) {
        if (best_score < HOPELESS) ponder_saw_mate = 1;
        return;
    }
    if (game_result != RESULT_NONE) {
        print_result_at_think(pos);
        return;
    }
    // A UCI interface has no resignation: a lost position is still played out.
    if (best_move == MOVE_NONE || (best_score < HOPELESS && protocol_mode != MODE_UCI)) {
        std::printf(protocol_mode == MODE_UCI ? "bestmove 0000\n" : "resign\n");
        flush_unless_console();
        return;
    }
    if (from_book)
        record_book_move(pos.ply, text);
    else
        ++moves_out_of_book;
    Undo undo;
    make_move(pos, best_move, undo);
    announce_move(pos, best_move, text);
}

void announce_move(Position& pos, Move move, char* text) {
    if (char c = promotion_letter(move)) {
        text[4] = c;
        text[5] = '\0';
    }
    if (protocol_mode != MODE_UCI) {
        std::printf("move %s\n", text);
    } else if (announce_ponder_move && ponder_move != MOVE_NONE &&
               is_legal_move(pos, ponder_move)) {
        char reply[6] = "     ";
        move_to_text(ponder_move, reply);
        if (char c = promotion_letter(ponder_move)) {
            reply[4] = c;
            reply[5] = '\0';
        }
        std::printf("bestmove %s ponder %s\n", text, reply);
    } else {
        std::printf("bestmove %s\n", text);
    }
    bool over = true;
    if (is_repetition(pos, 0)) {
        std::printf("1/2-1/2 {Kelvorante saw Draw by repetition}\n");
    } else if (pos.fifty >= 100) {
        game_result = RESULT_FIFTY;
        std::printf("1/2-1/2 {Kelvorante saw Draw by 50 move rule}\n");
    } else if (no_legal_move(pos, &game_result)) {
        if (game_result == RESULT_MATE)
            std::printf(pos.side == WHITE ? "0-1 {Kelvorante mates}\n"
                                          : "1-0 {Kelvorante mates}\n");
        else
            std::printf("1/2-1/2 {Kelvorante saw Stalemate}\n");
    } else {
        over = false;
    }
    if (over) {
        flush_unless_console();
        return;
    }
    if (protocol_mode == MODE_CONSOLE)
        print_board(pos, 0);
    else
        std::fflush(stdout);
    if (ponder_enabled && !use_book) start_pondering(pos);
}

void start_pondering(Position& pos) {
    pondering = 1;
    ponder_start_ms = tick_ms();
    if (input_pending() || !is_legal_move(pos, ponder_move) || pos.ply >= GAME_PLY_LIMIT) {
        pondering = 0;
        return;
    }
    pondered_move = ponder_move;
    Undo undo;
    make_move(pos, pondered_move, undo);
    think(pos);
    unmake_move(pos, pondered_move, undo);
}
