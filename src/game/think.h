// The think driver: book or search, play and announce the move, detect the end of the
// game, and think on the opponent's time.
#pragma once

#include <cstdint>

#include "board/position.h"

constexpr int32_t RESULT_NONE = 0;
constexpr int32_t RESULT_FIFTY = 2;
constexpr int32_t RESULT_STALEMATE = 4;
constexpr int32_t RESULT_MATE = 5;

extern int32_t game_result;
extern uint8_t pondering;
extern uint8_t ponder_saw_mate;
extern Move pondered_move; // MOVE_NONE while thinking on the opponent's position itself
extern uint32_t ponder_start_ms;
extern int32_t moves_out_of_book;

// XBoard analysis: think searches without a book, a clock or a move to play.
extern bool analysing;
// Set by a front end while the engine thinks on its move when the interface has taken
// the position away (force mode, a new game, a take-back, quit): the search stops and
// nothing is played or printed.
extern bool decision_cancelled;
// UCI: the interface owns the position and sends the engine's move back with the next
// "position"; the move is announced but not left on the board.
extern bool interface_owns_position;

// UCI "Ponder" option: the move line also names the expected reply.
extern bool announce_ponder_move;

void think(Position& pos);
void announce_move(Position& pos, Move move, char* text);
// Thinks on the opponent's time: on the expected reply when there is a legal one, else on
// the opponent's position itself (after "playother").
void start_pondering(Position& pos);
