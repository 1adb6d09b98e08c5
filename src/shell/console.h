// The console dialect: one command per line for a person at a terminal.
#pragma once

#include "board/position.h"

void print_help();
// Runs until "quit" or the end of input; "xboard" and "uci" hand over for good.
void console_loop();
// A typed move: refused with a message when illegal, else played and answered.
void console_user_move(Position& pos, const char* word);
// Takes back the last two plies when there are two to take back.
void remove_two_plies(Position& pos);
